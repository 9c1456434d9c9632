// What one command did to one subject list, by the exact bytes of the records it took out and
// put in; and the journal a list tells its changes to while a command runs, which works out that
// net change however many store operations the command took. Each record is held once: one the
// store let go of stays where it lay (lent), any other is copied once, when it is noted; the net
// change keeps the journal's own records, and the step holds those.
#pragma once

#include <cstdint>
#include <vector>

#include "StepRecords.h"
#include "SubjRecord.h"

class SubjTree;

struct ListChange {
    StepRecords removed;  // in the order the command took them out
    StepRecords added;    // in the order the command put them in
    bool Empty() const { return removed.empty() && added.empty(); }
    // The heap the change holds, for a history that keeps to a budget.
    std::size_t HeldBytes() const { return removed.HeldBytes() + added.HeldBytes(); }
};

class ChangeJournal {
  public:
    // A record is about to leave the store, or be written over: its bytes are copied (a
    // replacement is both, the old bytes first). / A record entered the store.
    // Memory running out here does not stop the change: the journal only stops being complete.
    void Taken(const RecordText& record) noexcept;
    void Put(const RecordText& record) noexcept;
    // For a removal from `tree` that keeps the record where it lies (SubjTree::RemoveKept): where
    // it may lend it, then TakenKept of what it lent. nullptr when it may not; the record is then
    // to be noted with Taken before it goes.
    SubjTree::Lent* Lending(const SubjTree& tree) noexcept;
    void TakenKept(const RecordText* record) noexcept;
    // The whole of `before` gives way to `after` (distinct keys, in key order): the records that
    // differ are noted, found by one walk through both in key order.
    void Replaced(const SubjTree& before, const std::vector<RecordText>& after) noexcept;
    // False once a change could not be noted, or its net worked out: the net change is then not
    // known.
    bool Complete() const { return complete_; }
    // Each changed key once: its record before in `removed`, after in `added`. A record put in and
    // taken out again, or rewritten with its own bytes, is in neither. The records move out of the
    // journal, which is left empty; an incomplete journal gives an empty change.
    ListChange TakeNet() noexcept;

  private:
    // One noting, by its side and its place in that side's records.
    struct Note {
        std::uint32_t number;  // notes before it
        bool put;
        std::uint32_t index;
    };
    bool MakeRoom(std::vector<std::uint32_t>& numbers) noexcept;
    void Noted(const RecordText& record) noexcept;
    void Walk(const SubjTree& before, const std::vector<RecordText>& after);
    std::vector<Note> InKeyOrder() const;
    ListChange Net();

    StepRecords taken_;
    StepRecords put_;
    // Each record's note number, so that the notes of one key can be put back in their order.
    std::vector<std::uint32_t> takenNumbers_;
    std::vector<std::uint32_t> putNumbers_;
    std::uint32_t notes_ = 0;
    // A hash of every key noted, open addressing, 0 for a free place: a command whose keys are
    // all noted once, as nearly every command's are, has its net change without a sort.
    std::vector<std::uint64_t> keyHashes_;
    bool maybeRepeated_ = false;
    bool complete_ = true;
};
