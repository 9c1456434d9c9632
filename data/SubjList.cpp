#include "SubjList.h"

#include <new>

int IndivSubjList::RemoveGenerated(const std::string& title) {
    for (int r = First(); r == 0; r = Next()) {
        if (current.origin == title &&
            (current.progress == Progress::NotTracked || current.progress == Progress::Done)) {
            Remove();
        }
    }
    return 0;
}

int IndivSubjList::RenameOrigin(const std::string& oldTitle, const std::string& newTitle) {
    for (int r = First(); r == 0; r = Next()) {
        if (current.origin == oldTitle) {
            try {
                current.origin = newTitle;
            } catch (const std::bad_alloc&) {
                return 0;  // the subjects not reached keep their old origin
            }
            Replace();
        }
    }
    return 0;
}
