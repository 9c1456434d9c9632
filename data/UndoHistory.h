// The session's history of whole commands over the two subject lists, for undo and redo: each
// step the records a command took out and put in, recorded by watching the lists while it runs.
// It knows the step last saved, so that "unsaved" is exact, and the barrier a merge sets.
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
};

// Watches both lists from construction to destruction; what they went through is one step.
class CommandRecording {
  public:
    CommandRecording(IndivSubjList& indiv, RepSubjList& rep);
    ~CommandRecording();
    CommandRecording(const CommandRecording&) = delete;
    CommandRecording& operator=(const CommandRecording&) = delete;

    // False when a change could not be noted for want of memory; the step is then not whole.
    bool Complete() const { return indivJournal_.Complete() && repJournal_.Complete(); }
    // The net change so far, with `description`.
    UndoStep Step(std::string description) const;

  private:
    IndivSubjList& indiv_;
    RepSubjList& rep_;
    ChangeJournal indivJournal_;
    ChangeJournal repJournal_;
};

class UndoHistory {
  public:
    // `step` becomes the latest; steps undone before it can no longer be redone. An empty step
    // (a command that changed nothing) is not kept.
    void Record(UndoStep step);

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
    // The reason undo stops, while it stops at a barrier; empty otherwise.
    std::string StopReason() const;

  private:
    void DropRedo();

    std::vector<UndoStep> steps_;
    std::size_t position_ = 0;              // steps in effect
    std::optional<std::size_t> saved_ = 0;  // position last saved; none once it can't come back
    bool changedOutside_ = false;
    std::size_t barrier_ = 0;  // undo goes no lower
    std::string barrierReason_;
};
