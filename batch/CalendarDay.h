// The local calendar days the batch works on: today, the days of its window and
// the purge cut-offs. Days are counted through the calendar, not in 86 400 s
// steps, so a 23- or 25-hour day at a clock change neither skips nor repeats one.
#pragma once

#include <ctime>

struct CalendarDay {
    int year = 0;
    int month = 0;        // 1..12
    int day = 0;          // 1..31
    int weekday = 0;      // 1 = Monday .. 7 = Sunday
    int weekOfMonth = 0;  // 1..5, see WeekOfMonth
};

// Which occurrence of its weekday `day` is in its month: days 1-7 are week 1,
// 8-14 week 2, and so on up to 29-31, week 5.
int WeekOfMonth(int day);

// The local calendar day `offset` days after (before, when negative) the local
// day of the instant `now`.
CalendarDay DayFrom(std::time_t now, int offset);
