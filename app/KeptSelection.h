// The subject selected in the main window's list, remembered by its key while a change refills
// the list (a save that merged, the batch, undo), so that the same subject can be selected again
// wherever its row now stands.
#pragma once

#include <array>
#include <cstdint>
#include <optional>

#include "SubjRecord.h"

class SubjListView;
class SubjTree;

class KeptSelection {
  public:
    // The subject of `view`'s selected row; none when no row is selected.
    static KeptSelection Of(const SubjListView& view);
    // The subject stored under the key of `record`.
    static KeptSelection Of(const RecordText& record);
    // The same, or when it is gone the subject that follows it in key order (the one before it
    // at the end): where a subject just removed leaves the user.
    static KeptSelection Near(const RecordText& record);

    bool Empty() const { return !key_.has_value(); }
    // Its row in `view`, which shows the records of `tree`; -1 when it is no longer stored, or
    // there was none.
    int RowIn(const SubjListView& view, const SubjTree& tree) const;

  private:
    using Key = std::array<std::uint8_t, kKeySize>;
    int NeighbourIn(const SubjListView& view) const;

    std::optional<Key> key_;
    bool orNeighbour_ = false;
};
