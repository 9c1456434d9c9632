// The session's history of whole commands over the two subject lists, for undo and redo: each
// step the records a command took out and put in, recorded by watching the lists while it runs.
// It knows the step last saved, so that "unsaved" is exact, and the barrier a merge sets. It keeps
// to a budget of memory and of steps, letting the oldest steps go first.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

#include "ChangeJournal.h"
#include "SubjList.h"

struct UndoStep {
    std::string description;  // what the command was, as the 編集 menu names it
    ListChange indiv;
    ListChange rep;
    bool Empty() const { return indiv.Empty() && rep.Empty(); }
    // The heap the step holds.
    std::size_t HeldBytes() const {
        return description.capacity() + indiv.HeldBytes() + rep.HeldBytes();
    }
};

// Watches both lists from construction to destruction; what they went through is one step.
class CommandRecording {
  public:
    CommandRecording(IndivSubjList& indiv, RepSubjList& rep);
    ~CommandRecording();
    CommandRecording(const CommandRecording&) = delete;
    CommandRecording& operator=(const CommandRecording&) = delete;

    // False when a change could not be noted for want of memory, or Step could not work out the
    // net change; the step is then not whole.
    bool Complete() const { return indivJournal_.Complete() && repJournal_.Complete(); }
    // The net change so far, with `description`. The records move into the step: a second call
    // gives only what the lists went through since.
    UndoStep Step(std::string description);

  private:
    IndivSubjList& indiv_;
    RepSubjList& rep_;
    ChangeJournal indivJournal_;
    ChangeJournal repJournal_;
};

// How much a history keeps: at most `bytes` of heap in its steps, and at most `steps` steps.
struct UndoLimit {
    std::size_t bytes = std::size_t{64} << 20;
    std::size_t steps = 1000;
};

class UndoHistory {
  public:
    // A history that keeps to `limit`; `oldestGoneReason` is what StopReason gives once undo has
    // reached the oldest step kept and an older one was let go.
    explicit UndoHistory(UndoLimit limit = {}, std::string oldestGoneReason = {});

    // `step` becomes the latest; steps undone before it can no longer be redone. An empty step
    // (a command that changed nothing) is not kept. Then the oldest steps go until the history
    // is within its limit again, but never the latest: a step larger than the whole budget stays
    // undoable until another follows it.
    void Record(UndoStep step);
    // The heap the steps hold, and how many of them there are.
    std::size_t HeldBytes() const { return heldBytes_; }
    std::size_t StepCount() const { return steps_.size(); }

    // The step Undo or Redo would take; nullptr when there is none (for Undo also at a barrier).
    const UndoStep* NextUndo() const;
    const UndoStep* NextRedo() const;
    // Takes NextUndo back in both lists, or makes NextRedo again. False when there is no such step,
    // or the lists do not hold what it expects, or memory ran out; the lists are then as they were.
    bool Undo(IndivSubjList& indiv, RepSubjList& rep);
    bool Redo(IndivSubjList& indiv, RepSubjList& rep);

    // The lists as they stand are what the data files now hold.
    void MarkSaved();
    // The lists changed outside any step (a merge taken in without a save): unsaved until the next.
    void MarkChanged() { changedOutside_ = true; }
    // True unless the lists are at the step last saved, with nothing changed outside the steps.
    bool Unsaved() const;

    // The lists took in another computer's changes: undo stops here, with `reason` to tell the
    // user why, since undoing across would send deletions of that computer's work. Steps before
    // stay; steps undone are dropped, as they were made for lists the merge has changed.
    void SetBarrier(std::string reason);
    // The reason undo stops, while it stops at a barrier or at the oldest step kept after an
    // older one went; empty otherwise.
    std::string StopReason() const;

  private:
    void DropRedo();
    void DropOldest();

    std::vector<UndoStep> steps_;
    std::size_t position_ = 0;              // steps in effect
    std::optional<std::size_t> saved_ = 0;  // position last saved; none once it can't come back
    bool changedOutside_ = false;
    std::size_t barrier_ = 0;  // undo goes no lower
    std::string barrierReason_;
    UndoLimit limit_;
    std::size_t heldBytes_ = 0;
    bool oldestGone_ = false;
    std::string oldestGoneReason_;
};
