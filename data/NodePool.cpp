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

// Makes the whole pages of a new block present in one call: a store of
// 100 000 leaves touches sixteen thousand fresh pages, and taking each by a
// fault of its own was most of loading them at start-up. Only a hint; a kernel
// without it leaves the pages to be faulted in as before.
void Prefault(void* memory, std::size_t bytes) {
    constexpr std::uintptr_t kPage = 4096;
    const auto start = reinterpret_cast<std::uintptr_t>(memory);
    const std::uintptr_t first = (start + kPage - 1) / kPage * kPage;
    const std::uintptr_t end = (start + bytes) / kPage * kPage;
#ifdef MADV_POPULATE_WRITE
    // Memory the C library hands out again is usually present already, and
    // asking for it again would cost a walk over every page for nothing.
    unsigned char present = 0;
    if (first < end &&
        (::mincore(reinterpret_cast<void*>(first), kPage, &present) != 0 || (present & 1) == 0)) {
        ::madvise(reinterpret_cast<void*>(first), end - first, MADV_POPULATE_WRITE);
    }
#endif
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
    Prefault(memory, bytes);
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
