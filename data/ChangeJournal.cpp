#include "ChangeJournal.h"

#include <algorithm>
#include <new>

// The first time a key is touched tells what it held before the command: a record taken out was
// there, a record put in (not over another, which comes as Taken first) was not.
ChangeJournal::Ends* ChangeJournal::Touch(const RecordText& record, bool taken) noexcept {
    try {
        Key key;
        std::copy_n(record.begin(), kKeySize, key.begin());
        auto [place, fresh] = entries_.try_emplace(key);
        if (fresh && taken) {
            place->second.before = record;
        }
        return &place->second;
    } catch (const std::bad_alloc&) {
        complete_ = false;
        return nullptr;
    }
}

void ChangeJournal::Taken(const RecordText& record) noexcept {
    if (Ends* ends = Touch(record, true)) {
        ends->after.reset();
    }
}

void ChangeJournal::Put(const RecordText& record) noexcept {
    if (Ends* ends = Touch(record, false)) {
        ends->after = record;
    }
}

ListChange ChangeJournal::Net() const {
    ListChange change;
    for (const auto& [key, ends] : entries_) {
        if (ends.before == ends.after) {
            continue;
        }
        if (ends.before) {
            change.removed.push_back(*ends.before);
        }
        if (ends.after) {
            change.added.push_back(*ends.after);
        }
    }
    return change;
}
