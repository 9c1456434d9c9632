// The store when memory runs out: an insert that cannot get a node answers -1
// and every record already stored stays, whole and in order, wherever in its
// blocks the store happens to be.
#include <iterator>
#include <map>
#include <new>
#include <random>

#include "MemoryGone.h"
#include "SubjList.h"
#include "TreeTestSupport.h"

namespace {

void ExpectHolds(const SubjTree& tree, const std::map<int, unsigned char>& model) {
    ExpectSound(tree);
    auto it = model.begin();
    tree.VisitInOrder([&](const RecordText& r) {
        EXPECT_NE(it, model.end());
        if (it == model.end()) {
            return false;
        }
        EXPECT_EQ(NumberOf(KeyOf(r)), it->first);
        EXPECT_EQ(r[kKeySize], it->second);
        ++it;
        return true;
    });
    EXPECT_EQ(it, model.end());
}

TEST(SubjTreeMemory, AnInsertWithoutMemoryAnswersMinusOneAndKeepsEveryRecord) {
    for (int stored : {0, 1, 5, 15, 16, 17, 100, 1000, 5000}) {
        SubjTree tree("h");
        std::map<int, unsigned char> model;
        std::mt19937 rng(static_cast<unsigned>(stored));
        std::uniform_int_distribution<int> key(0, 999999);
        auto insert = [&](int k) {
            auto fill = static_cast<unsigned char>(k % 251);
            StoreResult result = tree.Insert(NumberedRecord(k, fill));
            if (result == StoreResult::Done) {
                model.emplace(k, fill);
            }
            return result;
        };
        while (static_cast<int>(model.size()) < stored) {
            ASSERT_NE(insert(key(rng)), StoreResult::OutOfMemory);
        }
        std::vector<int> refused;
        {
            MemoryGone gone;
            // The nodes left in the blocks are used up first; then every
            // insert is refused.
            for (int n = 0; n < 10000 && refused.size() < 50; ++n) {
                int k = key(rng);
                const bool taken = model.count(k) != 0;
                StoreResult result = insert(k);
                // A taken key may be refused for either reason.
                if (result == StoreResult::KeyExists) {
                    ASSERT_TRUE(taken) << stored;
                } else if (result == StoreResult::OutOfMemory) {
                    refused.push_back(k);
                } else {
                    ASSERT_FALSE(taken) << stored;
                }
            }
            ASSERT_EQ(refused.size(), 50u) << stored;
            ExpectHolds(tree, model);
            // Removing needs no memory.
            for (int n = 0; n < 20 && !model.empty(); ++n) {
                auto victim = model.begin();
                std::advance(victim, static_cast<long>(rng() % model.size()));
                ASSERT_EQ(tree.Remove(KeyOf(NumberedRecord(victim->first))), StoreResult::Done);
                model.erase(victim);
            }
            ExpectHolds(tree, model);
        }
        for (int k : refused) {
            const StoreResult expected =
                model.count(k) ? StoreResult::KeyExists : StoreResult::Done;
            ASSERT_EQ(insert(k), expected);
        }
        ExpectHolds(tree, model);
        if (HasFailure()) {
            FAIL() << stored << " records stored before";
        }
    }
}

// A merge's records take a list's place whole or not at all: a list left
// half filled would be saved, and sent as deletions at the next merge.
TEST(SubjTreeMemory, AssignThatRunsOutOfMemoryLeavesTheListAsItWas) {
    IndivSubjList list;
    std::map<int, unsigned char> old;
    std::vector<RecordText> merged;
    for (int k = 0; k < 300; ++k) {
        if (k % 3 == 0) {
            old.emplace(k, static_cast<unsigned char>(k % 251));
        }
        merged.push_back(NumberedRecord(k, 7));
    }
    std::vector<RecordText> oldRecords;
    for (const auto& [k, fill] : old) {
        oldRecords.push_back(NumberedRecord(k, fill));
    }
    ASSERT_EQ(list.Assign(oldRecords), StoreResult::Done);
    {
        MemoryGone gone;
        EXPECT_EQ(list.Assign(merged), StoreResult::OutOfMemory);
    }
    ExpectHolds(list.Tree(), old);

    ASSERT_EQ(list.Assign(merged), StoreResult::Done);
    std::map<int, unsigned char> all;
    for (int k = 0; k < 300; ++k) {
        all.emplace(k, 7);
    }
    ExpectHolds(list.Tree(), all);
}

}  // namespace
