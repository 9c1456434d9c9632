#include "LoadAhead.h"

#include <sys/stat.h>

#include <new>
#include <system_error>
#include <utility>

namespace {

long long Nanoseconds(const timespec& t) {
    return static_cast<long long>(t.tv_sec) * 1000000000LL + t.tv_nsec;
}

}  // namespace

// A thread that cannot be had leaves both files to the window's own load.
LoadAhead::LoadAhead() {
    try {
        thread_ = std::thread([this] {
            LoadInto(indiv_, kIndivFileName, &indivOrder_);
            KeepIndivRows();
            LoadInto(rep_, kRepFileName);
        });
    } catch (const std::system_error&) {
    }
}

// The last day's sort may want memory there is none of: the window then orders the rows itself.
void LoadAhead::KeepIndivRows() noexcept {
    try {
        if (indiv_.done && indivOrder_.Whole()) {
            indivRows_ = Rows{indivOrder_.Take(), indiv_.list.Tree().Revision()};
        }
    } catch (const std::bad_alloc&) {
        indivRows_.reset();
    }
}

LoadAhead::~LoadAhead() {
    Join();
}

void LoadAhead::Join() {
    if (thread_.joinable()) {
        thread_.join();
    }
}

LoadAhead::Identity LoadAhead::IdentityOf(const char* fileName) {
    struct stat st {};
    Identity identity;
    if (::stat(fileName, &st) == 0) {
        identity = {true,
                    static_cast<unsigned long>(st.st_dev),
                    static_cast<unsigned long>(st.st_ino),
                    static_cast<long long>(st.st_size),
                    Nanoseconds(st.st_mtim),
                    Nanoseconds(st.st_ctim)};
    }
    return identity;
}

// Whatever goes wrong here leaves the file to the window's own load, which then meets it again
// and tells the user.
template <typename List>
void LoadAhead::LoadInto(Loaded<List>& loaded, const char* fileName, SubjTree::LoadWatch* watch) {
    try {
        loaded.seen = IdentityOf(fileName);  // before the read: a change during it shows later
        loaded.outcome = LoadList(loaded.list, fileName, watch);
        loaded.done = true;
    } catch (...) {
        loaded.done = false;
    }
}

template <typename List>
std::optional<LoadOutcome> LoadAhead::TakeFrom(Loaded<List>& loaded, List& list,
                                               const char* fileName) {
    Join();
    if (!loaded.done || IdentityOf(fileName) != loaded.seen) {
        return std::nullopt;
    }
    loaded.done = false;
    list.SwapStore(loaded.list);
    return loaded.outcome;
}

std::optional<LoadOutcome> LoadAhead::Take(IndivSubjList& list) {
    return TakeFrom(indiv_, list, kIndivFileName);
}

std::optional<LoadOutcome> LoadAhead::Take(RepSubjList& list) {
    return TakeFrom(rep_, list, kRepFileName);
}

std::optional<LoadAhead::Rows> LoadAhead::TakeIndivRows() {
    Join();
    return std::exchange(indivRows_, std::nullopt);
}
