// The public holidays where the oracle (holidays_against_oracle.py) does not
// reach: 1948, the law's first year, a year far ahead, and dates the calendar
// does not have.
#include <gtest/gtest.h>

#include <string>

#include "JapanHolidays.h"

TEST(Holidays, BeyondTheOracle) {
    struct Case {
        int year, month, day;
        const char* name;  // "" for no holiday
    };
    const Case cases[] = {
        // The law came into force on 20 July 1948: the autumn days were that
        // year's holidays, New Year's Day only from 1949.
        {1948, 1, 1, ""},          {1948, 5, 5, ""},
        {1948, 9, 23, "秋分の日"}, {1948, 11, 23, "勤労感謝の日"},
        {2200, 1, 1, "元日"},      {2023, 2, 29, ""},
        {2024, 13, 1, ""},         {2024, 4, 31, ""},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(std::string(HolidayName(c.year, c.month, c.day)), c.name)
            << c.year << "-" << c.month << "-" << c.day;
    }
}
