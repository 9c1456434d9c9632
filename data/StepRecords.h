// StepRecords: the records of one side of an undo step, each held once: a record the store let
// go of is kept where it lay, lent by the store (SubjTree::Lent); any other is copied into blocks
// of the step's own, which never move, so it too is written once, where it stays. A change
// journal notes records into these, and the step then holds them.
#pragma once

#include <cstddef>
#include <iterator>
#include <memory>
#include <vector>

#include "SubjRecord.h"
#include "SubjTree.h"

class StepRecords {
  public:
    using value_type = RecordText;

    class const_iterator {
      public:
        using iterator_category = std::forward_iterator_tag;
        using value_type = RecordText;
        using difference_type = std::ptrdiff_t;
        using pointer = const RecordText*;
        using reference = const RecordText&;

        const_iterator() = default;
        explicit const_iterator(const RecordText* const* at) : at_(at) {}
        const RecordText& operator*() const { return **at_; }
        const RecordText* operator->() const { return *at_; }
        const_iterator& operator++() {
            ++at_;
            return *this;
        }
        const_iterator operator++(int) {
            const_iterator was = *this;
            ++at_;
            return was;
        }
        bool operator==(const const_iterator& other) const { return at_ == other.at_; }

      private:
        const RecordText* const* at_ = nullptr;
    };

    StepRecords() = default;
    // Gives every lent record back to its store's memory.
    ~StepRecords();
    StepRecords(StepRecords&& other) noexcept;
    StepRecords& operator=(StepRecords&& other) noexcept;
    // A copy would be the second copy of every record these exist to avoid.
    StepRecords(const StepRecords&) = delete;
    StepRecords& operator=(const StepRecords&) = delete;

    // Appends a copy of `record`. Throws std::bad_alloc when there is no room for it; nothing
    // changes then.
    void push_back(const RecordText& record);
    // Where RemoveKept lends the next record, and that record appended: Lending may be used for
    // one removal from `tree` when it returns non-null (the store is the one lent by before, or
    // none was); Lent then appends what that removal returned. Lending throws std::bad_alloc as
    // push_back, before anything is removed.
    SubjTree::Lent* Lending(const SubjTree& tree);
    void Lent(const RecordText* record) noexcept;

    std::size_t size() const { return records_.size(); }
    bool empty() const { return records_.empty(); }
    // The record at `i`, which must be below size(); it stays at that address until KeepOnly
    // or the records go.
    const RecordText& operator[](std::size_t i) const { return *records_[i]; }
    const RecordText& front() const { return *records_.front(); }
    const_iterator begin() const { return const_iterator(records_.data()); }
    const_iterator end() const { return const_iterator(records_.data() + records_.size()); }

    // Keeps the records whose place in `keep` (one flag each) is true, in their order; a lent
    // record not kept goes back to its store's memory. Cannot fail.
    void KeepOnly(const std::vector<bool>& keep) noexcept;

    // The heap the records take: copied, lent and the index of them.
    std::size_t HeldBytes() const;

    bool operator==(const StepRecords& other) const;

  private:
    void GiveBackLent() noexcept;
    void MakeRoom();

    std::vector<const RecordText*> records_;
    std::vector<bool> lent_;  // one flag a record
    std::vector<std::unique_ptr<RecordText[]>> blocks_;
    std::size_t copied_ = 0;  // records ever copied into the blocks
    std::size_t lentCount_ = 0;
    SubjTree::Lent loans_;
};
