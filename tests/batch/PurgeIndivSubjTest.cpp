// The purge: untracked subjects go once their day has passed, done ones 43
// days after theirs, open ones never; and the whole batch purges first.
#include <gtest/gtest.h>

#include <random>

#include "Batch.h"
#include "BatchTestSupport.h"
#include "PurgeIndivSubj.h"

using namespace batchtest;
using Strings = std::vector<std::string>;

namespace {

// 36 double-byte characters 0xFCFC: the highest-sorting title that fits.
const std::string kHighTitle = [] {
    std::string t;
    for (int i = 0; i < 36; ++i) {
        t += "\xFC\xFC";
    }
    return t;
}();

Strings Survivors(IndivSubjList& list) {
    Strings lines;
    for (const IndivSubj& s : Contents(list)) {
        lines.push_back(DateText(s) + " " + static_cast<char>(s.progress) + " " +
                        s.title.substr(0, 4));
    }
    return lines;
}

}  // namespace

TEST(PurgeIndivSubj, RemovesUntrackedBeforeTodayAndDoneFromFortyThreeDaysBack) {
    const Ymd today = MakeYmd(2024, 3, 10);
    ScopedClock clock(LocalTime::Make(2024, 3, 10, 10));
    IndivSubjList list;
    auto put = [&](int offset, Progress p, const std::string& title) {
        IndivSubj s = Indiv(AddDays(today, offset), title, p);
        s.hour = 0;  // the time of day plays no part
        Put(list, s);
    };
    put(-400, Progress::NotTracked, "a");
    put(-1, Progress::NotTracked, "a");
    put(-1, Progress::NotTracked, kHighTitle);
    put(0, Progress::NotTracked, "a");
    put(0, Progress::NotTracked, kHighTitle);
    put(1, Progress::NotTracked, "a");
    put(-44, Progress::Done, "b");
    put(-43, Progress::Done, "b");
    put(-43, Progress::Done, kHighTitle);
    put(-42, Progress::Done, "b");
    put(-42, Progress::Done, kHighTitle);
    put(-1, Progress::Done, "b");
    put(-9000, Progress::Open, "c");
    put(-9000, static_cast<Progress>('X'), "d");
    put(-50, Progress::Open, "c");
    EXPECT_EQ(PurgeIndivSubj(list), 0);
    EXPECT_EQ(Survivors(list),
              (Strings{"1999-07-20 U c", "1999-07-20 X d", "2024-01-20 U c", "2024-01-28 C b",
                       "2024-01-28 C \xFC\xFC\xFC\xFC", "2024-03-09 C b", "2024-03-10 N a",
                       "2024-03-10 N \xFC\xFC\xFC\xFC", "2024-03-11 N a"}));
    EXPECT_TRUE(list.Tree().CheckInvariants().empty());
}

TEST(PurgeIndivSubj, AnEmptyListStaysEmpty) {
    IndivSubjList list;
    EXPECT_EQ(PurgeIndivSubj(list), 0);
    EXPECT_TRUE(Contents(list).empty());
}

TEST(PurgeIndivSubj, ALongListLosesExactlyWhatItShouldAndStaysSound) {
    const Ymd today = MakeYmd(2031, 6, 15);
    ScopedClock clock(LocalTime::Make(2031, 6, 15, 23, 59, 59));
    std::mt19937 random(7);
    const Progress letters[] = {Progress::NotTracked, Progress::Open, Progress::Done};
    IndivSubjList list;
    Strings kept;
    for (int offset = -120; offset <= 20; ++offset) {
        for (int n = 0; n < 15; ++n) {
            Progress p = letters[random() % 3];
            IndivSubj s = Indiv(AddDays(today, offset), "t" + std::to_string(n + 10), p);
            Put(list, s);
            bool gone =
                (p == Progress::NotTracked && offset < 0) || (p == Progress::Done && offset <= -43);
            if (!gone) {
                kept.push_back(Describe(s));
            }
        }
    }
    PurgeIndivSubj(list);
    EXPECT_EQ(DescribeAll(list), kept);
    EXPECT_TRUE(list.Tree().CheckInvariants().empty());
}

TEST(RunBatch, PurgesBeforeItGeneratesSoTodaysUntrackedSubjectStays) {
    ScopedClock clock(LocalTime::Make(2024, 3, 10, 18));
    RepSubjList reps;
    reps.current = Rep("daily", Progress::NotTracked);
    reps.current.weekly = {1, 1, 1, 1, 1, 1, 1};
    ASSERT_EQ(reps.Insert(), StoreResult::Done);
    IndivSubjList indiv;
    Put(indiv, Indiv(MakeYmd(2024, 3, 9), "daily", Progress::NotTracked, "daily"));
    EXPECT_EQ(RunBatch(reps, indiv), StoreResult::Done);
    Strings dates = DatesOf(indiv, "daily");
    ASSERT_EQ(dates.size(), 43u);
    EXPECT_EQ(dates.front(), "2024-03-10");
    EXPECT_EQ(dates.back(), "2024-04-21");
}

TEST(BatchQuestion, JoinsTheFourFixedLines) {
    EXPECT_EQ(BatchQuestion(),
              "・期限の過ぎた「進捗管理しない案件」を削除します。\n"
              "・本日から42日を過ぎた「完了した案件」を削除します。\n"
              "・本日から42日後までの案件を自動作成します。\n"
              "よろしいですか？");
}
