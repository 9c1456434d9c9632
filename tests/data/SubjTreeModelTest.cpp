// The store against std::map over long random sequences, with every invariant
// checked after every step, and every record still where Locate first found it.
#include <algorithm>
#include <cstdint>
#include <iterator>
#include <map>
#include <random>

#include "TreeTestSupport.h"

namespace {

StoreResult FoundIf(bool found) {
    return found ? StoreResult::Done : StoreResult::NotFound;
}

// A pick of records at random, `share` in four of them, noting what it was asked, what it
// picked and what was lent to `lent` (none when null).
class RandomSweep final : public SubjTree::Sweep {
  public:
    RandomSweep(std::mt19937& rng, int share, SubjTree::Lent* lent)
        : rng_(rng), share_(share), lent_(lent) {}
    bool Goes(const RecordText& record) override {
        asked.push_back(NumberOf(KeyOf(record)));
        const bool goes = std::uniform_int_distribution<int>(0, 3)(rng_) < share_;
        if (goes) {
            picked.push_back(asked.back());
        }
        return goes;
    }
    SubjTree::Lent* Going(const RecordText& record) override {
        EXPECT_EQ(NumberOf(KeyOf(record)), picked.back());
        return lent_;
    }
    void Kept(const RecordText* record) override { kept.push_back(record); }

    std::vector<int> asked;
    std::vector<int> picked;
    std::vector<const RecordText*> kept;

  private:
    std::mt19937& rng_;
    int share_;
    SubjTree::Lent* lent_;
};

class ModelCheck {
  public:
    explicit ModelCheck(unsigned seed) : rng_(seed) {}

    int RandomKey() { return std::uniform_int_distribution<int>(0, keyRange_)(rng_); }
    int RandomOp() { return std::uniform_int_distribution<int>(0, 9)(rng_); }
    void SetKeyRange(int range) { keyRange_ = range; }

    void Insert(int k) {
        auto fill = static_cast<unsigned char>(k % 251);
        StoreResult expected = model_.count(k) ? StoreResult::KeyExists : StoreResult::Done;
        ASSERT_EQ(tree_.Insert(NumberedRecord(k, fill)), expected) << "insert " << k;
        if (model_.emplace(k, fill).second) {
            ++changes_;
            places_[k] = tree_.Locate(KeyOf(NumberedRecord(k)));
        }
    }

    void Remove(int k) {
        StoreResult expected = model_.count(k) ? StoreResult::Done : StoreResult::NotFound;
        ASSERT_EQ(tree_.Remove(KeyOf(NumberedRecord(k))), expected) << "remove " << k;
        changes_ += model_.erase(k);
        places_.erase(k);
        ASSERT_EQ(tree_.Locate(KeyOf(NumberedRecord(k))), nullptr);
    }

    void Find(int k) {
        RecordText out{};
        auto it = model_.find(k);
        ASSERT_EQ(tree_.Find(KeyOf(NumberedRecord(k)), out), FoundIf(it != model_.end()));
        if (it != model_.end()) {
            EXPECT_EQ(out[kKeySize], it->second);
            // Around a hit the cursor names the neighbours.
            CheckStep(std::next(it), /*forward=*/true);
            ASSERT_EQ(tree_.Find(KeyOf(NumberedRecord(k)), out), StoreResult::Done);
            CheckStep(it, /*forward=*/false);
        } else {
            // After a miss Prev gives the largest key below the probe.
            auto below = model_.lower_bound(k);
            CheckStep(below, /*forward=*/false);
        }
    }

    void Replace(int k) {
        auto fill = static_cast<unsigned char>(RandomKey() % 251);
        auto it = model_.find(k);
        ASSERT_EQ(tree_.Replace(NumberedRecord(k, fill)), FoundIf(it != model_.end()));
        if (it != model_.end()) {
            it->second = fill;
            ++changes_;  // rewritten, were it with the same bytes
        }
    }

    void Walk() {
        RecordText out{};
        auto it = model_.begin();
        for (StoreResult r = tree_.First(out); r == StoreResult::Done; r = tree_.Next(out), ++it) {
            ASSERT_NE(it, model_.end());
            ASSERT_EQ(NumberOf(KeyOf(out)), it->first);
            ASSERT_EQ(out[kKeySize], it->second);
        }
        ASSERT_EQ(it, model_.end());
    }

    // From any key, present or not, the visit gives the model's keys from
    // there on, and stops where the visitor says.
    void WalkFrom(int k, std::size_t most) {
        auto it = model_.lower_bound(k);
        std::size_t visited = 0;
        tree_.VisitFrom(KeyOf(NumberedRecord(k)), [&](const RecordText& record) {
            EXPECT_NE(it, model_.end());
            if (it == model_.end()) {
                return false;
            }
            EXPECT_EQ(NumberOf(KeyOf(record)), it->first) << "from " << k;
            ++it;
            return ++visited < most;
        });
        EXPECT_EQ(visited,
                  std::min<std::size_t>(most, std::distance(model_.lower_bound(k), model_.end())))
            << "from " << k;
    }

    void WalkRemovingEach() {
        RecordText out{};
        std::size_t visited = 0;
        for (StoreResult r = tree_.First(out); r == StoreResult::Done; r = tree_.Next(out)) {
            int k = NumberOf(KeyOf(out));
            ASSERT_EQ(k, model_.begin()->first);
            ASSERT_EQ(tree_.Remove(KeyOf(out)), StoreResult::Done);
            changes_ += model_.erase(k);
            places_.erase(k);
            ++visited;
            Check();
        }
        ASSERT_TRUE(model_.empty()) << visited;
        ASSERT_EQ(tree_.First(out), StoreResult::NotFound);
    }

    // Back from the last record, removing two in three as a purge does: each
    // step, copied out or read where it lies, lands on the model's previous key.
    void WalkBackRemovingSome() {
        RecordText out{};
        ASSERT_EQ(tree_.Find(KeyOf(NumberedRecord(keyRange_ + 1)), out), StoreResult::NotFound);
        auto it = model_.end();
        for (int step = 0;; ++step) {
            const RecordText* reached = step % 2 ? tree_.PrevInPlace() : nullptr;
            if (step % 2 == 0 && tree_.Prev(out) == StoreResult::Done) {
                reached = &out;
            }
            if (reached == nullptr) {
                break;
            }
            ASSERT_NE(it, model_.begin());
            --it;
            const int k = NumberOf(KeyOf(*reached));
            ASSERT_EQ(k, it->first);
            ASSERT_EQ((*reached)[kKeySize], it->second);
            if (std::uniform_int_distribution<int>(0, 2)(rng_) != 0) {
                ASSERT_EQ(tree_.Remove(KeyOf(NumberedRecord(k))), StoreResult::Done);
                places_.erase(k);
                it = model_.erase(it);
                ++changes_;
                Check();
            }
        }
        ASSERT_EQ(it, model_.begin());
    }

    // One pass back from below `end` (RemoveBefore) against remove-if on the map: every key
    // below `end` asked once, last first; exactly the picked ones gone, those lent still holding
    // their bytes; the cursor left empty; the rest where they were.
    void RemoveBefore(int end, int share, bool lend) {
        SubjTree::Lent lent;
        RandomSweep sweep(rng_, share, lend ? &lent : nullptr);
        const std::size_t removed = tree_.RemoveBefore(KeyOf(NumberedRecord(end)), sweep);
        std::vector<int> below;
        for (auto it = model_.begin(); it != model_.lower_bound(end); ++it) {
            below.insert(below.begin(), it->first);
        }
        ASSERT_EQ(sweep.asked, below) << "before " << end;
        ASSERT_EQ(removed, sweep.picked.size());
        ASSERT_EQ(sweep.kept.size(), lend ? removed : 0u);
        for (std::size_t i = 0; i < sweep.kept.size(); ++i) {
            ASSERT_EQ(NumberOf(KeyOf(*sweep.kept[i])), sweep.picked[i]);
            ASSERT_EQ((*sweep.kept[i])[kKeySize], model_[sweep.picked[i]]);
        }
        changes_ += removed;
        std::erase_if(model_, [&sweep](const auto& entry) {
            return std::ranges::find(sweep.picked, entry.first) != sweep.picked.end();
        });
        for (const int k : sweep.picked) {
            places_.erase(k);
        }
        RecordText out{};
        ASSERT_EQ(tree_.Prev(out), StoreResult::NotFound);
        ASSERT_EQ(tree_.Next(out), StoreResult::NotFound);
        ASSERT_EQ(tree_.RemoveReached(), StoreResult::NotFound);
        for (const RecordText* record : sweep.kept) {
            lent.GiveBack(record);
        }
        CheckPlaces();
        Walk();
    }

    // A view that kept what it read of the store reuses it while the revision stays: every
    // change must give a new one, and nothing else may.
    void Check() {
        ExpectSound(tree_);
        EXPECT_EQ(tree_.Revision() != revision_, changes_ != changesSeen_);
        revision_ = tree_.Revision();
        changesSeen_ = changes_;
        if (steps_ % 10 == 0) {
            CheckPlaces();
        }
        if (::testing::Test::HasFailure()) {
            FAIL() << "after " << steps_ << " steps";
        }
        ++steps_;
    }

    std::size_t Size() const { return model_.size(); }

  private:
    // Splits and merges move branches only: a record stays where it was
    // stored, rewritten there by Replace, for as long as it is stored.
    void CheckPlaces() {
        ASSERT_EQ(places_.size(), model_.size());
        for (const auto& [k, fill] : model_) {
            const RecordText* place = places_[k];
            ASSERT_NE(place, nullptr) << k;
            ASSERT_EQ(tree_.Locate(KeyOf(NumberedRecord(k))), place) << k;
            ASSERT_EQ(NumberOf(KeyOf(*place)), k);
            ASSERT_EQ((*place)[kKeySize], fill) << k;
        }
    }

    // One Prev or Next from the cursor must land on `expected`.
    void CheckStep(std::map<int, unsigned char>::iterator expected, bool forward) {
        RecordText out{};
        if (forward) {
            StoreResult r = tree_.Next(out);
            ASSERT_EQ(r, FoundIf(expected != model_.end()));
            if (r == StoreResult::Done) {
                EXPECT_EQ(NumberOf(KeyOf(out)), expected->first);
            }
        } else {
            StoreResult r = tree_.Prev(out);
            ASSERT_EQ(r, FoundIf(expected != model_.begin()));
            if (r == StoreResult::Done) {
                EXPECT_EQ(NumberOf(KeyOf(out)), std::prev(expected)->first);
            }
        }
    }

    SubjTree tree_{"h"};
    std::map<int, unsigned char> model_;
    std::map<int, const RecordText*> places_;
    std::mt19937 rng_;
    int keyRange_ = 400;
    int steps_ = 0;
    std::uint64_t changes_ = 0;  // inserts, removals and rewrites done
    std::uint64_t changesSeen_ = 0;
    std::uint64_t revision_ = tree_.Revision();
};

TEST(SubjTreeModel, RandomOperationsAgreeWithAMap) {
    for (unsigned seed = 1; seed <= 4; ++seed) {
        ModelCheck check(seed);
        check.SetKeyRange(seed % 2 ? 60 : 600);
        for (int step = 0; step < 6000; ++step) {
            int op = check.RandomOp();
            int k = check.RandomKey();
            if (op < 4) {
                check.Insert(k);
            } else if (op < 7) {
                check.Remove(k);
            } else if (op < 8) {
                check.Find(k);
            } else if (op < 9) {
                check.Replace(k);
            } else if (step % 50 == 0) {
                check.Walk();
            } else if (step % 10 == 0) {
                check.WalkFrom(k - 1, step % 3 == 0 ? 7 : SIZE_MAX);
            } else if (step % 10 == 5) {
                // Now and then past every key, so that a pass of all may empty the tree.
                check.RemoveBefore(step % 30 == 5 ? 1 << 20 : k, step / 10 % 5, step % 20 == 5);
            }
            check.Check();
            if (::testing::Test::HasFatalFailure())
                return;
        }
        check.Walk();
        check.WalkBackRemovingSome();
        check.Walk();
        check.WalkRemovingEach();
    }
}

TEST(SubjTreeModel, EveryRecordOfAHundredCanBeRemovedAndInsertedAgain) {
    ModelCheck check(7);
    for (int k = 0; k < 100; ++k)
        check.Insert(k * 3);
    for (int k = 0; k < 100; ++k) {
        check.Remove(k * 3);
        check.Check();
        check.Insert(k * 3);
        check.Check();
        if (::testing::Test::HasFatalFailure())
            return;
    }
    check.Walk();
}

TEST(SubjTreeModel, AscendingAndDescendingBulkThenRemovalFromBothEnds) {
    ModelCheck check(11);
    for (int k = 0; k < 500; ++k)
        check.Insert(k);
    for (int k = 999; k >= 500; --k)
        check.Insert(k);
    check.Check();
    for (int k = 0; k < 500; ++k) {
        check.Remove(k);
        check.Remove(999 - k);
        check.Check();
        if (::testing::Test::HasFatalFailure())
            return;
    }
    EXPECT_EQ(check.Size(), 0u);
}

}  // namespace
