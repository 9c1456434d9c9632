// The individual list's rows in the order the list shows them, put together from records given
// in key order: by date, and within a day by time, equal times keeping key order, as placing the
// rows one by one by their first cell would leave them. A load gives it each record as it takes
// it (SubjTree::LoadWatch), while the record's lines are still in the cache, so that the window's
// first fill need not read every record again; a walk over a store gives them all the same.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "SubjRecord.h"
#include "SubjRowSource.h"
#include "SubjTree.h"

class IndivRowOrder : public SubjTree::LoadWatch {
  public:
    using Handle = SubjRowSource::Handle;

    // The rows of `records`, given in key order, in the list's order.
    static std::vector<Handle> Of(const std::vector<const RecordText*>& records);

    // One record more, above every one added before, where it lies.
    void Add(const RecordText* record);
    // The rows of every record added, in the list's order; none are left after.
    std::vector<Handle> Take();

    // A load's records as it takes them.
    void Taken(const RecordText& record) override { Add(&record); }
    void Unordered() override { whole_ = false; }
    // False once a load took a record out of key order: the rows are then no order of its store.
    bool Whole() const { return whole_; }

  private:
    // Puts the rows of the day added last in the order of their times.
    void CloseDay();

    std::vector<Handle> rows_;
    std::size_t dayStart_ = 0;  // where the day added last starts in `rows_`
    std::uint64_t date_ = 0;
    std::vector<std::uint32_t> dayTimes_;  // the times of that day's rows, in key order
    bool dayInOrder_ = true;
    bool whole_ = true;
    std::vector<std::uint64_t> keys_;  // CloseDay's, kept for the next day
    std::vector<Handle> day_;
};
