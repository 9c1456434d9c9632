#include "CalendarDay.h"

#include "Clock.h"

int WeekOfMonth(int day) {
    return (day - 1) / 7 + 1;
}

CalendarDay DayFrom(std::time_t now, int offset) {
    std::tm today = LocalTime::Break(now);
    // Noon is never skipped or repeated by a clock change, and mktime carries
    // the day field over months and years.
    std::time_t noon =
        LocalTime::Make(today.tm_year + 1900, today.tm_mon + 1, today.tm_mday + offset, 12);
    std::tm local = LocalTime::Break(noon);
    CalendarDay day;
    day.year = local.tm_year + 1900;
    day.month = local.tm_mon + 1;
    day.day = local.tm_mday;
    day.weekday = local.tm_wday == 0 ? 7 : local.tm_wday;
    day.weekOfMonth = WeekOfMonth(day.day);
    return day;
}
