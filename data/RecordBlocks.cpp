#include "RecordBlocks.h"

#include <algorithm>
#include <bit>
#include <utility>

namespace {

// Blocks double from one record up to this many, then stay at it: a step of one subject takes
// one record's room, and a batch's thousands take blocks of 160 KiB, few enough to index and
// small enough that the last one's spare room does not count.
constexpr std::size_t kLargestBlock = 256;
constexpr std::size_t kGrowingBlocks = std::bit_width(kLargestBlock);  // 1, 2, 4 .. 256
constexpr std::size_t kInGrowingBlocks = 2 * kLargestBlock - 1;

}  // namespace

RecordBlocks::RecordBlocks(RecordBlocks&& other) noexcept
    : blocks_(std::move(other.blocks_)), size_(std::exchange(other.size_, 0)) {
    other.blocks_.clear();
}

RecordBlocks& RecordBlocks::operator=(RecordBlocks&& other) noexcept {
    if (this != &other) {
        blocks_ = std::move(other.blocks_);
        size_ = std::exchange(other.size_, 0);
        other.blocks_.clear();
    }
    return *this;
}

std::size_t RecordBlocks::BlockSlots(std::size_t block) {
    return block < kGrowingBlocks ? std::size_t{1} << block : kLargestBlock;
}

RecordBlocks::Place RecordBlocks::PlaceOf(std::size_t i) {
    if (i < kInGrowingBlocks) {
        const std::size_t block = std::bit_width(i + 1) - 1;
        return {block, i + 1 - (std::size_t{1} << block)};
    }
    const std::size_t beyond = i - kInGrowingBlocks;
    return {kGrowingBlocks + beyond / kLargestBlock, beyond % kLargestBlock};
}

const RecordText& RecordBlocks::operator[](std::size_t i) const {
    const Place place = PlaceOf(i);
    return blocks_[place.block][place.slot];
}

RecordText& RecordBlocks::At(std::size_t i) {
    const Place place = PlaceOf(i);
    return blocks_[place.block][place.slot];
}

void RecordBlocks::push_back(const RecordText& record) {
    const Place place = PlaceOf(size_);
    if (place.block == blocks_.size()) {
        // The index first: once the block is in it, nothing more can fail.
        blocks_.reserve(blocks_.size() + 1);
        blocks_.push_back(std::make_unique_for_overwrite<RecordText[]>(BlockSlots(place.block)));
    }
    blocks_[place.block][place.slot] = record;
    ++size_;
}

void RecordBlocks::KeepOnly(const std::vector<bool>& keep) noexcept {
    std::size_t kept = 0;
    for (std::size_t i = 0; i < size_; ++i) {
        if (keep[i]) {
            if (i != kept) {
                At(kept) = At(i);
            }
            ++kept;
        }
    }
    size_ = kept;
    blocks_.resize(kept == 0 ? 0 : PlaceOf(kept - 1).block + 1);
}

std::size_t RecordBlocks::HeldBytes() const {
    std::size_t slots = 0;
    for (std::size_t block = 0; block < blocks_.size(); ++block) {
        slots += BlockSlots(block);
    }
    return slots * sizeof(RecordText) + blocks_.capacity() * sizeof(blocks_[0]);
}

bool RecordBlocks::operator==(const RecordBlocks& other) const {
    return size_ == other.size_ && std::equal(begin(), end(), other.begin());
}
