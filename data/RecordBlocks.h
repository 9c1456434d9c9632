// RecordBlocks: record texts kept one after another in blocks that never move, the form in which
// a change journal notes records and an undo step then holds them. A block is never copied into a
// larger one as the count grows, so each record is written once, where it stays; the spare room
// is at most the last block, never larger than the records before it nor 160 KiB.
#pragma once

#include <cstddef>
#include <iterator>
#include <memory>
#include <vector>

#include "SubjRecord.h"

class RecordBlocks {
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
        const_iterator(const RecordBlocks* blocks, std::size_t at) : blocks_(blocks), at_(at) {}
        const RecordText& operator*() const { return (*blocks_)[at_]; }
        const RecordText* operator->() const { return &(*blocks_)[at_]; }
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
        const RecordBlocks* blocks_ = nullptr;
        std::size_t at_ = 0;
    };

    RecordBlocks() = default;
    RecordBlocks(RecordBlocks&& other) noexcept;
    RecordBlocks& operator=(RecordBlocks&& other) noexcept;
    // A copy would be the second copy of every record these blocks exist to avoid.
    RecordBlocks(const RecordBlocks&) = delete;
    RecordBlocks& operator=(const RecordBlocks&) = delete;

    // Appends a copy of `record`. Throws std::bad_alloc when no block can be had; nothing
    // changes then.
    void push_back(const RecordText& record);

    std::size_t size() const { return size_; }
    bool empty() const { return size_ == 0; }
    // The record at `i`, which must be below size(); it stays at that address until KeepOnly
    // or the blocks go.
    const RecordText& operator[](std::size_t i) const;
    const RecordText& front() const { return (*this)[0]; }
    const_iterator begin() const { return {this, 0}; }
    const_iterator end() const { return {this, size_}; }

    // Keeps the records whose place in `keep` (one flag each) is true, in their order, moved down
    // in place; the blocks left empty are freed. Cannot fail.
    void KeepOnly(const std::vector<bool>& keep) noexcept;

    // The heap the records take: every block whole, and the index of blocks.
    std::size_t HeldBytes() const;

    bool operator==(const RecordBlocks& other) const;

  private:
    struct Place {
        std::size_t block;
        std::size_t slot;
    };
    static Place PlaceOf(std::size_t i);
    static std::size_t BlockSlots(std::size_t block);
    RecordText& At(std::size_t i);

    std::vector<std::unique_ptr<RecordText[]>> blocks_;
    std::size_t size_ = 0;
};
