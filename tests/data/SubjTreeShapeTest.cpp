// The shapes the tree must take for small, known sequences of keys.
#include "TreeTestSupport.h"

namespace {

void InsertAll(SubjTree& tree, std::initializer_list<int> keys) {
    for (int k : keys) {
        ASSERT_EQ(tree.Insert(NumberedRecord(k)), StoreResult::Done) << k;
        ExpectSound(tree);
    }
}

StoreResult RemoveKey(SubjTree& tree, int k) {
    return tree.Remove(KeyOf(NumberedRecord(k)));
}

TEST(SubjTreeShape, GrowsFromLeafToRootBranchToTwoLevels) {
    SubjTree tree("h");
    InsertAll(tree, {1});
    EXPECT_EQ(Shape(tree), "1");
    InsertAll(tree, {2});
    EXPECT_EQ(Shape(tree), "[1 2]");
    InsertAll(tree, {3, 4, 5});
    EXPECT_EQ(Shape(tree), "[1 2 3 4 5]");
    InsertAll(tree, {6});
    EXPECT_EQ(Shape(tree), "[[1 2 3] [4 5 6]]");
}

TEST(SubjTreeShape, SixKeysInEitherOrderSplitTheSameWay) {
    SubjTree ascending("h");
    InsertAll(ascending, {1, 2, 3, 4, 5, 6});
    SubjTree descending("h");
    InsertAll(descending, {6, 5, 4, 3, 2, 1});
    EXPECT_EQ(Shape(ascending), "[[1 2 3] [4 5 6]]");
    EXPECT_EQ(Shape(descending), "[[1 2 3] [4 5 6]]");
}

TEST(SubjTreeShape, RemovingTheFirstOrTheLastOfSixMergesIntoOneBranch) {
    for (const auto& [removed, shape] :
         {std::pair<int, const char*>{6, "[1 2 3 4 5]"}, {1, "[2 3 4 5 6]"}}) {
        SubjTree tree("h");
        InsertAll(tree, {1, 2, 3, 4, 5, 6});
        EXPECT_EQ(RemoveKey(tree, removed), StoreResult::Done);
        ExpectSound(tree);
        EXPECT_EQ(Shape(tree), shape) << removed;
    }
}

TEST(SubjTreeShape, RemovingTheFirstOfSevenBorrowsFromTheRight) {
    SubjTree tree("h");
    InsertAll(tree, {1, 2, 3, 4, 5, 6, 7});
    EXPECT_EQ(Shape(tree), "[[1 2 3] [4 5 6 7]]");
    EXPECT_EQ(RemoveKey(tree, 1), StoreResult::Done);
    ExpectSound(tree);
    EXPECT_EQ(Shape(tree), "[[2 3 4] [5 6 7]]");
    // Separator 1 of the root is the smallest key of the right branch.
    RecordText out{};
    EXPECT_EQ(tree.Find(KeyOf(NumberedRecord(5)), out), StoreResult::Done);
    EXPECT_EQ(tree.Prev(out), StoreResult::Done);
    EXPECT_EQ(NumberOf(KeyOf(out)), 4);
}

TEST(SubjTreeShape, RemovingDownToNothing) {
    SubjTree tree("h");
    InsertAll(tree, {1, 2, 3});
    EXPECT_EQ(RemoveKey(tree, 2), StoreResult::Done);
    EXPECT_EQ(RemoveKey(tree, 3), StoreResult::Done);
    EXPECT_EQ(Shape(tree), "1");
    EXPECT_EQ(RemoveKey(tree, 1), StoreResult::Done);
    EXPECT_EQ(Shape(tree), "");
    RecordText out{};
    EXPECT_EQ(tree.First(out), StoreResult::NotFound);
    EXPECT_EQ(RemoveKey(tree, 1), StoreResult::NotFound);
}

TEST(SubjTreeShape, EqualKeyIsRefusedAndChangesNothing) {
    SubjTree tree("h");
    InsertAll(tree, {1, 2, 3, 4, 5, 6, 7});
    const std::string before = Shape(tree);
    for (int k = 1; k <= 7; ++k) {
        EXPECT_EQ(tree.Insert(NumberedRecord(k, 0x55)), StoreResult::KeyExists);
    }
    EXPECT_EQ(Shape(tree), before);
    RecordText out{};
    ASSERT_EQ(tree.Find(KeyOf(NumberedRecord(4)), out), StoreResult::Done);
    EXPECT_EQ(out[kKeySize], 0);
    EXPECT_EQ(RemoveKey(tree, 8), StoreResult::NotFound);
}

TEST(SubjTreeShape, CursorAfterAMissBeyondTheLargestKey) {
    SubjTree tree("h");
    InsertAll(tree, {1, 2, 3, 4, 5, 6, 7, 8, 9});
    RecordText out{};
    EXPECT_EQ(tree.Find(KeyOf(NumberedRecord(100)), out), StoreResult::NotFound);
    EXPECT_EQ(tree.Next(out), StoreResult::NotFound);
    for (int expected = 9; expected >= 1; --expected) {
        ASSERT_EQ(tree.Prev(out), StoreResult::Done);
        EXPECT_EQ(NumberOf(KeyOf(out)), expected);
    }
    EXPECT_EQ(tree.Prev(out), StoreResult::NotFound);
}

TEST(SubjTreeShape, ReplaceChangesOnlyTheBytesAfterTheKey) {
    SubjTree tree("h");
    InsertAll(tree, {1, 2, 3});
    EXPECT_EQ(tree.Replace(NumberedRecord(2, 0x77)), StoreResult::Done);
    EXPECT_EQ(tree.Replace(NumberedRecord(4, 0x77)), StoreResult::NotFound);
    RecordText out{};
    ASSERT_EQ(tree.Find(KeyOf(NumberedRecord(2)), out), StoreResult::Done);
    EXPECT_EQ(out[kKeySize], 0x77);
    ASSERT_EQ(tree.Find(KeyOf(NumberedRecord(3)), out), StoreResult::Done);
    EXPECT_EQ(out[kKeySize], 0);
}

TEST(SubjTreeShape, FindMayWriteOverItsOwnKey) {
    SubjTree tree("h");
    InsertAll(tree, {1, 2, 3});
    ASSERT_EQ(tree.Replace(NumberedRecord(2, 0x42)), StoreResult::Done);
    RecordText buffer = NumberedRecord(2);
    ASSERT_EQ(tree.Find(KeyOf(buffer), buffer), StoreResult::Done);
    EXPECT_EQ(buffer[kKeySize], 0x42);
}

}  // namespace
