#include "CivilDay.h"

#include "Clock.h"

int DaysInMonth(int year, int month) {
    static constexpr int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    const bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
    return month == 2 && leap ? 29 : kDays[month - 1];
}

bool IsCalendarDate(int year, int month, int day) {
    return month >= 1 && month <= 12 && day >= 1 && day <= DaysInMonth(year, month);
}

std::int64_t DayNumber(const CalendarDay& day) {
    return LocalTime::CalendarSeconds(day.year, day.month, day.day) / 86400;
}

CalendarDay CivilDay(int year, int month, int day) {
    CalendarDay civil;
    civil.year = year;
    civil.month = month;
    civil.day = day;
    // 1970-01-01 was a Thursday, weekday 4.
    const std::int64_t number = DayNumber(civil);
    civil.weekday = static_cast<int>(((number % 7) + 7 + 3) % 7) + 1;
    civil.weekOfMonth = WeekOfMonth(day);
    return civil;
}

CalendarDay NextDay(const CalendarDay& day) {
    CalendarDay next = day;
    next.weekday = day.weekday % 7 + 1;
    if (++next.day > DaysInMonth(next.year, next.month)) {
        next.day = 1;
        if (++next.month > 12) {
            next.month = 1;
            ++next.year;
        }
    }
    next.weekOfMonth = WeekOfMonth(next.day);
    return next;
}

CalendarDay DayOfNumber(std::int64_t days) {
    const std::time_t noon = static_cast<std::time_t>(days * 86400 + 43200);
    std::tm broken{};
    gmtime_r(&noon, &broken);
    return CivilDay(broken.tm_year + 1900, broken.tm_mon + 1, broken.tm_mday);
}
