#include "SubjList.h"

#include <new>

StoreResult IndivSubjList::RemoveGenerated(const std::string& title) {
    for (StoreResult r = First(); r == StoreResult::Done; r = Next()) {
        if (current.origin == title &&
            (current.progress == Progress::NotTracked || current.progress == Progress::Done)) {
            // Just fetched, so it is there: anything else is a store gone wrong.
            if (const StoreResult removed = Remove(); removed != StoreResult::Done) {
                return removed;
            }
        }
    }
    return StoreResult::Done;
}

StoreResult IndivSubjList::RenameOrigin(const std::string& oldTitle, const std::string& newTitle) {
    for (StoreResult r = First(); r == StoreResult::Done; r = Next()) {
        if (current.origin == oldTitle) {
            try {
                current.origin = newTitle;
            } catch (const std::bad_alloc&) {
                return StoreResult::Done;  // the subjects not reached keep their old origin
            }
            if (const StoreResult replaced = Replace(); replaced != StoreResult::Done) {
                return replaced;
            }
        }
    }
    return StoreResult::Done;
}
