// Running out of memory on purpose: while a MemoryGone lives, every allocation
// that may fail without throwing does fail. The store asks for its memory
// only that way, so a test sees what the program does when none is left.
#pragma once

extern bool g_memoryGone;

class MemoryGone {
  public:
    MemoryGone() { g_memoryGone = true; }
    ~MemoryGone() { g_memoryGone = false; }
    MemoryGone(const MemoryGone&) = delete;
    MemoryGone& operator=(const MemoryGone&) = delete;
};
