// The two data files of the working folder loaded on a thread of their own while the toolkit and
// the main window start, for the window's first load to take instead of reading them again. The
// window takes a list only where its file is still the very one the thread read (the same file,
// length and times): a server fetch that replaced it, or anything else that changed it, means a
// load of its own. The thread only reads; copies kept aside and the user's notices stay the
// window's (DataFileSet).
#pragma once

#include <cstdint>
#include <optional>
#include <thread>
#include <vector>

#include "FileAccess.h"
#include "IndivRowOrder.h"
#include "SubjList.h"

// How a data file loaded, as far as the user must know.
struct LoadOutcome {
    bool notRead = false;  // there, but not a file that could be read
    SubjTree::LoadReport report;

    bool Clean() const { return !notRead && report.linesNotTaken == 0 && report.linesChanged == 0; }
};

// Loads `list` from `fileName`. A missing file is an empty list and clean; the
// loader itself refuses a folder or other thing that is not a regular file.
// Running out of memory is no unreadable file: the lines not taken are counted.
// `watch`, when given, hears of every record taken.
template <typename List>
LoadOutcome LoadList(List& list, const char* fileName, SubjTree::LoadWatch* watch = nullptr) {
    LoadOutcome outcome;
    if (!PathExists(fileName)) {
        return outcome;
    }
    outcome.notRead = list.Load(fileName, &outcome.report, watch) == StoreResult::FileFailed;
    return outcome;
}

class LoadAhead {
  public:
    // Starts loading kIndivFileName and kRepFileName from the working folder.
    LoadAhead();
    // Waits for the thread.
    ~LoadAhead();
    LoadAhead(const LoadAhead&) = delete;
    LoadAhead& operator=(const LoadAhead&) = delete;

    // Waits for the thread; then, when the file is still the one it read, the empty `list`
    // holds what it loaded and the load's outcome is returned. nullopt otherwise, or once taken,
    // and `list` is left alone.
    std::optional<LoadOutcome> Take(IndivSubjList& list);
    std::optional<LoadOutcome> Take(RepSubjList& list);

    // The individual rows in the list's order, put together as the thread loaded them
    // (IndivRowOrder), and the revision of the store they are the rows of: they hold while the
    // list Take filled keeps it. nullopt when the load did not give them whole, or once taken.
    struct Rows {
        std::vector<SubjRowSource::Handle> rows;
        std::uint64_t revision = 0;
    };
    std::optional<Rows> TakeIndivRows();

  private:
    // What tells one file under a name from another, or from itself changed.
    struct Identity {
        bool present = false;
        unsigned long device = 0;
        unsigned long inode = 0;
        long long size = 0;
        long long modifiedNs = 0;
        long long changedNs = 0;
        bool operator==(const Identity&) const = default;
    };
    static Identity IdentityOf(const char* fileName);

    template <typename List>
    struct Loaded {
        List list;
        Identity seen;
        LoadOutcome outcome;
        bool done = false;  // loaded, and not taken yet
    };
    template <typename List>
    static void LoadInto(Loaded<List>& loaded, const char* fileName,
                         SubjTree::LoadWatch* watch = nullptr);
    // The rows indivOrder_ put together, where the load gave them whole.
    void KeepIndivRows() noexcept;
    void Join();
    template <typename List>
    std::optional<LoadOutcome> TakeFrom(Loaded<List>& loaded, List& list, const char* fileName);

    Loaded<IndivSubjList> indiv_;
    Loaded<RepSubjList> rep_;
    IndivRowOrder indivOrder_;
    std::optional<Rows> indivRows_;
    std::thread thread_;
};
