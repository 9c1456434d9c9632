// The batch near midnight around daylight-saving changes, where a day lasts 23
// or 25 hours: every calendar day of the window is generated once and each
// purge cut-off falls on the right calendar day.
#include <gtest/gtest.h>

#include "Batch.h"
#include "BatchTestSupport.h"

using namespace batchtest;
using Strings = std::vector<std::string>;

namespace {

// The local days in `year` on which the clocks change, found by stepping hour
// by hour.
std::vector<Ymd> ClockChangeDays(int year) {
    std::vector<Ymd> days;
    const std::time_t end = LocalTime::Make(year + 1, 1, 1, 12);
    for (std::time_t t = LocalTime::Make(year, 1, 1, 12); t < end; t += 3600) {
        if (LocalTime::Break(t).tm_isdst != LocalTime::Break(t + 3600).tm_isdst) {
            days.push_back(LocalDayOf(t + 3600));
        }
    }
    return days;
}

// Runs the whole batch at `now` over a daily repeating subject and, for the
// 46 days before today and the next one, an untracked and a done subject each.
// Checks what is left and generated against calendar-day arithmetic.
void CheckBatchAt(std::time_t now) {
    ScopedClock clock(now);
    const Ymd today = LocalDayOf(now);
    RepSubjList reps;
    reps.current = Rep("daily");
    reps.current.weekly = {1, 1, 1, 1, 1, 1, 1};
    ASSERT_EQ(reps.Insert(), StoreResult::Done);
    IndivSubjList indiv;
    Strings untracked;
    Strings done;
    for (int offset = -46; offset <= 1; ++offset) {
        Put(indiv, Indiv(AddDays(today, offset), "untracked", Progress::NotTracked));
        Put(indiv, Indiv(AddDays(today, offset), "done", Progress::Done));
        if (offset >= 0) {
            untracked.push_back(DateText(AddDays(today, offset)));
        }
        if (offset >= -42) {
            done.push_back(DateText(AddDays(today, offset)));
        }
    }
    Strings daily;
    for (int offset = 0; offset < 43; ++offset) {
        daily.push_back(DateText(AddDays(today, offset)));
    }

    ASSERT_EQ(RunBatch(reps, indiv), StoreResult::Done);
    std::tm local = LocalTime::Break(now);
    char at[64];
    std::strftime(at, sizeof at, "%Y-%m-%d %H:%M:%S %Z", &local);
    EXPECT_EQ(DatesOf(indiv, "daily"), daily) << at;
    EXPECT_EQ(DatesOf(indiv, "untracked"), untracked) << at;
    EXPECT_EQ(DatesOf(indiv, "done"), done) << at;
}

struct Zone {
    const char* name;
    int year;
};

void PrintTo(const Zone& zone, std::ostream* out) {
    *out << zone.name << " " << zone.year;
}

class ClockChange : public ::testing::TestWithParam<Zone> {};

}  // namespace

// Today runs from 44 days before a change to the day after it, just before and
// just after midnight, so that the change falls inside the window, on
// yesterday and on 43 days ago in turn.
TEST_P(ClockChange, EveryDayNearAChangeGeneratesAndPurgesByCalendarDay) {
    ScopedTimeZone zone(GetParam().name);
    std::vector<Ymd> changes = ClockChangeDays(GetParam().year);
    ASSERT_EQ(changes.size(), 2u) << GetParam().name;
    for (Ymd change : changes) {
        for (int offset = -44; offset <= 1; ++offset) {
            Ymd day = AddDays(change, offset);
            const int y = static_cast<int>(day.year());
            const int m = static_cast<int>(unsigned(day.month()));
            const int d = static_cast<int>(unsigned(day.day()));
            CheckBatchAt(LocalTime::Make(y, m, d, 23, 59, 59));
            CheckBatchAt(LocalTime::Make(y, m, d, 0, 0, 1));
        }
    }
}

// Tokyo last changed its clocks in 1951, and at midnight itself.
INSTANTIATE_TEST_SUITE_P(Zones, ClockChange,
                         ::testing::Values(Zone{"Asia/Tokyo", 1949}, Zone{"America/New_York", 2024},
                                           Zone{"Europe/Berlin", 2024}),
                         [](const auto& param) {
                             std::string name = param.param.name;
                             return name.substr(name.find('/') + 1);
                         });
