#include "ChangeJournal.h"

#include <new>

#include "SubjTree.h"

// The first time a key is noted tells what it held before the command: a record taken out was
// there, a record put in (not over another, which comes as Taken first) was not.
void ChangeJournal::Note(const RecordText& record, bool taken) noexcept {
    try {
        const RecordText* kept = &noted_.emplace_back(record);
        auto [place, fresh] = entries_.try_emplace(kept);
        if (fresh && taken) {
            place->second.before = kept;
        }
        place->second.after = taken ? nullptr : kept;
    } catch (const std::bad_alloc&) {
        complete_ = false;
    }
}

void ChangeJournal::Taken(const RecordText& record) noexcept {
    Note(record, true);
}

void ChangeJournal::Put(const RecordText& record) noexcept {
    Note(record, false);
}

void ChangeJournal::Replaced(const SubjTree& before,
                             const std::vector<RecordText>& after) noexcept {
    try {
        Walk(before, after);
    } catch (const std::bad_alloc&) {
        complete_ = false;
    }
}

void ChangeJournal::Walk(const SubjTree& before, const std::vector<RecordText>& after) {
    auto next = after.begin();
    const auto keyLess = [](const RecordText& a, const RecordText& b) {
        return std::memcmp(a.data(), b.data(), kKeySize) < 0;
    };
    before.VisitInOrder([&](const RecordText& old) {
        for (; next != after.end() && keyLess(*next, old); ++next) {
            Put(*next);
        }
        if (next != after.end() && !keyLess(old, *next)) {
            if (*next != old) {
                Taken(old);
                Put(*next);
            }
            ++next;
        } else {
            Taken(old);
        }
        return true;
    });
    for (; next != after.end(); ++next) {
        Put(*next);
    }
}

ListChange ChangeJournal::Net() const {
    ListChange change;
    for (const auto& [key, ends] : entries_) {
        const bool same = ends.before == nullptr || ends.after == nullptr
                              ? ends.before == ends.after
                              : *ends.before == *ends.after;
        if (same) {
            continue;
        }
        if (ends.before != nullptr) {
            change.removed.push_back(*ends.before);
        }
        if (ends.after != nullptr) {
            change.added.push_back(*ends.after);
        }
    }
    return change;
}
