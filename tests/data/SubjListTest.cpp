// The subject lists: operations on `current`, and the two walks that follow
// a repeating subject's generated subjects.
#include <gtest/gtest.h>

#include "Clock.h"
#include "SubjList.h"

namespace {

IndivSubj Subj(int d, const std::string& title, Progress p = Progress::Open,
               const std::string& origin = "") {
    IndivSubj s;
    s.year = 2024;
    s.month = 5;
    s.day = static_cast<std::int16_t>(d);
    s.title = title;
    s.hour = 10;
    s.progress = p;
    s.origin = origin;
    return s;
}

void Put(IndivSubjList& list, const IndivSubj& s) {
    list.current = s;
    ASSERT_EQ(list.Insert(), StoreResult::Done);
}

// What `get` takes from each subject of `list`, in key order.
template <typename Get>
auto Each(IndivSubjList& list, const Get& get) {
    std::vector<decltype(get(list.current))> values;
    for (StoreResult r = list.First(); r == StoreResult::Done; r = list.Next())
        values.push_back(get(list.current));
    return values;
}

std::vector<std::string> Titles(IndivSubjList& list) {
    return Each(list, [](const IndivSubj& s) { return s.title; });
}

TEST(IndivSubjList, FindByDateAndTitleFillsEveryField) {
    ScopedClock clock(LocalTime::Make(2024, 5, 1, 12));
    IndivSubjList list;
    IndivSubj s = Subj(3, "meeting", Progress::Done, "weekly");
    s.content = "room 4";
    s.minute = 45;
    Put(list, s);
    list.current = IndivSubj{};
    list.current.year = 2024;
    list.current.month = 5;
    list.current.day = 3;
    list.current.title = "meeting";
    ASSERT_EQ(list.Find(), StoreResult::Done);
    EXPECT_EQ(list.current.content, "room 4");
    EXPECT_EQ(list.current.hour, 10);
    EXPECT_EQ(list.current.minute, 45);
    EXPECT_EQ(list.current.progress, Progress::Done);
    EXPECT_EQ(list.current.origin, "weekly");
    EXPECT_EQ(list.current.daysLeft, 2);
    EXPECT_EQ(list.current.overdue, 0);
}

TEST(IndivSubjList, InsertStoresTheTrimmedTitleAndRefusesATakenKey) {
    ScopedClock clock(LocalTime::Make(2024, 5, 1, 12));
    IndivSubjList list;
    list.current = Subj(1, "call   ");
    list.current.daysLeft = 99;
    ASSERT_EQ(list.Insert(), StoreResult::Done);
    EXPECT_EQ(list.current.title, "call");
    EXPECT_EQ(list.current.daysLeft, 0);  // refreshed from the stored record
    list.current = Subj(1, "call");
    list.current.hour = 14;
    EXPECT_EQ(list.Insert(), StoreResult::KeyExists);
    ASSERT_EQ(list.Find(), StoreResult::Done);
    EXPECT_EQ(list.current.hour, 10);
}

TEST(IndivSubjList, ReplaceUnderAChangedTitleFindsNothingAndKeepsTheOld) {
    IndivSubjList list;
    Put(list, Subj(1, "old"));
    list.current.title = "new";
    list.current.content = "changed";
    EXPECT_EQ(list.Replace(), StoreResult::NotFound);
    list.current = Subj(1, "old");
    ASSERT_EQ(list.Find(), StoreResult::Done);
    EXPECT_EQ(list.current.content, "");
    list.current.content = "changed";
    EXPECT_EQ(list.Replace(), StoreResult::Done);
    list.current.content.clear();
    ASSERT_EQ(list.Find(), StoreResult::Done);
    EXPECT_EQ(list.current.content, "changed");
}

TEST(IndivSubjList, NextAfterTheLastLeavesItInCurrent) {
    IndivSubjList list;
    Put(list, Subj(1, "a"));
    Put(list, Subj(2, "b"));
    ASSERT_EQ(list.First(), StoreResult::Done);
    ASSERT_EQ(list.Next(), StoreResult::Done);
    EXPECT_EQ(list.Next(), StoreResult::NotFound);
    EXPECT_EQ(list.current.title, "b");
    EXPECT_EQ(list.Prev(), StoreResult::Done);
    EXPECT_EQ(list.current.title, "a");
}

TEST(IndivSubjList, RemoveGeneratedTakesOnlyNotTrackedAndDoneOfThatOrigin) {
    IndivSubjList list;
    Put(list, Subj(1, "w", Progress::NotTracked, "weekly"));
    Put(list, Subj(2, "w", Progress::Open, "weekly"));
    Put(list, Subj(3, "w", Progress::Done, "weekly"));
    Put(list, Subj(4, "w", Progress::Done, "weekly2"));
    Put(list, Subj(5, "hand", Progress::NotTracked));
    Put(list, Subj(6, "w", Progress::NotTracked, "weekly"));
    EXPECT_EQ(list.RemoveGenerated("nothing"), StoreResult::Done);
    EXPECT_EQ(Titles(list).size(), 6u);
    EXPECT_EQ(list.RemoveGenerated("weekly"), StoreResult::Done);
    EXPECT_EQ(Each(list, [](const IndivSubj& s) { return int{s.day}; }),
              (std::vector<int>{2, 4, 5}));
}

TEST(IndivSubjList, RenameOriginRelinksEveryStateAndStoresTheTrimmedTitle) {
    IndivSubjList list;
    Put(list, Subj(1, "w", Progress::NotTracked, "old"));
    Put(list, Subj(2, "w", Progress::Open, "old"));
    Put(list, Subj(3, "w", Progress::Done, "old"));
    Put(list, Subj(4, "w", Progress::Done, "other"));
    EXPECT_EQ(list.RenameOrigin("old", "new  "), StoreResult::Done);
    EXPECT_EQ(Each(list, [](const IndivSubj& s) { return s.origin; }),
              (std::vector<std::string>{"new", "new", "new", "other"}));
}

TEST(RepSubjList, TitleIsTheKey) {
    RepSubjList list;
    list.current.title = "b";
    ASSERT_EQ(list.Insert(), StoreResult::Done);
    list.current = RepSubj{};
    list.current.title = "a";
    list.current.monthlyDay = 3;
    ASSERT_EQ(list.Insert(), StoreResult::Done);
    list.current = RepSubj{};
    list.current.title = "a ";
    EXPECT_EQ(list.Insert(), StoreResult::KeyExists);
    ASSERT_EQ(list.Find(), StoreResult::Done);
    EXPECT_EQ(list.current.monthlyDay, 3);
    ASSERT_EQ(list.First(), StoreResult::Done);
    EXPECT_EQ(list.current.title, "a");
    ASSERT_EQ(list.Next(), StoreResult::Done);
    EXPECT_EQ(list.current.title, "b");
    EXPECT_EQ(list.Next(), StoreResult::NotFound);
    list.current.title = "a";
    EXPECT_EQ(list.Remove(), StoreResult::Done);
    EXPECT_EQ(list.Remove(), StoreResult::NotFound);
}

// A save writes a tab, CR, LF or NUL in a text as a blank; keys that would
// only meet in the file are one key in memory already.
TEST(RepSubjList, TitlesThatWouldBeSavedAlikeAreOneKey) {
    RepSubjList list;
    list.current.title = "a b";
    ASSERT_EQ(list.Insert(), StoreResult::Done);
    for (const char* title : {"a\tb", "a\rb", "a\nb", "a\tb\t"}) {
        list.current = RepSubj{};
        list.current.title = title;
        EXPECT_EQ(list.Insert(), StoreResult::KeyExists) << title;
        EXPECT_EQ(list.Find(), StoreResult::Done) << title;
        EXPECT_EQ(list.current.title, "a b");
    }
    list.current = RepSubj{};
    list.current.title = std::string("a\0b", 3);
    EXPECT_EQ(list.Insert(), StoreResult::KeyExists);
}

}  // namespace
