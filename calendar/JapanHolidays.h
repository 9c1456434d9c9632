// Japan's public holidays, worked out for any date from the rules of the law
// on them as it stood in that year, from the day it came into force (20 July
// 1948): the fixed days and the Mondays, the two equinox days, the one-off days
// of their own laws, and the days off the law adds beside them (振替休日,
// 国民の休日). No year is listed by hand, so a calendar far ahead shows them too.
#pragma once

#include <string_view>

// The name of the public holiday on that date, in UTF-8 ("元日", "振替休日");
// empty when the day is none, or is no date of the calendar.
std::string_view HolidayName(int year, int month, int day);
