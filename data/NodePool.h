// NodePool: the memory of a store's nodes, fixed-size slots carved from large
// blocks and recycled through a free list. Nodes made one after another sit
// side by side, so a store loaded in key order keeps its leaves in memory
// order, and 100 000 records cost a few dozen allocations instead of 150 000.
#pragma once

#include <cstddef>

class NodePool {
  public:
    // Slots of at least `slotSize` bytes, aligned for pointers.
    explicit NodePool(std::size_t slotSize);
    // Frees every block, and with them every slot still handed out.
    ~NodePool();
    NodePool(const NodePool&) = delete;
    NodePool& operator=(const NodePool&) = delete;

    // An uninitialised slot; nullptr when no memory is left, and then the pool
    // and every slot handed out stay as they were.
    void* Take();
    // Take of a slot whose bytes are all zero: one never handed out of a block that came zeroed
    // costs nothing more, any other is cleared.
    void* TakeZeroed();
    // Takes back a slot that Take handed out, for a later Take.
    void Give(void* slot);
    // Makes the next block, when one is needed, hold `slots` slots at least, so that a load that
    // knows its size gets all its memory, and makes it present, in one call. A hint: a block
    // that large that cannot be had is asked for in the usual size.
    void Expect(std::size_t slots);
    // The bytes each slot takes.
    std::size_t SlotSize() const { return slotSize_; }
    // Trades every block and slot with `other`: what either handed out now
    // belongs to the other.
    void Swap(NodePool& other) noexcept;

  private:
    struct Block {
        Block* older;
        std::size_t mappedBytes;  // 0 for memory from operator new
    };
    static constexpr std::size_t kFirstBlockSlots = 16;
    // Few enough blocks that making their pages present costs a few dozen
    // calls for 100 000 leaves; small enough that the unused end of the last
    // block stays a few per cent of a large store.
    static constexpr std::size_t kLargestBlockBytes = std::size_t{4} << 20;

    bool AddBlock();
    void PresentMore();

    std::size_t slotSize_;
    std::size_t nextBlockSlots_ = kFirstBlockSlots;
    std::size_t expected_ = 0;  // slots the next block must hold at least, 0 for no such wish
    Block* newest_ = nullptr;
    char* unused_ = nullptr;  // the newest block's slots never handed out
    char* unusedEnd_ = nullptr;
    void* given_ = nullptr;       // slots given back, each holding the next one's address
    bool unusedZeroed_ = false;   // the newest block's unused slots are all zero
    char* presentEnd_ = nullptr;  // where the newest block's pages made present end
};
