#include "UndoHistory.h"

#include <algorithm>
#include <utility>

CommandRecording::CommandRecording(IndivSubjList& indiv, RepSubjList& rep)
    : indiv_(indiv), rep_(rep) {
    indiv_.Watch(&indivJournal_);
    rep_.Watch(&repJournal_);
}

CommandRecording::~CommandRecording() {
    indiv_.Watch(nullptr);
    rep_.Watch(nullptr);
}

UndoStep CommandRecording::Step(std::string description) {
    return UndoStep{std::move(description), indivJournal_.TakeNet(), repJournal_.TakeNet()};
}

namespace {

template <typename List>
bool Holds(const List& list, const StepRecords& records) {
    return std::ranges::all_of(records, [&list](const RecordText& record) {
        const RecordText* stored = list.Tree().Locate(KeyOf(record));
        return stored != nullptr && *stored == record;
    });
}

// Takes `out` out of the list and puts `in` in. Taking out frees memory and cannot fail; putting
// in can, for memory or a key taken meanwhile, and then what was done is taken back (the records
// `out` fit where they were, in the memory just freed) and the result is false.
template <typename List>
bool Exchange(List& list, const StepRecords& out, const StepRecords& in) {
    if (!Holds(list, out)) {
        return false;
    }
    for (const RecordText& record : out) {
        static_cast<void>(list.RemoveRecord(KeyOf(record)));  // held, as Holds just saw
    }
    for (std::size_t i = 0; i < in.size(); ++i) {
        if (list.InsertRecord(in[i]) != StoreResult::Done) {
            for (std::size_t j = 0; j < i; ++j) {
                static_cast<void>(list.RemoveRecord(KeyOf(in[j])));  // just put in
            }
            for (const RecordText& record : out) {
                static_cast<void>(list.InsertRecord(record));  // fits in the memory it freed
            }
            return false;
        }
    }
    return true;
}

// Backward takes a step back: what it added goes out, what it removed comes in.
bool Apply(const UndoStep& step, bool backward, IndivSubjList& indiv, RepSubjList& rep) {
    const auto& [indivOut, indivIn] = backward ? std::tie(step.indiv.added, step.indiv.removed)
                                               : std::tie(step.indiv.removed, step.indiv.added);
    const auto& [repOut, repIn] = backward ? std::tie(step.rep.added, step.rep.removed)
                                           : std::tie(step.rep.removed, step.rep.added);
    if (!Holds(rep, repOut) || !Exchange(indiv, indivOut, indivIn)) {
        return false;
    }
    if (!Exchange(rep, repOut, repIn)) {
        // Back as it was: the records go where they just came from.
        static_cast<void>(Exchange(indiv, indivIn, indivOut));
        return false;
    }
    return true;
}

}  // namespace

UndoHistory::UndoHistory(UndoLimit limit, std::string oldestGoneReason)
    : limit_(limit), oldestGoneReason_(std::move(oldestGoneReason)) {}

void UndoHistory::DropRedo() {
    for (std::size_t i = position_; i < steps_.size(); ++i) {
        heldBytes_ -= steps_[i].HeldBytes();
    }
    steps_.resize(position_);
    if (saved_ && *saved_ > position_) {
        saved_.reset();
    }
}

// Every position counts one step fewer; the state before the oldest step is out of reach, and
// with it a save or a barrier that stood there.
void UndoHistory::DropOldest() {
    heldBytes_ -= steps_.front().HeldBytes();
    steps_.erase(steps_.begin());
    --position_;
    if (saved_) {
        saved_ = *saved_ == 0 ? std::nullopt : std::optional(*saved_ - 1);
    }
    if (barrier_ == 0) {
        barrierReason_.clear();
    } else {
        --barrier_;
    }
    oldestGone_ = true;
}

void UndoHistory::Record(UndoStep step) {
    if (step.Empty()) {
        return;
    }
    DropRedo();
    heldBytes_ += step.HeldBytes();
    steps_.push_back(std::move(step));
    ++position_;
    while (steps_.size() > 1 && (heldBytes_ > limit_.bytes || steps_.size() > limit_.steps)) {
        DropOldest();
    }
}

const UndoStep* UndoHistory::NextUndo() const {
    return position_ > barrier_ ? &steps_[position_ - 1] : nullptr;
}

const UndoStep* UndoHistory::NextRedo() const {
    return position_ < steps_.size() ? &steps_[position_] : nullptr;
}

bool UndoHistory::Undo(IndivSubjList& indiv, RepSubjList& rep) {
    const UndoStep* step = NextUndo();
    if (step == nullptr || !Apply(*step, true, indiv, rep)) {
        return false;
    }
    --position_;
    return true;
}

bool UndoHistory::Redo(IndivSubjList& indiv, RepSubjList& rep) {
    const UndoStep* step = NextRedo();
    if (step == nullptr || !Apply(*step, false, indiv, rep)) {
        return false;
    }
    ++position_;
    return true;
}

void UndoHistory::MarkSaved() {
    saved_ = position_;
    changedOutside_ = false;
}

bool UndoHistory::Unsaved() const {
    return changedOutside_ || saved_ != position_;
}

void UndoHistory::SetBarrier(std::string reason) {
    DropRedo();
    barrier_ = position_;
    barrierReason_ = std::move(reason);
}

std::string UndoHistory::StopReason() const {
    if (position_ != barrier_) {
        return {};
    }
    return position_ == 0 && oldestGone_ && barrierReason_.empty() ? oldestGoneReason_
                                                                   : barrierReason_;
}
