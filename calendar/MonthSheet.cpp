#include "MonthSheet.h"

#include <algorithm>
#include <tuple>

#include "CivilDay.h"
#include "Clock.h"
#include "ExpandRepSubj.h"
#include "JapanHolidays.h"

namespace {

DayEntry EntryOf(const IndivSubj& subj, bool notGenerated) {
    const bool overdue = subj.progress == Progress::Open && subj.overdue != 0;
    return {subj.title, subj.hour, subj.minute, subj.progress, overdue, notGenerated};
}

bool InMonth(const IndivSubj& subj, const MonthSheet& sheet) {
    return subj.year == sheet.year && subj.month == sheet.month;
}

// The month's stored subjects, from its first key on: the key starts with the
// date, so they stand together and the walk ends at the first one past them.
// A key looked for below every stored one leaves the cursor past the first
// (SubjTree::Find), so a month that no subject comes before starts at the first.
void AddStored(IndivSubjList& indiv, MonthSheet& sheet) {
    StoreResult r = indiv.First();
    const auto dayOf = [](const IndivSubj& s) { return std::tie(s.year, s.month, s.day); };
    const std::int16_t year = static_cast<std::int16_t>(sheet.year);
    const std::int16_t month = static_cast<std::int16_t>(sheet.month);
    const std::int16_t first = 1;
    if (r == StoreResult::Done && dayOf(indiv.current) < std::tie(year, month, first)) {
        indiv.current = IndivSubj{};
        indiv.current.year = year;
        indiv.current.month = month;
        indiv.current.day = first;
        // Only a subject of the 1st with an empty title has the key looked for.
        r = indiv.Find();
        if (r == StoreResult::NotFound) {
            r = indiv.Next();
        }
    }
    const int days = static_cast<int>(sheet.days.size());
    for (; r == StoreResult::Done && InMonth(indiv.current, sheet); r = indiv.Next()) {
        const IndivSubj& subj = indiv.current;
        if (subj.day >= 1 && subj.day <= days) {
            sheet.days[static_cast<std::size_t>(subj.day - 1)].entries.push_back(
                EntryOf(subj, false));
        }
    }
}

// What the batch would add on the month's days from today on: its own
// subject for each day a rule holds, where the list has none with its key.
// Each is marked as the list would mark it once generated.
void AddNotGenerated(IndivSubjList& indiv, RepSubjList& rep, MonthSheet& sheet, std::time_t now) {
    const CalendarDay& today = sheet.today;
    const auto fromToday = [&](const MonthDay& day) {
        return std::tie(day.date.year, day.date.month, day.date.day) >=
               std::tie(today.year, today.month, today.day);
    };
    const auto first = std::find_if(sheet.days.begin(), sheet.days.end(), fromToday);
    if (first == sheet.days.end()) {
        return;
    }
    const RepSubj kept = rep.current;
    for (StoreResult r = rep.First(); r == StoreResult::Done; r = rep.Next()) {
        for (auto day = first; day != sheet.days.end(); ++day) {
            const RuleHolds holds = RulesHolding(rep.current, day->date);
            if (std::find(holds.begin(), holds.end(), true) == holds.end()) {
                continue;
            }
            indiv.current = GeneratedOn(rep.current, day->date);
            if (indiv.Stored() == nullptr) {
                DeriveIndivAt(indiv.current, now);
                day->entries.push_back(EntryOf(indiv.current, true));
            }
        }
    }
    rep.current = kept;
}

}  // namespace

int MonthDay::StoredCount() const {
    return static_cast<int>(std::count_if(entries.begin(), entries.end(),
                                          [](const DayEntry& e) { return !e.notGenerated; }));
}

MonthSheet ReadMonthSheet(IndivSubjList& indiv, RepSubjList& rep, int year, int month) {
    const std::time_t now = Clock::Now();
    MonthSheet sheet;
    sheet.year = year;
    sheet.month = month;
    sheet.today = DayFrom(now, 0);
    for (int day = 1; day <= DaysInMonth(year, month); ++day) {
        sheet.days.push_back({CivilDay(year, month, day), HolidayName(year, month, day), {}});
    }
    AddStored(indiv, sheet);
    AddNotGenerated(indiv, rep, sheet, now);
    // The list orders its rows by their date and time text, rows of equal text
    // in the order they came, which is the key's: by title.
    for (MonthDay& day : sheet.days) {
        std::stable_sort(day.entries.begin(), day.entries.end(),
                         [](const DayEntry& a, const DayEntry& b) {
                             return std::tie(a.hour, a.minute) < std::tie(b.hour, b.minute);
                         });
    }
    return sheet;
}
