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

bool SameField(const RepSubj& a, const RepSubj& b, SubjField field) {
    switch (field) {
        case SubjField::Title:
            return a.title == b.title;
        case SubjField::Content:
            return a.content == b.content;
        case SubjField::When:
            return a.yearlyMonth == b.yearlyMonth && a.yearlyDay == b.yearlyDay &&
                   a.monthlyDay == b.monthlyDay && a.monthlyWeek == b.monthlyWeek &&
                   a.monthlyWeekday == b.monthlyWeekday && a.weekly == b.weekly &&
                   a.hour == b.hour && a.minute == b.minute;
        case SubjField::Progress:
            return a.progress == b.progress;
        case SubjField::Origin:
            return true;
    }
    return true;
}

void CopyField(RepSubj& into, const RepSubj& from, SubjField field) {
    switch (field) {
        case SubjField::Title:
            into.title = from.title;
            break;
        case SubjField::Content:
            into.content = from.content;
            break;
        case SubjField::When: {
            RepSubj rules = from;
            rules.title = std::move(into.title);
            rules.content = std::move(into.content);
            rules.progress = into.progress;
            into = std::move(rules);
            break;
        }
        case SubjField::Progress:
            into.progress = from.progress;
            break;
        case SubjField::Origin:
            break;
    }
}
