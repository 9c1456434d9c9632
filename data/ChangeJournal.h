// What one command did to one subject list, by the exact bytes of the records it took out and
// put in; and the journal a list tells its changes to while a command runs, which works out that
// net change however many store operations the command took.
#pragma once

#include <array>
#include <cstdint>
#include <map>
#include <optional>
#include <vector>

#include "SubjRecord.h"

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
    // False once a change could not be noted: the net change is then not known.
    bool Complete() const { return complete_; }
    // Each changed key once: its record before in `removed`, after in `added`. A record put in and
    // taken out again, or rewritten with its own bytes, is in neither.
    ListChange Net() const;

  private:
    using Key = std::array<std::uint8_t, kKeySize>;
    struct Ends {
        std::optional<RecordText> before;  // none: the key was free when the command began
        std::optional<RecordText> after;
    };
    Ends* Touch(const RecordText& record, bool taken) noexcept;

    std::map<Key, Ends> entries_;
    bool complete_ = true;
};
