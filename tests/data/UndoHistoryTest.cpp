// Undo and redo against a simple model: every state the lists went through, kept whole. Random
// commands of every kind the window has (one subject, a repeating subject with its generated
// ones, bulk changes like the batch's), random undo, redo, saves and merges; each step's change
// must be what a plain comparison of before and after gives, and undoing everything must give
// back the start (or the last merge) and redoing everything the end.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
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

// The change from `before` to `after` by brute force: every record of one missing from the other.
ListChange Compared(const std::vector<RecordText>& before, const std::vector<RecordText>& after) {
    ListChange change;
    std::ranges::set_difference(before, after, std::back_inserter(change.removed));
    std::ranges::set_difference(after, before, std::back_inserter(change.added));
    return change;
}

bool SameChange(const ListChange& a, const ListChange& b) {
    return a.removed == b.removed && a.added == b.added;
}

class UndoModel {
  public:
    explicit UndoModel(unsigned seed) : rng_(seed) { states_.push_back(Now()); }

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
            const CommandRecording recording(indiv_, rep_);
            RunRandomCommand();
            ASSERT_TRUE(recording.Complete());
            step = recording.Step("step " + std::to_string(++made_));
        }
        const Contents after = Now();
        ASSERT_TRUE(SameChange(step.indiv, Compared(before.indiv, after.indiv)));
        ASSERT_TRUE(SameChange(step.rep, Compared(before.rep, after.rep)));
        const bool changed = !step.Empty();
        history_.Record(std::move(step));
        if (changed) {
            states_.resize(position_ + 1);
            states_.push_back(after);
            ++position_;
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
            case 6:  // the batch: a purge walk, then many generated
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

    void Undo() {
        const bool possible = position_ > barrier_;
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
        states_[position_] = Now();
        barrier_ = saved_ = position_;
        ASSERT_EQ(history_.NextUndo(), nullptr);
        ASSERT_EQ(history_.StopReason(), "merged");
    }

    void CheckSavedMark() {
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
        while (position_ > barrier_) {
            Undo();
        }
        ASSERT_FALSE(history_.Undo(indiv_, rep_));
        ASSERT_EQ(Now(), states_[barrier_]);
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
        RecordText changed = step->indiv.added.back();
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
    std::vector<Contents> states_;  // after each step in effect or undone; [position_] is now
    std::size_t position_ = 0;
    std::size_t saved_ = 0;
    std::size_t barrier_ = 0;
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

}  // namespace
