// The rule text of a repeating subject's row: each kind of rule alone, several
// together, the time, and rules that give no day.
#include <gtest/gtest.h>

#include "RuleWords.h"

namespace {

struct Case {
    const char* name;
    RepSubj rep;
    const char* words;
};

RepSubj Rule(int yearlyMonth, int yearlyDay, int monthlyDay, int week, int weekday,
             std::array<std::uint8_t, 7> weekly, int hour, int minute) {
    RepSubj rep;
    rep.yearlyMonth = static_cast<std::int16_t>(yearlyMonth);
    rep.yearlyDay = static_cast<std::int16_t>(yearlyDay);
    rep.monthlyDay = static_cast<std::int16_t>(monthlyDay);
    rep.monthlyWeek = static_cast<std::int16_t>(week);
    rep.monthlyWeekday = static_cast<std::int16_t>(weekday);
    rep.weekly = weekly;
    rep.hour = static_cast<std::int16_t>(hour);
    rep.minute = static_cast<std::int16_t>(minute);
    return rep;
}

const Case kCases[] = {
    {"weekly", Rule(0, 0, 0, 0, 0, {0, 1, 0, 0, 1, 0, 0}, 8, 0), "毎週 火・金 08:00"},
    {"every day of the week", Rule(0, 0, 0, 0, 0, {1, 1, 1, 1, 1, 1, 1}, 23, 59),
     "毎週 月・火・水・木・金・土・日 23:59"},
    {"monthly by week", Rule(0, 0, 0, 2, 6, {}, 10, 0), "毎月 第2土曜 10:00"},
    {"fifth Sunday", Rule(0, 0, 0, 5, 7, {}, 0, 5), "毎月 第5日曜 00:05"},
    {"monthly by day, all day", Rule(0, 0, 15, 0, 0, {}, 0, 0), "毎月 15日"},
    {"the 31st", Rule(0, 0, 31, 0, 0, {}, 0, 0), "毎月 31日"},
    {"yearly on a leap day", Rule(2, 29, 0, 0, 0, {}, 0, 0), "毎年 2月29日"},
    {"every kind at once", Rule(12, 24, 1, 1, 1, {0, 0, 0, 0, 0, 0, 1}, 9, 30),
     "毎年 12月24日 09:30、毎月 1日 09:30、毎月 第1月曜 09:30、毎週 日 09:30"},
    {"no rule", Rule(0, 0, 0, 0, 0, {}, 9, 0), "—"},
    {"a day no year has", Rule(2, 30, 0, 0, 0, {}, 0, 0), "—"},
    {"April 31st", Rule(4, 31, 0, 0, 0, {}, 0, 0), "—"},
    {"half a yearly rule", Rule(5, 0, 0, 0, 0, {}, 0, 0), "—"},
    {"a week without its weekday", Rule(0, 0, 0, 3, 0, {}, 0, 0), "—"},
    {"numbers out of range from a file", Rule(13, 1, 32, 6, 8, {2, 0, 0, 0, 0, 0, 0}, 0, 0), "—"},
    {"only the good rule shows", Rule(2, 30, 0, 0, 0, {0, 0, 1, 0, 0, 0, 0}, 7, 15),
     "毎週 水 07:15"},
};

}  // namespace

TEST(RuleWordsTest, ShouldSayEachKindOfRuleWithItsTime) {
    for (const Case& c : kCases) {
        EXPECT_EQ(RuleWords(c.rep), c.words) << c.name;
    }
}
