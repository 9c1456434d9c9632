// Calendar days worked out by arithmetic alone, for walking far beyond the
// batch's window (a rule's first day, years of excluded days) without asking
// the time zone about each one. Today itself still comes from DayFrom.
#pragma once

#include <cstdint>

#include "CalendarDay.h"

// The number of days of `month` in `year` of the Gregorian calendar.
int DaysInMonth(int year, int month);

// True when the calendar has that date: no 31 April, 29 February only in leap years.
bool IsCalendarDate(int year, int month, int day);

// The descriptor of a date the calendar has (see IsCalendarDate).
CalendarDay CivilDay(int year, int month, int day);

// The day after `day`.
CalendarDay NextDay(const CalendarDay& day);

// Days since 1970-01-01 of `day`, for ordering and distances.
std::int64_t DayNumber(const CalendarDay& day);

// The day `days` days after 1970-01-01.
CalendarDay DayOfNumber(std::int64_t days);
