// The cursor against a model of its descent over a std::map, through long
// random runs of walks in both directions mixed with lookups, replacements,
// insertions and removals, on trees from a handful of records to thousands.
#include <map>
#include <optional>
#include <random>

#include "TreeTestSupport.h"

namespace {

// Where any descent leaves the cursor, worked out from the keys alone: the
// probe lands on the largest key not above it (the smallest key when there is
// none); the keys after and before that one become the next and previous keys
// where they exist, and a landing key below the probe is the previous key.
class CursorModel {
  public:
    std::map<int, unsigned char> records;

    StoreResult Find(int k) {
        next_.reset();
        prev_.reset();
        return Land(k);
    }
    StoreResult First() {
        next_.reset();
        prev_.reset();
        return records.empty() ? StoreResult::NotFound : Land(records.begin()->first);
    }
    StoreResult Next() { return Step(next_); }
    StoreResult Prev() { return Step(prev_); }
    int Landed() const { return landed_; }

  private:
    StoreResult Step(std::optional<int>& side) {
        if (!side) {
            return StoreResult::NotFound;
        }
        int probe = *side;
        side.reset();
        return Land(probe);
    }

    StoreResult Land(int probe) {
        if (records.empty()) {
            return StoreResult::NotFound;
        }
        auto at = records.upper_bound(probe);
        if (at != records.begin()) {
            --at;
        }
        if (std::next(at) != records.end()) {
            next_ = std::next(at)->first;
        }
        if (at != records.begin()) {
            prev_ = std::prev(at)->first;
        }
        if (at->first < probe) {
            prev_ = at->first;
        }
        landed_ = at->first;
        return at->first == probe ? StoreResult::Done : StoreResult::NotFound;
    }

    std::optional<int> next_;
    std::optional<int> prev_;
    int landed_ = -1;
};

class CursorCheck {
  public:
    CursorCheck(unsigned seed, int keyRange) : rng_(seed), keyRange_(keyRange) {}

    int RandomKey() { return std::uniform_int_distribution<int>(0, keyRange_)(rng_); }
    int Roll(int sides) { return std::uniform_int_distribution<int>(0, sides - 1)(rng_); }

    void Insert(int k) {
        auto fill = static_cast<unsigned char>(Roll(251));
        ASSERT_EQ(tree_.Insert(NumberedRecord(k, fill)),
                  model_.records.count(k) ? StoreResult::KeyExists : StoreResult::Done);
        model_.records.emplace(k, fill);
        lastHit_ = false;
    }
    void Remove(int k) {
        ASSERT_EQ(tree_.Remove(KeyOf(NumberedRecord(k))),
                  model_.records.erase(k) ? StoreResult::Done : StoreResult::NotFound);
        lastHit_ = false;
    }
    void Replace(int k) {
        auto fill = static_cast<unsigned char>(Roll(251));
        const bool stored = model_.records.count(k) != 0;
        ASSERT_EQ(tree_.Replace(NumberedRecord(k, fill)),
                  stored ? StoreResult::Done : StoreResult::NotFound);
        static_cast<void>(model_.Find(k));  // only the cursor, set around the key
        if (stored) {
            model_.records[k] = fill;
        }
        lastHit_ = false;
    }
    void Find(int k) { Expect(tree_.Find(KeyOf(NumberedRecord(k)), out_), model_.Find(k), "Find"); }
    void First() { Expect(tree_.First(out_), model_.First(), "First"); }
    void Next() { Expect(tree_.Next(out_), model_.Next(), "Next"); }
    void Prev() { Expect(tree_.Prev(out_), model_.Prev(), "Prev"); }

    // The record just reached, removed as the batch's purge removes it: by
    // its key or by the store's own record of it, which a step that reached
    // none, or a change since, leaves without one. Each removal works up the
    // path and leaves it on a neighbour, so the tree is checked after each.
    void RemoveReached() {
        if (Roll(2) == 0) {
            if (lastHit_) {
                Remove(NumberOf(KeyOf(out_)));
            }
        } else {
            ASSERT_EQ(tree_.RemoveReached(), lastHit_ ? StoreResult::Done : StoreResult::NotFound);
            if (lastHit_) {
                model_.records.erase(NumberOf(KeyOf(out_)));
            }
        }
        lastHit_ = false;
        Sound();
    }

    void Sound() { ExpectSound(tree_); }

  private:
    void Expect(StoreResult result, StoreResult expected, const char* what) {
        ASSERT_EQ(result, expected) << what;
        lastHit_ = result == StoreResult::Done;
        if (lastHit_) {
            ASSERT_EQ(NumberOf(KeyOf(out_)), model_.Landed()) << what;
            ASSERT_EQ(out_[kKeySize], model_.records.at(model_.Landed())) << what;
        }
    }

    SubjTree tree_{"h"};
    CursorModel model_;
    RecordText out_{};
    bool lastHit_ = false;
    std::mt19937 rng_;
    int keyRange_;
};

// Long runs of steps one way, the odd turn, and changes in between.
void RunRandomCursor(CursorCheck& check, int steps) {
    for (int step = 0; step < steps; ++step) {
        const int roll = check.Roll(100);
        if (roll < 35) {
            check.Next();
        } else if (roll < 60) {
            check.Prev();
        } else if (roll < 66) {
            check.Find(check.RandomKey());
        } else if (roll < 68) {
            check.First();
        } else if (roll < 72) {
            check.Replace(check.RandomKey());
        } else if (roll < 82) {
            check.Insert(check.RandomKey());
        } else if (roll < 88) {
            check.Remove(check.RandomKey());
        } else {
            check.RemoveReached();
        }
        if (::testing::Test::HasFatalFailure()) {
            FAIL() << "at step " << step;
        }
    }
    check.Sound();
}

TEST(SubjTreeCursor, RandomWalksAgreeWithTheModelOfTheDescent) {
    for (int keyRange : {8, 40, 300, 3000}) {
        for (unsigned seed = 1; seed <= 3; ++seed) {
            CursorCheck check(seed * 7919 + static_cast<unsigned>(keyRange), keyRange);
            for (int k = 0; k < keyRange / 2; ++k) {
                check.Insert(check.RandomKey());
            }
            RunRandomCursor(check, 20000);
            if (::testing::Test::HasFatalFailure()) {
                FAIL() << "key range " << keyRange << ", seed " << seed;
            }
        }
    }
}

// Whole walks each way over trees of every height up to five, checked record by record.
TEST(SubjTreeCursor, FullWalksBothWaysOverManySizes) {
    for (int size : {0, 1, 2, 5, 6, 7, 17, 18, 54, 55, 163, 500, 1500}) {
        CursorCheck check(static_cast<unsigned>(size), size * 4);
        for (int k = 0; k < size; ++k) {
            check.Insert(k * 4 + 1);
        }
        check.First();
        for (int k = 0; k < size; ++k) {
            check.Next();
        }
        check.Find(size * 4 + 2);
        for (int k = 0; k <= size; ++k) {
            check.Prev();
        }
        if (::testing::Test::HasFatalFailure()) {
            FAIL() << "size " << size;
        }
    }
}

}  // namespace
