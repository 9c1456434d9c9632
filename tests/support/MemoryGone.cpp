#include "MemoryGone.h"

#include <cstddef>
#include <new>

bool g_memoryGone = false;

void* operator new(std::size_t size, const std::nothrow_t&) noexcept {
    if (g_memoryGone) {
        return nullptr;
    }
    try {
        return ::operator new(size);
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
}
