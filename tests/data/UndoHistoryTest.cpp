// Undo and redo against a simple model: every state the lists went through, kept whole. Random
// commands of every kind the window has (one subject, a repeating subject with its generated
// ones, bulk changes like the batch's), random undo, redo, saves and merges; each step's change
// must be what a plain comparison of before and after gives, and undoing everything must give
// back the start (or the last merge) and redoing everything the end.
#include <gtest/gtest.h>

#include <malloc.h>

#include <algorithm>
#include <cstdlib>
#include <numeric>
#include <random>

#include "UndoHistory.h"

namespace {

struct Contents {
    std::vector<RecordText> indiv;
    std::vector<RecordText> rep;
    bool operator==(const Contents&) const = default;
};

std::vector<RecordText> Records(const SubjTree& tree) {
    std::vector<RecordText> records;
    tree.VisitInOrder([&records](const RecordText& r) { return records.push_back(r), true; });
    return records;
}

// The change from `before` to `after` by brute force: every record of one missing from the other,
// in key order.
struct Comparison {
    std::vector<RecordText> removed;
    std::vector<RecordText> added;
};
Comparison Compared(const std::vector<RecordText>& before, const std::vector<RecordText>& after) {
    Comparison change;
    std::ranges::set_difference(before, after, std::back_inserter(change.removed));
    std::ranges::set_difference(after, before, std::back_inserter(change.added));
    return change;
}

std::vector<RecordText> Sorted(const StepRecords& records) {
    std::vector<RecordText> sorted(records.begin(), records.end());
    std::ranges::sort(sorted);
    return sorted;
}

// A step holds its records in the order the command met them.
bool SameChange(const ListChange& a, const Comparison& b) {
    return Sorted(a.removed) == b.removed && Sorted(a.added) == b.added;
}

class UndoModel {
  public:
    explicit UndoModel(unsigned seed, UndoLimit limit = {})
        : rng_(seed), history_(limit, "oldest gone"), limit_(limit) {
        states_.push_back(Now());
    }

    Contents Now() const { return {Records(indiv_.Tree()), Records(rep_.Tree())}; }

    int Pick(int below) { return std::uniform_int_distribution<int>(0, below - 1)(rng_); }

    IndivSubj RandomIndiv() {
        IndivSubj s;
        s.year = 2026;
        s.month = static_cast<std::int16_t>(1 + Pick(2));
        s.day = static_cast<std::int16_t>(1 + Pick(28));
        s.title = "t" + std::to_string(Pick(20));
        s.hour = static_cast<std::int16_t>(Pick(24));
        s.progress = Pick(2) ? Progress::Open : Progress::Done;
        s.content = std::string(static_cast<std::size_t>(Pick(3)), 'c');
        s.origin = Pick(2) ? "r" + std::to_string(Pick(6)) : "";
        return s;
    }

    // Leaves the list's `current` on its n-th subject; false when the list is empty.
    template <typename List>
    bool Reach(List& list) {
        const auto count = static_cast<int>(Records(list.Tree()).size());
        if (count == 0) {
            return false;
        }
        StoreResult r = list.First();
        for (int n = Pick(count); n > 0; --n) {
            r = list.Next();
        }
        return r == StoreResult::Done;
    }

    // One command of a random kind, recorded as the window records it.
    void Command() {
        const Contents before = Now();
        UndoStep step;
        {
            CommandRecording recording(indiv_, rep_);
            RunRandomCommand();
            ASSERT_TRUE(recording.Complete());
            step = recording.Step("step " + std::to_string(++made_));
        }
        const Contents after = Now();
        ASSERT_TRUE(SameChange(step.indiv, Compared(before.indiv, after.indiv)));
        ASSERT_TRUE(SameChange(step.rep, Compared(before.rep, after.rep)));
        const bool changed = !step.Empty();
        const std::size_t bytes = step.HeldBytes();
        history_.Record(std::move(step));
        if (changed) {
            states_.resize(position_ + 1);
            states_.push_back(after);
            sizes_.resize(position_);
            sizes_.push_back(bytes);
            ++position_;
            KeepToTheLimit();
            if (saved_ != kNever && saved_ > position_ - 1) {
                saved_ = kNever;
            }
            ASSERT_EQ(history_.NextRedo(), nullptr);
        }
    }

    // What each command came to is not looked at (static_cast<void>): the lists are compared
    // with the history's account of them, whatever it was.
    void RunRandomCommand() {
        switch (Pick(9)) {
            case 0:  // add
                indiv_.current = RandomIndiv();
                static_cast<void>(indiv_.Insert());
                break;
            case 1:  // edit under a new key: the editor removes the old and stores the new
                if (Reach(indiv_)) {
                    static_cast<void>(indiv_.Remove());
                    indiv_.current = RandomIndiv();
                    static_cast<void>(indiv_.Insert());
                }
                break;
            case 2:  // edit in place, or done
                if (Reach(indiv_)) {
                    indiv_.current.progress = Pick(2) ? Progress::Done : Progress::Open;
                    static_cast<void>(indiv_.Replace());
                }
                break;
            case 3:  // delete
                if (Reach(indiv_)) {
                    static_cast<void>(indiv_.Remove());
                }
                break;
            case 4:  // a repeating subject added, or renamed with its generated subjects
                rep_.current = RepSubj{};
                rep_.current.title = "r" + std::to_string(Pick(6));
                rep_.current.progress = Progress::Open;
                if (rep_.Insert() == StoreResult::KeyExists && Reach(rep_)) {
                    const std::string old = rep_.current.title;
                    static_cast<void>(rep_.Remove());
                    rep_.current.title = "r" + std::to_string(Pick(6));
                    if (rep_.Insert() == StoreResult::Done) {
                        static_cast<void>(indiv_.RenameOrigin(old, rep_.current.title));
                    }
                }
                break;
            case 5:  // a repeating subject deleted with its generated subjects
                if (Reach(rep_)) {
                    static_cast<void>(indiv_.RemoveGenerated(rep_.current.title));
                    static_cast<void>(rep_.Remove());
                }
                break;
            case 6:  // the batch: a purge walk back in one pass or forward by steps, then many
                     // generated
                if (Pick(2) == 0) {
                    IndivSubj start = RandomIndiv();
                    const RecordText end = EncodeIndivSubj(start);
                    static_cast<void>(indiv_.RemoveBefore(
                        KeyOf(end), [this](const RecordText&) { return Pick(3) != 0; }));
                }
                for (StoreResult r = indiv_.First(); r == StoreResult::Done; r = indiv_.Next()) {
                    if (Pick(3) == 0) {
                        static_cast<void>(indiv_.RemoveReached());
                    }
                }
                for (int n = Pick(40); n > 0; --n) {
                    indiv_.current = RandomIndiv();
                    static_cast<void>(indiv_.Insert());
                }
                break;
            case 7:
                Restore();
                break;
            default:  // added and taken out again, or rewritten as it was: nothing to record
                indiv_.current = RandomIndiv();
                if (indiv_.Insert() == StoreResult::Done) {
                    static_cast<void>(indiv_.Remove());
                } else if (indiv_.Find() == StoreResult::Done) {
                    static_cast<void>(indiv_.Replace());
                }
                break;
        }
    }

    // An earlier version restored: the whole list as it stood after some earlier step.
    void Restore() {
        const auto& earlier = states_[static_cast<std::size_t>(Pick(int(states_.size())))];
        ASSERT_EQ(indiv_.Assign(earlier.indiv), StoreResult::Done);
    }

    // The oldest steps go while the kept ones are over the limit, but never the latest.
    void KeepToTheLimit() {
        const auto keptBytes = [this] {
            return std::accumulate(sizes_.begin() + static_cast<std::ptrdiff_t>(dropped_),
                                   sizes_.end(), std::size_t{0});
        };
        while (sizes_.size() - dropped_ > 1 &&
               (keptBytes() > limit_.bytes || sizes_.size() - dropped_ > limit_.steps)) {
            ++dropped_;
        }
        ASSERT_EQ(history_.StepCount(), sizes_.size() - dropped_);
        ASSERT_EQ(history_.HeldBytes(), keptBytes());
    }

    // Undo goes no lower than a merge, nor than the oldest step kept.
    std::size_t Floor() const { return std::max(barrier_, dropped_); }

    std::string StopReason() const {
        if (position_ != Floor()) {
            return {};
        }
        if (merged_ && barrier_ >= dropped_) {
            return "merged";
        }
        return dropped_ > 0 ? "oldest gone" : "";
    }

    void Undo() {
        const bool possible = position_ > Floor();
        ASSERT_EQ(history_.Undo(indiv_, rep_), possible);
        position_ -= possible ? 1 : 0;
        ASSERT_EQ(Now(), states_[position_]);
    }

    void Redo() {
        const bool possible = position_ + 1 < states_.size();
        ASSERT_EQ(history_.Redo(indiv_, rep_), possible);
        position_ += possible ? 1 : 0;
        ASSERT_EQ(Now(), states_[position_]);
    }

    void Save() {
        history_.MarkSaved();
        saved_ = position_;
    }

    // A save that took in another computer's work: the lists change outside any step.
    void Merge() {
        std::vector<RecordText> merged = Records(indiv_.Tree());
        IndivSubj extra = RandomIndiv();
        extra.title = "merged" + std::to_string(++made_);
        const RecordText record = EncodeIndivSubj(extra);
        merged.insert(std::ranges::upper_bound(merged, record), record);
        ASSERT_EQ(indiv_.Assign(merged), StoreResult::Done);
        history_.SetBarrier("merged");
        history_.MarkSaved();
        states_.resize(position_ + 1);
        sizes_.resize(position_);
        states_[position_] = Now();
        barrier_ = saved_ = position_;
        merged_ = true;
        ASSERT_EQ(history_.NextUndo(), nullptr);
        ASSERT_EQ(history_.StopReason(), "merged");
    }

    void CheckSavedMark() {
        ASSERT_EQ(history_.StopReason(), StopReason());
        ASSERT_EQ(history_.Unsaved(), saved_ != position_);
        if (!history_.Unsaved()) {
            ASSERT_EQ(Now(), states_[position_]);
        }
    }

    void Run(int commands, bool merges) {
        for (int i = 0; i < commands; ++i) {
            const int what = Pick(20);
            if (what < 12) {
                Command();
            } else if (what < 16) {
                Undo();
            } else if (what < 18) {
                Redo();
            } else if (what < 19 || !merges) {
                Save();
            } else {
                Merge();
            }
            CheckSavedMark();
            if (testing::Test::HasFatalFailure()) {
                return;
            }
        }
        const Contents end = states_.back();
        while (position_ > Floor()) {
            Undo();
        }
        ASSERT_FALSE(history_.Undo(indiv_, rep_));
        ASSERT_EQ(Now(), states_[Floor()]);
        ASSERT_EQ(history_.StopReason(), StopReason());
        while (position_ + 1 < states_.size()) {
            Redo();
        }
        ASSERT_EQ(Now(), end);
        CheckSavedMark();
    }

    // A change made behind the history's back: the step it would undo no longer fits, and undo
    // refuses rather than take out a subject it did not put in.
    void UndoRefusesAStaleStep() {
        const UndoStep* step = history_.NextUndo();
        if (step == nullptr || step->indiv.added.empty()) {
            return;
        }
        RecordText changed = step->indiv.added[step->indiv.added.size() - 1];
        changed[kRecordSize - 1] ^= 1;
        ASSERT_EQ(indiv_.RemoveRecord(KeyOf(changed)), StoreResult::Done);
        ASSERT_EQ(indiv_.InsertRecord(changed), StoreResult::Done);
        const Contents before = Now();
        EXPECT_FALSE(history_.Undo(indiv_, rep_));
        EXPECT_EQ(Now(), before);
    }

  private:
    static constexpr std::size_t kNever = static_cast<std::size_t>(-1);

    std::mt19937 rng_;
    IndivSubjList indiv_;
    RepSubjList rep_;
    UndoHistory history_;
    UndoLimit limit_;
    std::vector<Contents> states_;    // after each step in effect or undone; [position_] is now
    std::vector<std::size_t> sizes_;  // the bytes of each step, [i] from states_[i] on
    std::size_t position_ = 0;
    std::size_t saved_ = 0;
    std::size_t barrier_ = 0;
    bool merged_ = false;
    std::size_t dropped_ = 0;  // the oldest steps let go
    int made_ = 0;
};

unsigned Runs() {
    const char* runs = std::getenv("VESKAT_UNDO_RUNS");
    return runs != nullptr ? static_cast<unsigned>(std::atoi(runs)) : 6;
}

TEST(UndoHistory, RandomCommandsUndoToTheStartAndRedoToTheEnd) {
    for (unsigned seed = 1; seed <= Runs(); ++seed) {
        SCOPED_TRACE("seed " + std::to_string(seed));
        UndoModel model(seed);
        model.Run(400, /*merges=*/seed % 2 == 0);
        ASSERT_FALSE(testing::Test::HasFatalFailure());
        model.UndoRefusesAStaleStep();
    }
}

// Budgets small enough that steps go all the time: by count, and by bytes, where a bulk step is
// larger than the whole budget and stays only while it is the latest.
TEST(UndoHistory, ALimitedHistoryUndoesToItsOldestKeptStepAndNoFurther) {
    const UndoLimit limits[] = {{std::size_t{1} << 30, 5}, {std::size_t{16} << 10, 1000}};
    for (unsigned seed = 1; seed <= Runs(); ++seed) {
        for (const UndoLimit& limit : limits) {
            SCOPED_TRACE("seed " + std::to_string(seed) + ", " + std::to_string(limit.steps));
            UndoModel model(seed, limit);
            model.Run(300, /*merges=*/seed % 2 == 0);
            ASSERT_FALSE(testing::Test::HasFatalFailure());
        }
    }
}

// What a command removed is held where the store kept it, not copied: the step must still hold
// it, byte for byte, once the list is gone, and once the list has taken other contents whole.
TEST(UndoHistory, AStepHoldsWhatItRemovedAfterItsListHasGoneOrBeenReplaced) {
    UndoHistory history;
    std::vector<RecordText> before;
    {
        IndivSubjList indiv;
        RepSubjList rep;
        for (int n = 0; n < 300; ++n) {
            indiv.current.year = 2026;
            indiv.current.title = "t" + std::to_string(n);
            indiv.current.content = std::string(static_cast<std::size_t>(n % 390), 'c');
            ASSERT_EQ(indiv.Insert(), StoreResult::Done);
        }
        before = Records(indiv.Tree());
        for (int round = 0; round < 2; ++round) {
            CommandRecording recording(indiv, rep);
            for (StoreResult r = indiv.First(); r == StoreResult::Done; r = indiv.Next()) {
                ASSERT_EQ(indiv.RemoveReached(), StoreResult::Done);
            }
            history.Record(recording.Step("all gone"));
            ASSERT_TRUE(history.Undo(indiv, rep));
            ASSERT_EQ(indiv.Assign(before), StoreResult::Done);  // a restore, outside the step
        }
        ASSERT_TRUE(history.Redo(indiv, rep));
    }
    const UndoStep* step = history.NextUndo();
    ASSERT_NE(step, nullptr);
    EXPECT_EQ(Sorted(step->indiv.removed), before);
}

std::size_t HeapInUse() {
    const struct mallinfo2 info = mallinfo2();
    return info.uordblks + info.hblkhd;
}

// Each step lets go of what it holds when the history drops it: run after run of the same bulk
// command, the memory stays what one step and the list need.
TEST(UndoHistory, StepsLetGoGiveTheirRecordsBackToTheStore) {
    IndivSubjList indiv;
    RepSubjList rep;
    for (int n = 0; n < 1000; ++n) {
        indiv.current.year = 2026;
        indiv.current.title = "t" + std::to_string(n);
        ASSERT_EQ(indiv.Insert(), StoreResult::Done);
    }
    UndoHistory history({std::size_t{1} << 30, 2});
    std::size_t afterFirstRuns = 0;
    for (int run = 0; run < 20; ++run) {
        {
            CommandRecording recording(indiv, rep);
            std::vector<IndivSubj> rewritten;
            for (StoreResult r = indiv.First(); r == StoreResult::Done; r = indiv.Next()) {
                rewritten.push_back(indiv.current);
                rewritten.back().content = "run " + std::to_string(run);
                ASSERT_EQ(indiv.RemoveReached(), StoreResult::Done);
            }
            for (const IndivSubj& subj : rewritten) {
                indiv.current = subj;
                ASSERT_EQ(indiv.Insert(), StoreResult::Done);
            }
            history.Record(recording.Step("every subject again"));
        }
        if (run == 3) {
            afterFirstRuns = HeapInUse();
        }
    }
    ASSERT_EQ(history.StepCount(), 2u);
    EXPECT_LE(HeapInUse(), afterFirstRuns + 1000 * kRecordSize / 4);
}

}  // namespace
