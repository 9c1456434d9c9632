#include "SubjField.h"

bool SameField(const IndivSubj& a, const IndivSubj& b, SubjField field) {
    switch (field) {
        case SubjField::Title:
            return a.title == b.title;
        case SubjField::Content:
            return a.content == b.content;
        case SubjField::When:
            return a.year == b.year && a.month == b.month && a.day == b.day && a.hour == b.hour &&
                   a.minute == b.minute;
        case SubjField::Progress:
            return a.progress == b.progress;
        case SubjField::Origin:
            return a.origin == b.origin;
    }
    return true;
}

void CopyField(IndivSubj& into, const IndivSubj& from, SubjField field) {
    switch (field) {
        case SubjField::Title:
            into.title = from.title;
            break;
        case SubjField::Content:
            into.content = from.content;
            break;
        case SubjField::When:
            into.year = from.year;
            into.month = from.month;
            into.day = from.day;
            into.hour = from.hour;
            into.minute = from.minute;
            break;
        case SubjField::Progress:
            into.progress = from.progress;
            break;
        case SubjField::Origin:
            into.origin = from.origin;
            break;
    }
}
