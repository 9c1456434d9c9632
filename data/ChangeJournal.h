// What one command did to one subject list, by the exact bytes of the records it took out and
// put in; and the journal a list tells its changes to while a command runs, which works out that
// net change however many store operations the command took.
#pragma once

#include <cstring>
#include <deque>
#include <map>
#include <vector>

#include "SubjRecord.h"

class SubjTree;

struct ListChange {
    std::vector<RecordText> removed;  // in key order
    std::vector<RecordText> added;    // in key order
    bool Empty() const { return removed.empty() && added.empty(); }
};

class ChangeJournal {
  public:
    // A record left the store / entered it (a replacement is both, the old bytes first).
    // Memory running out here does not stop the change: the journal only stops being complete.
    void Taken(const RecordText& record) noexcept;
    void Put(const RecordText& record) noexcept;
    // The whole of `before` gives way to `after` (distinct keys, in key order): the records that
    // differ are noted, found by one walk through both in key order.
    void Replaced(const SubjTree& before, const std::vector<RecordText>& after) noexcept;
    // False once a change could not be noted: the net change is then not known.
    bool Complete() const { return complete_; }
    // Each changed key once: its record before in `removed`, after in `added`. A record put in and
    // taken out again, or rewritten with its own bytes, is in neither.
    ListChange Net() const;

  private:
    // Each changed key's record before and after the command, nullptr for none: a key free when
    // the command began, or free again now. Both point into `noted_`.
    struct Ends {
        const RecordText* before = nullptr;
        const RecordText* after = nullptr;
    };
    struct KeyLess {
        bool operator()(const RecordText* a, const RecordText* b) const {
            return std::memcmp(a->data(), b->data(), kKeySize) < 0;
        }
    };
    void Note(const RecordText& record, bool taken) noexcept;
    void Walk(const SubjTree& before, const std::vector<RecordText>& after);

    // Every record noted, each kept once where it stays: the map holds only places.
    std::deque<RecordText> noted_;
    std::map<const RecordText*, Ends, KeyLess> entries_;  // by the key of the record pointed to
    bool complete_ = true;
};
