#include "PresentPages.h"

#include <cstdint>

#include <sys/mman.h>

void MakePresent(void* memory, std::size_t bytes, bool large) {
    constexpr std::uintptr_t kPage = 4096;
    const auto start = reinterpret_cast<std::uintptr_t>(memory);
    const std::uintptr_t first = (start + kPage - 1) / kPage * kPage;
    const std::uintptr_t end = (start + bytes) / kPage * kPage;
#ifdef MADV_HUGEPAGE
    const std::uintptr_t firstLarge = (start + kLargePage - 1) / kLargePage * kLargePage;
    const std::uintptr_t endLarge = (start + bytes) / kLargePage * kLargePage;
    if (large && firstLarge < endLarge) {
        ::madvise(reinterpret_cast<void*>(firstLarge), endLarge - firstLarge, MADV_HUGEPAGE);
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

void* MapFresh(std::size_t bytes) {
    void* memory =
        ::mmap(nullptr, bytes, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    return memory == MAP_FAILED ? nullptr : memory;
}

void UnmapFresh(void* memory, std::size_t bytes) {
    ::munmap(memory, bytes);
}
