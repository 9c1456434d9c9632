// Generation from repeating subjects: each rule alone and together, at the
// edges of months, leap years, the year end and the 43-day window, what
// happens to subjects already on a generated day, and a list out of memory.
#include <gtest/gtest.h>

#include "BatchTestSupport.h"
#include "CalendarDay.h"
#include "ExpandRepSubj.h"
#include "MemoryGone.h"

using namespace batchtest;
using Strings = std::vector<std::string>;

namespace {

// The dates `rep` generates into an empty list when today is y-m-d.
Strings Generated(const RepSubj& rep, int y, int m, int d) {
    ScopedClock clock(LocalTime::Make(y, m, d, 10));
    IndivSubjList indiv;
    EXPECT_EQ(ExpandRepSubj(rep, indiv), StoreResult::Done);
    EXPECT_EQ(DatesOf(indiv, rep.title).size(), Contents(indiv).size());
    return DatesOf(indiv, rep.title);
}

RepSubj Yearly(int month, int day) {
    RepSubj r = Rep("yearly");
    r.yearlyMonth = static_cast<std::int16_t>(month);
    r.yearlyDay = static_cast<std::int16_t>(day);
    return r;
}

RepSubj MonthlyDay(int day) {
    RepSubj r = Rep("monthly");
    r.monthlyDay = static_cast<std::int16_t>(day);
    return r;
}

RepSubj MonthlyWeek(int week, int weekday) {
    RepSubj r = Rep("nth weekday");
    r.monthlyWeek = static_cast<std::int16_t>(week);
    r.monthlyWeekday = static_cast<std::int16_t>(weekday);
    return r;
}

RepSubj Weekly(std::array<std::uint8_t, 7> flags) {
    RepSubj r = Rep("weekly");
    r.weekly = flags;
    return r;
}

}  // namespace

TEST(WeekOfMonth, CountsOccurrencesOfAWeekdayNotCalendarRows) {
    const int expected[] = {1, 1, 1, 1, 1, 1, 1, 2, 2, 2, 2, 2, 2, 2, 3, 3,
                            3, 3, 3, 3, 3, 4, 4, 4, 4, 4, 4, 4, 5, 5, 5};
    for (int day = 1; day <= 31; ++day) {
        EXPECT_EQ(WeekOfMonth(day), expected[day - 1]) << day;
    }
}

TEST(ExpandRepSubj, YearlyLeapDayOnlyWhenThe29thOfFebruaryIsInTheWindow) {
    EXPECT_EQ(Generated(Yearly(2, 29), 2024, 2, 10), Strings{"2024-02-29"});
    EXPECT_EQ(Generated(Yearly(2, 29), 2024, 2, 29), Strings{"2024-02-29"});
    EXPECT_EQ(Generated(Yearly(2, 29), 2023, 2, 10), Strings{});
    EXPECT_EQ(Generated(Yearly(2, 29), 2024, 3, 1), Strings{});
    // 18 January + 42 days is 29 February; from the 17th it is day 43, outside.
    EXPECT_EQ(Generated(Yearly(2, 29), 2028, 1, 18), Strings{"2028-02-29"});
    EXPECT_EQ(Generated(Yearly(2, 29), 2028, 1, 17), Strings{});
}

TEST(ExpandRepSubj, MonthlyDayNeverMovesToTheLastDayOfAShortMonth) {
    EXPECT_EQ(Generated(MonthlyDay(31), 2023, 3, 20), Strings{"2023-03-31"});
    EXPECT_EQ(Generated(MonthlyDay(31), 2023, 4, 1), Strings{});
    EXPECT_EQ(Generated(MonthlyDay(31), 2023, 7, 20), (Strings{"2023-07-31", "2023-08-31"}));
    EXPECT_EQ(Generated(MonthlyDay(29), 2023, 2, 1), Strings{});
    EXPECT_EQ(Generated(MonthlyDay(29), 2024, 2, 1), Strings{"2024-02-29"});
}

TEST(ExpandRepSubj, NthWeekdayIsTheNthOccurrenceInTheMonth) {
    // January 2024 starts on a Monday; February on a Thursday.
    EXPECT_EQ(Generated(MonthlyWeek(1, 1), 2024, 1, 1), (Strings{"2024-01-01", "2024-02-05"}));
    EXPECT_EQ(Generated(MonthlyWeek(5, 3), 2024, 1, 1), Strings{"2024-01-31"});
    EXPECT_EQ(Generated(MonthlyWeek(5, 4), 2024, 2, 1), Strings{"2024-02-29"});
    EXPECT_EQ(Generated(MonthlyWeek(5, 5), 2024, 2, 1), Strings{});  // February has four Fridays
    EXPECT_EQ(Generated(MonthlyWeek(5, 5), 2024, 3, 1), Strings{"2024-03-29"});
}

TEST(ExpandRepSubj, SundayIsSevenInBothWeekdayRules) {
    EXPECT_EQ(Generated(MonthlyWeek(2, 7), 2024, 1, 1), (Strings{"2024-01-14", "2024-02-11"}));
    EXPECT_EQ(Generated(Weekly({0, 0, 0, 0, 0, 0, 1}), 2024, 1, 1),
              (Strings{"2024-01-07", "2024-01-14", "2024-01-21", "2024-01-28", "2024-02-04",
                       "2024-02-11"}));
    EXPECT_EQ(Generated(Weekly({1, 0, 0, 0, 0, 0, 0}), 2024, 1, 1),
              (Strings{"2024-01-01", "2024-01-08", "2024-01-15", "2024-01-22", "2024-01-29",
                       "2024-02-05", "2024-02-12"}));
}

TEST(ExpandRepSubj, TheWindowRunsAcrossTheYearEndForFortyThreeDays) {
    EXPECT_EQ(Generated(MonthlyDay(1), 2023, 12, 20), Strings{"2024-01-01"});
    EXPECT_EQ(Generated(Yearly(1, 31), 2023, 12, 20), Strings{"2024-01-31"});
    EXPECT_EQ(Generated(Yearly(12, 20), 2023, 12, 20), Strings{"2023-12-20"});
    EXPECT_EQ(Generated(Yearly(12, 19), 2023, 12, 20), Strings{});
    Strings every = Generated(Weekly({1, 1, 1, 1, 1, 1, 1}), 2023, 12, 20);
    ASSERT_EQ(every.size(), 43u);
    for (int i = 0; i < 43; ++i) {
        EXPECT_EQ(every[static_cast<std::size_t>(i)], DateText(AddDays(MakeYmd(2023, 12, 20), i)));
    }
}

TEST(ExpandRepSubj, ARuleWithAnUnsetFieldNeverMatches) {
    RepSubj monthOnly = Yearly(3, 0);
    RepSubj dayOnly = Yearly(0, 15);
    RepSubj weekOnly = MonthlyWeek(2, 0);
    RepSubj weekdayOnly = MonthlyWeek(0, 3);
    RepSubj nothing = Rep("nothing");
    RepSubj flagNotOne = Weekly({2, 2, 2, 2, 2, 2, 2});
    for (const RepSubj& rep : {monthOnly, dayOnly, weekOnly, weekdayOnly, nothing, flagNotOne}) {
        EXPECT_EQ(Generated(rep, 2024, 3, 1), Strings{}) << rep.title;
    }
}

TEST(ExpandRepSubj, RulesHittingTheSameDayGiveOneSubject) {
    RepSubj rep = Weekly({1, 0, 0, 0, 0, 0, 0});
    rep.monthlyWeek = 1;
    rep.monthlyWeekday = 1;
    rep.monthlyDay = 1;
    rep.yearlyMonth = 1;
    rep.yearlyDay = 1;
    // 1 January 2024 is a Monday, so all four rules hold on it.
    EXPECT_EQ(Generated(rep, 2024, 1, 1),
              (Strings{"2024-01-01", "2024-01-08", "2024-01-15", "2024-01-22", "2024-01-29",
                       "2024-02-01", "2024-02-05", "2024-02-12"}));
}

TEST(ExpandRepSubj, TheGeneratedSubjectCarriesTheRepeatingOnesFields) {
    ScopedClock clock(LocalTime::Make(2024, 5, 1, 10));
    RepSubj rep = Rep("\x92\xA9\x89\xEF", Progress::NotTracked);  // 朝会
    rep.yearlyMonth = 5;
    rep.yearlyDay = 2;
    rep.hour = 7;
    rep.minute = 30;
    rep.content = "room 4<br>bring notes";
    IndivSubjList indiv;
    EXPECT_EQ(ExpandRepSubj(rep, indiv), StoreResult::Done);
    ASSERT_EQ(Contents(indiv).size(), 1u);
    IndivSubj s = Contents(indiv)[0];
    EXPECT_EQ(DateText(s), "2024-05-02");
    EXPECT_EQ(s.title, rep.title);
    EXPECT_EQ(s.hour, 7);
    EXPECT_EQ(s.minute, 30);
    EXPECT_EQ(s.progress, Progress::NotTracked);
    EXPECT_EQ(s.content, "room 4<br>bring notes");
    EXPECT_EQ(s.origin, rep.title);
}

TEST(ExpandRepSubj, ASubjectAlreadyOnAGeneratedKeyIsNeverOverwritten) {
    ScopedClock clock(LocalTime::Make(2024, 1, 1, 10));
    RepSubj rep = Weekly({1, 0, 0, 0, 0, 0, 0});
    IndivSubjList indiv;
    IndivSubj byHand = Indiv(MakeYmd(2024, 1, 8), rep.title, Progress::Done);
    byHand.hour = 23;
    byHand.content = "mine";
    Put(indiv, byHand);
    IndivSubj edited = Indiv(MakeYmd(2024, 1, 15), rep.title, Progress::Open, rep.title);
    edited.content = "changed";
    Put(indiv, edited);
    EXPECT_EQ(ExpandRepSubj(rep, indiv), StoreResult::Done);
    std::vector<IndivSubj> all = Contents(indiv);
    ASSERT_EQ(all.size(), 7u);
    EXPECT_EQ(Describe(all[1]), Describe(byHand));
    EXPECT_EQ(Describe(all[2]), Describe(edited));
}

TEST(ExpandRepSubj, ADeletedOrRenamedGeneratedSubjectComesBackWhileInTheWindow) {
    ScopedClock clock(LocalTime::Make(2024, 1, 1, 10));
    RepSubj rep = Weekly({1, 0, 0, 0, 0, 0, 0});
    IndivSubjList indiv;
    EXPECT_EQ(ExpandRepSubj(rep, indiv), StoreResult::Done);
    indiv.current = Indiv(MakeYmd(2024, 1, 8), rep.title, Progress::Open);
    ASSERT_EQ(indiv.Remove(), StoreResult::Done);
    indiv.current = Indiv(MakeYmd(2024, 1, 15), rep.title, Progress::Open);
    ASSERT_EQ(indiv.Remove(), StoreResult::Done);
    Put(indiv, Indiv(MakeYmd(2024, 1, 15), "renamed", Progress::Open, rep.title));
    EXPECT_EQ(ExpandRepSubj(rep, indiv), StoreResult::Done);
    EXPECT_EQ(DatesOf(indiv, rep.title).size(), 7u);
    EXPECT_EQ(DatesOf(indiv, "renamed"), Strings{"2024-01-15"});
    // Once its date has left the window it is gone for good.
    clock.Set(LocalTime::Make(2024, 1, 9, 10));
    indiv.current = Indiv(MakeYmd(2024, 1, 8), rep.title, Progress::Open);
    ASSERT_EQ(indiv.Remove(), StoreResult::Done);
    EXPECT_EQ(ExpandRepSubj(rep, indiv), StoreResult::Done);
    EXPECT_EQ(DatesOf(indiv, rep.title).front(), "2024-01-01");
    EXPECT_EQ(DatesOf(indiv, rep.title)[1], "2024-01-15");
}

TEST(ExpandAllRepSubj, ExpandsEveryRepeatingSubjectAndLeavesTheirListAlone) {
    ScopedClock clock(LocalTime::Make(2024, 1, 1, 10));
    RepSubjList reps;
    for (RepSubj r :
         {Yearly(1, 2), MonthlyDay(3), MonthlyWeek(1, 4), Weekly({0, 0, 0, 0, 1, 0, 0})}) {
        reps.current = r;
        ASSERT_EQ(reps.Insert(), StoreResult::Done);
    }
    reps.current = Rep("not stored");
    IndivSubjList indiv;
    EXPECT_EQ(ExpandAllRepSubj(reps, indiv), StoreResult::Done);
    EXPECT_EQ(DatesOf(indiv, "yearly"), Strings{"2024-01-02"});
    EXPECT_EQ(DatesOf(indiv, "monthly"), (Strings{"2024-01-03", "2024-02-03"}));
    EXPECT_EQ(DatesOf(indiv, "nth weekday"), (Strings{"2024-01-04", "2024-02-01"}));
    EXPECT_EQ(DatesOf(indiv, "weekly").size(), 6u);
    EXPECT_EQ(Contents(indiv).size(), 11u);
    EXPECT_EQ(reps.current.title, "not stored");
    std::vector<std::string> titles;
    for (StoreResult r = reps.First(); r == StoreResult::Done; r = reps.Next()) {
        titles.push_back(reps.current.title);
    }
    EXPECT_EQ(titles, (Strings{"monthly", "nth weekday", "weekly", "yearly"}));
}

TEST(ExpandAllRepSubj, AnEmptyRepeatingListGeneratesNothing) {
    RepSubjList reps;
    IndivSubjList indiv;
    EXPECT_EQ(ExpandAllRepSubj(reps, indiv), StoreResult::Done);
    EXPECT_TRUE(Contents(indiv).empty());
}

// A subject the list could not take for want of memory is no subject generated: the batch says
// so, keeps every subject it did store, and a later run with memory fills in the rest.
TEST(ExpandAllRepSubj, MemoryRunningOutIsToldAndTheNextRunFillsIn) {
    ScopedClock clock(LocalTime::Make(2024, 1, 1, 10));
    RepSubjList reps;
    for (int n = 0; n < 10; ++n) {
        RepSubj daily = Rep("daily " + std::to_string(n));
        daily.weekly = {1, 1, 1, 1, 1, 1, 1};
        reps.current = daily;
        ASSERT_EQ(reps.Insert(), StoreResult::Done);
    }
    IndivSubjList indiv;
    // The user's own change to a generated day stands through every run.
    IndivSubj edited = Indiv(MakeYmd(2024, 1, 5), "daily 3", Progress::Done, "daily 3");
    edited.hour = 9;
    edited.minute = 0;
    Put(indiv, edited);
    {
        MemoryGone gone;
        EXPECT_EQ(ExpandAllRepSubj(reps, indiv), StoreResult::OutOfMemory);
    }
    const std::size_t taken = Contents(indiv).size();
    EXPECT_LT(taken, 430u);
    EXPECT_TRUE(indiv.Tree().CheckInvariants().empty());

    EXPECT_EQ(ExpandAllRepSubj(reps, indiv), StoreResult::Done);
    EXPECT_EQ(Contents(indiv).size(), 430u);
    indiv.current = edited;
    ASSERT_EQ(indiv.Find(), StoreResult::Done);
    EXPECT_EQ(indiv.current.progress, Progress::Done);
}
