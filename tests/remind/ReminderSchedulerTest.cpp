// The scheduler against a pinned clock: each due time once and at most a
// minute late, all-day subjects in the summary only, a new summary each day,
// times missed in sleep shown once and late, and the subjects taken as they
// stand at each look.
#include <gtest/gtest.h>

#include <map>
#include <random>

#include "Clock.h"
#include "ReminderScheduler.h"
#include "ReminderText.h"
#include "ScopedTimeZone.h"
#include "StoredReminderSubjects.h"
#include "SubjList.h"

namespace {

constexpr Progress N = Progress::NotTracked;
constexpr Progress U = Progress::Open;
constexpr Progress C = Progress::Done;

class Schedule : public ::testing::Test {
  protected:
    // A zone without daylight saving, so every day has 86 400 seconds.
    ScopedTimeZone zone_{"Asia/Tokyo"};
    IndivSubjList list_;
    StoredReminderSubjects view_{list_.Tree()};
    ReminderScheduler scheduler_;

    void Add(int day, int hour, int minute, const std::string& title, Progress progress = U,
             const std::string& content = "") {
        list_.current = IndivSubj{};
        list_.current.year = 2026;
        list_.current.month = 12;
        list_.current.day = static_cast<std::int16_t>(day);
        list_.current.hour = static_cast<std::int16_t>(hour);
        list_.current.minute = static_cast<std::int16_t>(minute);
        list_.current.title = title;
        list_.current.progress = progress;
        list_.current.content = content;
        ASSERT_EQ(list_.Insert(), StoreResult::Done);
    }
    ReminderTick At(int day, int hour, int minute, int second = 0) {
        return scheduler_.Tick(view_, LocalTime::Make(2026, 12, day, hour, minute, second));
    }
    static std::vector<std::string> DueTitles(const ReminderTick& tick) {
        std::vector<std::string> titles;
        for (const DueReminder& due : tick.due) {
            titles.push_back(due.subj.title + (due.late ? " late" : ""));
        }
        return titles;
    }
};

using Names = std::vector<std::string>;

}  // namespace

// Following wakeAt as the driver does, with the timer a little late now and
// then, every timed subject not done comes exactly once, within a minute of
// its time and not late; all-day and done subjects never do.
TEST_F(Schedule, FollowingTheWakeTimesEveryTimedSubjectComesOnceWithinAMinute) {
    std::mt19937 random(24);
    std::map<std::string, std::time_t> expected;
    for (int i = 0; i < 200; ++i) {
        const int day = 7 + static_cast<int>(random() % 3);
        const int hour = static_cast<int>(random() % 24);
        const int minute = static_cast<int>(random() % 60);
        const Progress progress = std::array{N, U, C}[random() % 3];
        const std::string title = "subject " + std::to_string(i);
        Add(day, hour, minute, title, progress);
        if (progress != C && (hour != 0 || minute != 0)) {
            expected[title] = LocalTime::Make(2026, 12, day, hour, minute);
        }
    }
    std::map<std::string, std::time_t> seen;
    std::time_t now = LocalTime::Make(2026, 12, 7, 0, 0, 0);
    while (now < LocalTime::Make(2026, 12, 10)) {
        const ReminderTick tick = scheduler_.Tick(view_, now);
        for (const DueReminder& due : tick.due) {
            EXPECT_TRUE(seen.emplace(due.subj.title, now).second) << due.subj.title;
            EXPECT_FALSE(due.late) << due.subj.title;
        }
        ASSERT_GT(tick.wakeAt, now);
        ASSERT_LE(tick.wakeAt, now + ReminderScheduler::kLongestWait);
        now = tick.wakeAt + static_cast<std::time_t>(random() % 3);
    }
    ASSERT_EQ(seen.size(), expected.size());
    for (const auto& [title, at] : expected) {
        EXPECT_GE(seen[title], at) << title;
        EXPECT_LT(seen[title] - at, 60) << title;
    }
}

struct SummaryCase {
    const char* name;
    std::vector<std::tuple<int, int, int, const char*, Progress>> subjects;
    std::optional<DaySummary> summary;
};

void PrintTo(const SummaryCase& row, std::ostream* out) {
    *out << row.name;
}

class SummaryOfTheDay : public Schedule, public ::testing::WithParamInterface<SummaryCase> {};

// At the first look, 7 December 10:30.
TEST_P(SummaryOfTheDay, CountsTodayAndTheDaysBeforeAndNamesTheFirstFew) {
    for (const auto& [day, hour, minute, title, progress] : GetParam().subjects) {
        Add(day, hour, minute, title, progress);
    }
    const ReminderTick tick = At(7, 10, 30);
    ASSERT_EQ(tick.summary.has_value(), GetParam().summary.has_value());
    if (tick.summary) {
        EXPECT_EQ(tick.summary->today, GetParam().summary->today);
        EXPECT_EQ(tick.summary->overdue, GetParam().summary->overdue);
        EXPECT_EQ(tick.summary->titles, GetParam().summary->titles);
    }
    EXPECT_TRUE(tick.due.empty());  // times before the first look are the summary's
}

INSTANTIATE_TEST_SUITE_P(
    Cases, SummaryOfTheDay,
    ::testing::Values(
        SummaryCase{"Nothing", {}, std::nullopt},
        SummaryCase{"OnlyLaterDaysAndDone",
                    {{8, 9, 0, "tomorrow", U}, {7, 9, 0, "done", C}, {1, 0, 0, "old done", C}},
                    std::nullopt},
        SummaryCase{"TodayByTimeAllDayIncludedBothKinds",
                    {{7, 18, 0, "evening", U}, {7, 0, 0, "all day", N}, {7, 9, 0, "morning", N}},
                    DaySummary{3, 0, {"all day", "morning", "evening"}}},
        SummaryCase{"OverdueAfterToday",
                    {{1, 0, 0, "last week", U}, {6, 23, 0, "yesterday", N}, {7, 12, 0, "noon", U}},
                    DaySummary{1, 2, {"noon", "last week", "yesterday"}}},
        SummaryCase{"FirstThreeNamed",
                    {{7, 1, 0, "a", U},
                     {7, 2, 0, "b", U},
                     {5, 3, 0, "c", U},
                     {7, 4, 0, "d", U},
                     {9, 5, 0, "later", U}},
                    DaySummary{3, 1, {"a", "b", "d"}}}),
    [](const auto& row) { return std::string(row.param.name); });

TEST_F(Schedule, ANewDayGivesANewSummaryAndTheSameDayNone) {
    Add(7, 0, 0, "monday");
    Add(8, 0, 0, "tuesday");
    ASSERT_TRUE(At(7, 8, 0).summary);
    EXPECT_FALSE(At(7, 8, 1).summary);
    const ReminderTick late = At(7, 23, 59, 59);
    EXPECT_FALSE(late.summary);
    EXPECT_EQ(late.wakeAt, LocalTime::Make(2026, 12, 8));  // midnight comes before a minute

    const ReminderTick tuesday = At(8, 0, 0);
    ASSERT_TRUE(tuesday.summary);
    EXPECT_EQ(tuesday.summary->today, 1);
    EXPECT_EQ(tuesday.summary->overdue, 1);
    EXPECT_TRUE(tuesday.due.empty());  // all-day subjects are never due on their own
    EXPECT_FALSE(At(8, 0, 1).summary);
}

TEST_F(Schedule, TimesMissedInSleepComeOnceOnWakingMarkedLate) {
    Add(7, 11, 0, "eleven");
    Add(7, 12, 0, "noon", N, "agenda<br>second line");
    Add(7, 13, 30, "half past one");
    Add(7, 14, 0, "two");
    At(7, 10, 0);
    const ReminderTick woken = At(7, 13, 30, 20);  // asleep from 10:00
    EXPECT_EQ(DueTitles(woken), (Names{"eleven late", "noon late", "half past one"}));
    EXPECT_EQ(woken.wakeAt, LocalTime::Make(2026, 12, 7, 13, 31, 20));
    EXPECT_TRUE(At(7, 13, 31).due.empty());
    // Set back an hour: nothing comes a second time.
    EXPECT_TRUE(At(7, 12, 31).due.empty());
    EXPECT_TRUE(At(7, 13, 32).due.empty());
    EXPECT_EQ(DueTitles(At(7, 14, 0, 5)), (Names{"two"}));

    // Asleep over midnight: a new summary with the missed ones overdue.
    Add(7, 22, 0, "night");
    const ReminderTick morning = At(8, 7, 0);
    EXPECT_EQ(DueTitles(morning), (Names{"night late"}));
    ASSERT_TRUE(morning.summary);
    EXPECT_EQ(morning.summary->overdue, 5);
}

TEST_F(Schedule, SubjectsAreTakenAsTheyStandAtEachLook) {
    Add(7, 10, 10, "moved");
    Add(7, 10, 20, "deleted");
    Add(7, 10, 30, "done");
    Add(7, 10, 40, "shown then moved");
    At(7, 10, 0);
    Add(7, 10, 5, "added");

    list_.current.title = "moved";
    list_.current.day = 7;
    ASSERT_EQ(list_.Find(), StoreResult::Done);
    list_.current.minute = 50;
    ASSERT_EQ(list_.Replace(), StoreResult::Done);
    list_.current.title = "deleted";
    ASSERT_EQ(list_.Remove(), StoreResult::Done);
    list_.current.title = "done";
    ASSERT_EQ(list_.Find(), StoreResult::Done);
    list_.current.progress = C;
    ASSERT_EQ(list_.Replace(), StoreResult::Done);

    EXPECT_EQ(DueTitles(At(7, 10, 5)), (Names{"added"}));
    EXPECT_TRUE(At(7, 10, 35).due.empty());
    EXPECT_EQ(DueTitles(At(7, 10, 40)), (Names{"shown then moved"}));
    list_.current.title = "shown then moved";
    ASSERT_EQ(list_.Find(), StoreResult::Done);
    list_.current.minute = 45;
    ASSERT_EQ(list_.Replace(), StoreResult::Done);
    EXPECT_EQ(DueTitles(At(7, 10, 45)), (Names{"shown then moved"}));
    EXPECT_EQ(DueTitles(At(7, 10, 50)), (Names{"moved"}));

    // After a fresh start only this minute's times come.
    scheduler_.Reset();
    Add(7, 11, 0, "eleven");
    Add(7, 11, 1, "eleven one");
    const ReminderTick restarted = At(7, 11, 1, 30);
    EXPECT_TRUE(restarted.summary);
    EXPECT_EQ(DueTitles(restarted), (Names{"eleven one"}));
}

TEST_F(Schedule, TheWordsOfTheSummaryAndOfADueSubject) {
    const DaySummary summary{4, 2, {"\x89\xEF\x8B\x63", "b", "c"}};  // 会議
    EXPECT_EQ(SummaryHeadline(summary), QStringLiteral("今日の案件 4 件、期限切れ 2 件"));
    EXPECT_EQ(SummaryBody(summary), QStringLiteral("会議\nb\nc\nほか 3 件"));
    EXPECT_EQ(SummaryBody(DaySummary{1, 0, {"a"}}), QStringLiteral("a"));

    Add(7, 9, 5, "\x89\xEF\x8B\x63", U, "room 3<BR>bring notes");
    At(7, 8, 0);
    const ReminderTick late = At(7, 9, 6, 10);
    ASSERT_EQ(late.due.size(), 1u);
    EXPECT_EQ(DueHeadline(late.due[0]), QStringLiteral("会議"));
    EXPECT_EQ(DueBody(late.due[0]), QStringLiteral("2026/12/07 09:05（遅れて通知）\nroom 3"));
    Add(7, 9, 30, "no content");
    EXPECT_EQ(DueBody(At(7, 9, 30).due.at(0)), QStringLiteral("2026/12/07 09:30"));
}
