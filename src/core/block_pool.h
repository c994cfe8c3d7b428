#pragma once

#include <cstddef>
#include <mutex>
#include <vector>

namespace qv {

// Fixed-size memory blocks for objects that are created and freed by the hundred thousand (knots and
// their attributes: a large document holds several hundred thousand of them). The general heap grows
// slow and wasteful when such numbers of small objects are freed and allocated again; a pool hands
// blocks out of 64 KB slabs without per-block headers.
//
// Each thread keeps its own list of free blocks, so allocating and freeing take no lock. Free blocks
// move between a thread and the shared store in whole batches (one lock, no walk along the list): a
// thread whose list is full hands it over, a thread whose list is empty takes one, a thread that ends
// hands over what it has. A block may be freed by another thread than the one that allocated it.
// Slabs are kept for reuse for the life of the program, never returned to the system.
//
// Built with AddressSanitizer or ThreadSanitizer, every block comes from the ordinary heap so that their
// checks (use after free, leaks; which thread touched a block in which lifetime) stay exact.
class TBlockPool
{
public:
    // Up to twelve pools exist (each has a slot in every thread's cache); pools live for ever. Blocks
    // are at least 24 bytes (a free block holds the links of its batch).
    explicit TBlockPool(size_t blockSize);
    TBlockPool(const TBlockPool&) = delete;
    TBlockPool& operator=(const TBlockPool&) = delete;

    size_t BlockSize() const { return FBlockSize; }
    void* Allocate();
    void Release(void* block) noexcept;

    // Blocks in the shared list and in the calling thread's list; for tests.
    size_t FreeBlocks();

private:
    friend struct TPoolCaches;
    friend struct TPoolCachesOwner;

    // A free block; the first block of a batch in the shared store also links the next batch.
    struct TFreeBlock
    {
        TFreeBlock* Next;
        TFreeBlock* NextBatch;
        size_t BatchCount;
    };

    struct TList
    {
        TFreeBlock* Head = nullptr;
        size_t Count = 0;
    };

    // A thread's blocks: the list it works on and, so that a thread freeing and allocating around
    // the size of a batch does not take the lock every time, one full batch in reserve.
    struct TLocal
    {
        TList Current;
        TList Spare;
    };

    TLocal& Local();
    void Refill(TLocal& local);
    void HandOver(TList& list) noexcept;

    const size_t FBlockSize;
    const int FIndex;
    std::mutex FLock;
    TFreeBlock* FBatches = nullptr; // the shared store: a stack of batches
    size_t FSharedCount = 0;
    std::vector<void*> FSlabs;
};

} // namespace qv
