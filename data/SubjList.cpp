#include "SubjList.h"

StoreResult IndivSubjList::RemoveGenerated(const std::string& title) {
    for (StoreResult r = First(); r == StoreResult::Done; r = Next()) {
        if (current.origin == title &&
            (current.progress == Progress::NotTracked || current.progress == Progress::Done)) {
            Remove();
        }
    }
    return StoreResult::Done;
}

StoreResult IndivSubjList::RenameOrigin(const std::string& oldTitle, const std::string& newTitle) {
    for (StoreResult r = First(); r == StoreResult::Done; r = Next()) {
        if (current.origin == oldTitle) {
            current.origin = newTitle;
            Replace();
        }
    }
    return StoreResult::Done;
}
