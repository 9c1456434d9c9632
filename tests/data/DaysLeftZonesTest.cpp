// Days left around clock changes, where a day lasts 23, 23.5, 24.5 or 25 hours:
// counted in calendar days in every zone, with the rule for exactly midnight
// kept (a future date counts one more then).
#include <gtest/gtest.h>

#include <chrono>
#include <ctime>
#include <vector>

#include "Clock.h"
#include "ScopedTimeZone.h"
#include "SubjRecord.h"

namespace {

using Ymd = std::chrono::year_month_day;

// Days left of a subject on `date`, decoded as the lists decode it.
int DaysLeftOf(Ymd date) {
    IndivSubj s;
    s.year = static_cast<std::int16_t>(static_cast<int>(date.year()));
    s.month = static_cast<std::int16_t>(unsigned(date.month()));
    s.day = static_cast<std::int16_t>(unsigned(date.day()));
    s.title = "t";
    s.progress = Progress::Open;
    return DecodeIndivSubj(EncodeIndivSubj(s)).daysLeft;
}

int DaysLeftOf(int y, int m, int d) {
    return DaysLeftOf(
        Ymd{std::chrono::year{y}, std::chrono::month{unsigned(m)}, std::chrono::day{unsigned(d)}});
}

// The instants in `year` after which the local UTC offset differs, found in
// quarter-hour steps.
std::vector<std::time_t> ClockChanges(int year) {
    std::vector<std::time_t> changes;
    const std::time_t end = LocalTime::Make(year + 1, 1, 1);
    for (std::time_t t = LocalTime::Make(year, 1, 1); t < end; t += 900) {
        if (LocalTime::Break(t).tm_gmtoff != LocalTime::Break(t + 900).tm_gmtoff) {
            changes.push_back(t + 900);
        }
    }
    return changes;
}

struct Zone {
    const char* name;
    int year;
};

void PrintTo(const Zone& zone, std::ostream* out) {
    *out << zone.name << " " << zone.year;
}

class DaysLeftAroundClockChanges : public ::testing::TestWithParam<Zone> {};

TEST_P(DaysLeftAroundClockChanges, EveryQuarterHourCountsCalendarDays) {
    ScopedTimeZone zone(GetParam().name);
    const std::vector<std::time_t> changes = ClockChanges(GetParam().year);
    ASSERT_EQ(changes.size(), 2u);
    for (std::time_t change : changes) {
        for (std::time_t now = change - 3 * 86400; now <= change + 3 * 86400; now += 900) {
            ScopedClock clock(now);
            const std::tm local = LocalTime::Break(now);
            const bool midnight = local.tm_hour == 0 && local.tm_min == 0 && local.tm_sec == 0;
            const std::chrono::sys_days today = Ymd{std::chrono::year{local.tm_year + 1900},
                                                    std::chrono::month{unsigned(local.tm_mon + 1)},
                                                    std::chrono::day{unsigned(local.tm_mday)}};
            for (int offset = -3; offset <= 3; ++offset) {
                const int expected = offset + (midnight && offset > 0 ? 1 : 0);
                ASSERT_EQ(DaysLeftOf(Ymd{today + std::chrono::days{offset}}), expected)
                    << GetParam().name << " " << std::asctime(&local) << " offset " << offset;
            }
        }
    }
}

// Two zones that change at 02:00 and 03:00 by an hour, one that changes by
// half an hour, and Tokyo, which last changed in 1951.
INSTANTIATE_TEST_SUITE_P(Zones, DaysLeftAroundClockChanges,
                         ::testing::Values(Zone{"America/New_York", 2024},
                                           Zone{"Europe/Berlin", 2024},
                                           Zone{"Australia/Lord_Howe", 2024},
                                           Zone{"Asia/Tokyo", 1950}),
                         [](const auto& param) {
                             std::string name = param.param.name;
                             return name.substr(name.find('/') + 1);
                         });

TEST(DaysLeftAroundClockChanges, NewYorkJustAfterMidnightOfBothChanges) {
    ScopedTimeZone zone("America/New_York");
    // The day before lasted 23 hours: yesterday is -1, not 0.
    ScopedClock clock(LocalTime::Make(2024, 3, 11, 0, 30));
    EXPECT_EQ(DaysLeftOf(2024, 3, 10), -1);
    EXPECT_EQ(DaysLeftOf(2024, 3, 11), 0);
    EXPECT_EQ(DaysLeftOf(2024, 3, 12), 1);
    // Today lasts 25 hours: tomorrow is 1, not 2.
    clock.Set(LocalTime::Make(2024, 11, 3, 0, 30));
    EXPECT_EQ(DaysLeftOf(2024, 11, 2), -1);
    EXPECT_EQ(DaysLeftOf(2024, 11, 3), 0);
    EXPECT_EQ(DaysLeftOf(2024, 11, 4), 1);
    EXPECT_EQ(DaysLeftOf(2025, 11, 4), 366);
    // Midnight itself still counts one more for a future date.
    clock.Set(LocalTime::Make(2024, 11, 3, 0, 0));
    EXPECT_EQ(DaysLeftOf(2024, 11, 4), 2);
    EXPECT_EQ(DaysLeftOf(2024, 11, 2), -1);
}

TEST(DaysLeftAroundClockChanges, ImpossibleDatesCarryOverInAnyZone) {
    ScopedTimeZone zone("Australia/Lord_Howe");
    ScopedClock clock(LocalTime::Make(2024, 4, 7, 1, 45));  // in the repeated half hour
    EXPECT_EQ(DaysLeftOf(2024, 2, 31), -36);                // 2 March
    EXPECT_EQ(DaysLeftOf(2024, 4, 0), -7);                  // 31 March
    EXPECT_EQ(DaysLeftOf(2024, 13, 1), 269);                // 1 January 2025
}

}  // namespace
