// A month as the calendar pane shows it: each day with its public holiday and
// its subjects in the order the list shows them, and the subjects a repeating
// one calls for that the batch has not generated yet. The month is read from
// its first key on, in the store's key order, so it costs its own subjects and
// not a walk of the whole list.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "CalendarDay.h"
#include "SubjList.h"

// One subject of a day.
struct DayEntry {
    std::string title;  // Shift_JIS, as stored
    std::int16_t hour = 0;
    std::int16_t minute = 0;
    Progress progress{};
    // Open and its minute passed, as the list marks it (IndivSubj::overdue).
    bool overdue = false;
    // A repeating subject calls for it and the batch has not generated it yet.
    bool notGenerated = false;

    bool operator==(const DayEntry&) const = default;
};

struct MonthDay {
    CalendarDay date;
    std::string_view holiday;  // UTF-8 (HolidayName); empty for none
    // The stored subjects by time as the list orders them, those of one
    // minute by title; the ones not generated yet among them, each after the
    // stored ones of its minute.
    std::vector<DayEntry> entries;

    // How many entries are stored subjects.
    int StoredCount() const;
};

struct MonthSheet {
    int year = 0;
    int month = 0;
    std::vector<MonthDay> days;  // the 1st first
    CalendarDay today;           // the local day the sheet was read on
};

// The sheet of `month` (1..12) of `year` (1..9999), read today (the local day
// of Clock::Now()). Subjects not generated yet are only looked for on today and after, as the batch
// never generates a past day. A stored date the calendar does not have (30 February from a file) is
// on no day. `rep` keeps its subjects and its `current`; `indiv.current` is left undefined.
MonthSheet ReadMonthSheet(IndivSubjList& indiv, RepSubjList& rep, int year, int month);
