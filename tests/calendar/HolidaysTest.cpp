// The public holidays where the oracle (holidays_against_oracle.py) does not
// reach or is wrong: the years from the law's start to 1969, when days came
// and went, and dates the calendar does not have.
#include <gtest/gtest.h>

#include <string>

#include "JapanHolidays.h"

namespace {

struct Case {
    int year, month, day;
    const char* name;  // "" for no holiday
};

TEST(Holidays, FollowTheLawAsItStoodEachYear) {
    const Case cases[] = {
        // The law came into force on 20 July 1948: that year's first holiday is
        // the autumn equinox, and New Year's Day became one only in 1949.
        {1948, 1, 1, ""},
        {1948, 5, 5, ""},
        {1948, 9, 23, "秋分の日"},
        {1948, 11, 23, "勤労感謝の日"},
        {1949, 1, 1, "元日"},
        {1949, 3, 21, "春分の日"},
        {1959, 4, 10, "皇太子明仁親王の結婚の儀"},
        // 建国記念の日 from 1967, 敬老の日 and 体育の日 from 1966.
        {1966, 2, 11, ""},
        {1967, 2, 11, "建国記念の日"},
        {1965, 9, 15, ""},
        {1966, 9, 15, "敬老の日"},
        {1966, 10, 10, "体育の日"},
        // No Monday off for a Sunday holiday before April 1973 (成人の日 of 1967
        // was a Sunday), and 1973's first one was on 30 April.
        {1967, 1, 16, ""},
        {1973, 4, 30, "振替休日"},
        // The equinox approximation before 1980 divides by four toward zero:
        // 1978's vernal equinox day was the 21st.
        {1978, 3, 21, "春分の日"},
        {1978, 3, 22, ""},
        // 4 May between two holidays, and the Sunday it was in 1986 no day off
        // of its own; 1987's fell on the Monday after 憲法記念日, a substitute.
        {1986, 5, 4, ""},
        {1987, 5, 4, "振替休日"},
        {1988, 5, 4, "国民の休日"},
        // Since 2007 the day off goes to the first day after the Sunday that
        // is no holiday: 3 May 2009 was a Sunday, 4 and 5 May holidays.
        {2009, 5, 6, "振替休日"},
        // A year far beyond any table.
        {2200, 1, 1, "元日"},
        // No such dates.
        {2023, 2, 29, ""},
        {2024, 13, 1, ""},
        {2024, 4, 31, ""},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(std::string(HolidayName(c.year, c.month, c.day)), c.name)
            << c.year << "-" << c.month << "-" << c.day;
    }
}

}  // namespace
