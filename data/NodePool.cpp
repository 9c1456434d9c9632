#include "NodePool.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <new>

#include <sys/mman.h>

namespace {

constexpr std::size_t RoundUp(std::size_t n, std::size_t to) {
    return (n + to - 1) / to * to;
}

// The block header takes the first slot's alignment unit, so slots stay aligned.
constexpr std::size_t kHeaderBytes = RoundUp(sizeof(void*), alignof(std::max_align_t));

// Asks for huge pages over the 2 MiB pages a block reaches into: its first
// touch then costs one fault per 2 MiB instead of one per 4 KiB. The C library
// maps a block this large on its own, so the pages around it are its mapping.
// Only a hint; without it the block works the same.
void AdviseHugePages(void* memory, std::size_t bytes) {
    constexpr std::uintptr_t kHugePage = std::uintptr_t{2} << 20;
    if (bytes < kHugePage) {
        return;
    }
    const auto start = reinterpret_cast<std::uintptr_t>(memory);
    const std::uintptr_t first = start / kHugePage * kHugePage;
    const std::uintptr_t end = (start + bytes + kHugePage - 1) / kHugePage * kHugePage;
    ::madvise(reinterpret_cast<void*>(first), end - first, MADV_HUGEPAGE);
}

}  // namespace

NodePool::NodePool(std::size_t slotSize)
    : slotSize_(RoundUp(std::max(slotSize, sizeof(void*)), alignof(void*))) {}

NodePool::~NodePool() {
    while (newest_ != nullptr) {
        Block* older = newest_->older;
        ::operator delete(newest_);
        newest_ = older;
    }
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
    return slot;
}

void NodePool::Give(void* slot) {
    std::memcpy(slot, &given_, sizeof given_);
    given_ = slot;
}

// Blocks double in size up to 4 MiB: a small store stays small, and a large
// one needs an allocation per six thousand leaves.
bool NodePool::AddBlock() {
    const std::size_t bytes = kHeaderBytes + nextBlockSlots_ * slotSize_;
    void* memory = ::operator new(bytes, std::nothrow);
    if (memory == nullptr) {
        return false;
    }
    AdviseHugePages(memory, bytes);
    auto* block = static_cast<Block*>(memory);
    block->older = newest_;
    newest_ = block;
    unused_ = static_cast<char*>(memory) + kHeaderBytes;
    unusedEnd_ = unused_ + nextBlockSlots_ * slotSize_;
    nextBlockSlots_ =
        std::min(nextBlockSlots_ * 2,
                 std::max<std::size_t>(1, (kLargestBlockBytes - kHeaderBytes) / slotSize_));
    return true;
}
