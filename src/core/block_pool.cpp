#include "core/block_pool.h"

#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <new>

#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
#define QV_POOL_USES_HEAP 1
#else
#define QV_POOL_USES_HEAP 0
#endif

namespace qv {

namespace {

constexpr int maxPools = 12;
constexpr size_t slabBytes = 64 * 1024;
// Blocks moved between a thread's list and the shared list at once.
constexpr size_t batchBlocks = 256;

std::atomic<int> poolCount{0};
TBlockPool* pools[maxPools];

} // namespace

// Every thread's free lists, one per pool. Plain data, so that reaching them costs no check of
// initialisation; the hand-back at the end of the thread is a separate object (TPoolCachesOwner),
// which a thread creates the first time it takes blocks from a pool.
struct TPoolCaches
{
    TBlockPool::TLocal Lists[maxPools];
};

namespace {

thread_local TPoolCaches caches;

} // namespace

struct TPoolCachesOwner
{
    ~TPoolCachesOwner()
    {
        for (int i = 0; i < maxPools; ++i) {
            for (TBlockPool::TList* list : {&caches.Lists[i].Current, &caches.Lists[i].Spare}) {
                if (list->Count > 0)
                    pools[i]->HandOver(*list);
            }
        }
    }
};

namespace {

thread_local TPoolCachesOwner cachesOwner;

} // namespace

TBlockPool::TBlockPool(size_t blockSize)
    : FBlockSize((std::max(blockSize, sizeof(TFreeBlock)) + 7) & ~size_t(7)), FIndex(poolCount++)
{
    if (FIndex >= maxPools)
        std::abort(); // a programming error: raise maxPools
    pools[FIndex] = this;
}

TBlockPool::TLocal& TBlockPool::Local()
{
    return caches.Lists[FIndex];
}

void* TBlockPool::Allocate()
{
    if (QV_POOL_USES_HEAP)
        return ::operator new(FBlockSize);
    TLocal& local = Local();
    if (local.Current.Head == nullptr)
        Refill(local);
    TFreeBlock* block = local.Current.Head;
    local.Current.Head = block->Next;
    --local.Current.Count;
    // Freed blocks lie anywhere: fetch the next one while this one is being filled.
    __builtin_prefetch(local.Current.Head, 1);
    return block;
}

void TBlockPool::Release(void* block) noexcept
{
    if (QV_POOL_USES_HEAP) {
        ::operator delete(block);
        return;
    }
    TLocal& local = Local();
    if (local.Current.Count == 0)
        static_cast<void>(&cachesOwner); // a thread that only frees hands its blocks back too
    if (local.Current.Count >= batchBlocks) {
        if (local.Spare.Count > 0)
            HandOver(local.Spare);
        local.Spare = local.Current;
        local.Current = TList();
    }
    auto* freed = static_cast<TFreeBlock*>(block);
    freed->Next = local.Current.Head;
    local.Current.Head = freed;
    ++local.Current.Count;
}

// Takes the spare batch, a batch from the shared store, or cuts a new slab.
void TBlockPool::Refill(TLocal& local)
{
    static_cast<void>(&cachesOwner); // registers the hand-back at the end of this thread
    if (local.Spare.Count > 0) {
        local.Current = local.Spare;
        local.Spare = TList();
        return;
    }
    {
        std::lock_guard<std::mutex> guard(FLock);
        if (TFreeBlock* batch = FBatches) {
            FBatches = batch->NextBatch;
            FSharedCount -= batch->BatchCount;
            local.Current.Head = batch;
            local.Current.Count = batch->BatchCount;
            return;
        }
    }
    char* slab = static_cast<char*>(std::malloc(slabBytes));
    if (slab == nullptr)
        throw std::bad_alloc();
    {
        std::lock_guard<std::mutex> guard(FLock);
        FSlabs.push_back(slab);
    }
    const size_t blocks = slabBytes / FBlockSize;
    // Threaded so that blocks are handed out in address order.
    TList& list = local.Current;
    for (size_t i = blocks; i-- > 0;) {
        auto* block = reinterpret_cast<TFreeBlock*>(slab + i * FBlockSize);
        block->Next = list.Head;
        list.Head = block;
    }
    list.Count += blocks;
}

// Moves a whole list to the shared store as one batch.
void TBlockPool::HandOver(TList& list) noexcept
{
    TFreeBlock* batch = list.Head;
    batch->BatchCount = list.Count;
    list = TList();
    std::lock_guard<std::mutex> guard(FLock);
    batch->NextBatch = FBatches;
    FBatches = batch;
    FSharedCount += batch->BatchCount;
}

size_t TBlockPool::FreeBlocks()
{
    const size_t local = Local().Current.Count + Local().Spare.Count;
    std::lock_guard<std::mutex> guard(FLock);
    return FSharedCount + local;
}

} // namespace qv
