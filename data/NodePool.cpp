#include "NodePool.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <new>
#include <utility>

#include "PresentPages.h"

namespace {

constexpr std::size_t RoundUp(std::size_t n, std::size_t to) {
    return (n + to - 1) / to * to;
}

// The block header (its link and size) takes the first slot's alignment unit, so slots stay
// aligned.
constexpr std::size_t kHeaderBytes = RoundUp(2 * sizeof(void*), alignof(std::max_align_t));

// A block this large (a whole load's, see Expect: the leaves', and the branches' from 60 000
// records on) has its slots start on a large page, so that all of them can be mapped in large
// pages. The blocks of an ordinary growth stay below it.
constexpr std::size_t kLargePagesAtLeast = 2 * kLargePage;

}  // namespace

NodePool::NodePool(std::size_t slotSize)
    : slotSize_(RoundUp(std::max(slotSize, sizeof(void*)), alignof(void*))) {}

NodePool::~NodePool() {
    while (newest_ != nullptr) {
        Block* older = newest_->older;
        if (newest_->mappedBytes != 0) {
            UnmapFresh(newest_, newest_->mappedBytes);
        } else {
            ::operator delete(newest_);
        }
        newest_ = older;
    }
}

void NodePool::Swap(NodePool& other) noexcept {
    std::swap(slotSize_, other.slotSize_);
    std::swap(nextBlockSlots_, other.nextBlockSlots_);
    std::swap(expected_, other.expected_);
    std::swap(newest_, other.newest_);
    std::swap(unused_, other.unused_);
    std::swap(unusedEnd_, other.unusedEnd_);
    std::swap(given_, other.given_);
    std::swap(unusedZeroed_, other.unusedZeroed_);
    std::swap(presentEnd_, other.presentEnd_);
}

void* NodePool::Take() {
    if (given_ != nullptr) {
        void* slot = given_;
        std::memcpy(&given_, slot, sizeof given_);
        return slot;
    }
    if (unused_ == unusedEnd_ && !AddBlock()) {
        return nullptr;
    }
    void* slot = unused_;
    unused_ += slotSize_;
    if (unused_ > presentEnd_) {
        PresentMore();
    }
    return slot;
}

void* NodePool::TakeZeroed() {
    const bool recycled = given_ != nullptr;
    void* slot = Take();
    // A fresh slot comes from the newest block, whatever Take had to add.
    if (slot != nullptr && (recycled || !unusedZeroed_)) {
        std::memset(slot, 0, slotSize_);
    }
    return slot;
}

void NodePool::Give(void* slot) {
    std::memcpy(slot, &given_, sizeof given_);
    given_ = slot;
}

void NodePool::Expect(std::size_t slots) {
    const auto left = static_cast<std::size_t>(unusedEnd_ - unused_) / slotSize_;
    if (slots > left) {
        expected_ = slots - left;
    }
}

// Blocks double in size up to 4 MiB: a small store stays small, and a large
// one needs an allocation per six thousand leaves.
bool NodePool::AddBlock() {
    const std::size_t slots = std::max(nextBlockSlots_, expected_);
    expected_ = 0;
    const std::size_t slotBytes = slots * slotSize_;
    const std::size_t lead = slotBytes >= kLargePagesAtLeast ? kLargePage : kHeaderBytes;
    // A whole load's block is mapped fresh, its pages zero already: the slots a loader fills
    // field by field need no clearing of their own (TakeZeroed).
    const bool mapped = slotBytes >= kLargePagesAtLeast;
    void* memory =
        mapped ? MapFresh(lead + slotBytes) : ::operator new(lead + slotBytes, std::nothrow);
    if (memory == nullptr) {
        return slots > nextBlockSlots_ && AddBlock();
    }
    static_assert(sizeof(Block) <= kHeaderBytes);
    auto* block = static_cast<Block*>(memory);
    block->older = newest_;
    block->mappedBytes = mapped ? lead + slotBytes : 0;
    unusedZeroed_ = mapped;
    newest_ = block;
    const auto start = reinterpret_cast<std::uintptr_t>(memory) + kHeaderBytes;
    unused_ = reinterpret_cast<char*>(RoundUp(start, std::min(lead, kLargePage)));
    unusedEnd_ = unused_ + slotBytes;
    // A store of 100 000 leaves touches sixteen thousand fresh pages. A block mapped fresh is
    // made present a large page at a time as its slots are handed out, so that the slots a loader
    // writes are still in the cache from their clearing; any other one at once.
    if (mapped) {
        presentEnd_ = unused_;
        PresentMore();
    } else {
        MakePresent(unused_, slotBytes, false);
        presentEnd_ = unusedEnd_;
    }
    nextBlockSlots_ =
        std::min(nextBlockSlots_ * 2,
                 std::max<std::size_t>(1, (kLargestBlockBytes - kHeaderBytes) / slotSize_));
    return true;
}

// The newest block's pages up to the end of the large page that the last slot handed out
// reaches into.
void NodePool::PresentMore() {
    const auto end = reinterpret_cast<std::uintptr_t>(unused_) + kLargePage;
    char* const upTo = std::min(unusedEnd_, reinterpret_cast<char*>(end / kLargePage * kLargePage));
    if (upTo > presentEnd_) {
        MakePresent(presentEnd_, static_cast<std::size_t>(upTo - presentEnd_), true);
        presentEnd_ = upTo;
    }
}
