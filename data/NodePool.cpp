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

// A block this large (a whole load's, see Expect) has its slots start on a
// large page, so that the kernel can map it in 2 MiB pages: a page table entry
// and a fault per 2 MiB instead of per 4 KiB, which was most of the kernel's
// share of loading 100 000 records.
constexpr std::size_t kLargePage = std::size_t{2} << 20;
constexpr std::size_t kLargePagesAtLeast = 4 * kLargePage;

// Makes the whole pages of a new block present in one call: a store of
// 100 000 leaves touches sixteen thousand fresh pages, and taking each by a
// fault of its own was most of loading them at start-up. Only a hint; a kernel
// without it leaves the pages to be faulted in as before.
void Prefault(void* memory, std::size_t bytes) {
    constexpr std::uintptr_t kPage = 4096;
    const auto start = reinterpret_cast<std::uintptr_t>(memory);
    const std::uintptr_t first = (start + kPage - 1) / kPage * kPage;
    const std::uintptr_t end = (start + bytes) / kPage * kPage;
#ifdef MADV_HUGEPAGE
    if (bytes >= kLargePagesAtLeast) {
        ::madvise(reinterpret_cast<void*>(first), end - first, MADV_HUGEPAGE);
    }
#endif
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
    void* memory = ::operator new(lead + slotBytes, std::nothrow);
    if (memory == nullptr) {
        return slots > nextBlockSlots_ && AddBlock();
    }
    auto* block = static_cast<Block*>(memory);
    block->older = newest_;
    newest_ = block;
    const auto start = reinterpret_cast<std::uintptr_t>(memory) + kHeaderBytes;
    unused_ = reinterpret_cast<char*>(RoundUp(start, std::min(lead, kLargePage)));
    unusedEnd_ = unused_ + slotBytes;
    Prefault(unused_, slotBytes);
    nextBlockSlots_ =
        std::min(nextBlockSlots_ * 2,
                 std::max<std::size_t>(1, (kLargestBlockBytes - kHeaderBytes) / slotSize_));
    return true;
}
