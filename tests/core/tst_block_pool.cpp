#include "core/block_pool.h"

#include <gtest/gtest.h>

#include <cstring>
#include <set>
#include <thread>
#include <vector>

namespace qv {
namespace {

#if defined(__SANITIZE_ADDRESS__)
constexpr bool poolUsesHeap = true;
#else
constexpr bool poolUsesHeap = false;
#endif

TBlockPool& TestPool()
{
    static TBlockPool& pool = *new TBlockPool(40);
    return pool;
}

TEST(BlockPool, BlocksAreDistinctAlignedAndWritable)
{
    TBlockPool& pool = TestPool();
    EXPECT_EQ(pool.BlockSize(), 40u);
    std::vector<void*> blocks;
    std::set<void*> distinct;
    for (int i = 0; i < 5000; ++i) {
        void* block = pool.Allocate();
        EXPECT_EQ(reinterpret_cast<uintptr_t>(block) % 8, 0u);
        std::memset(block, i & 0xFF, pool.BlockSize());
        blocks.push_back(block);
        distinct.insert(block);
    }
    EXPECT_EQ(distinct.size(), blocks.size());
    for (size_t i = 0; i < blocks.size(); ++i)
        EXPECT_EQ(static_cast<unsigned char*>(blocks[i])[39], i & 0xFF) << i;
    for (void* block : blocks)
        pool.Release(block);
}

// Blocks freed by one thread serve another; a thread that ends hands its blocks back.
TEST(BlockPool, BlocksMoveBetweenThreads)
{
    if (poolUsesHeap)
        GTEST_SKIP() << "built with AddressSanitizer: blocks come from the heap";
    TBlockPool& pool = TestPool();
    std::vector<void*> blocks(3000);
    std::thread producer([&] {
        for (void*& block : blocks)
            block = pool.Allocate();
    });
    producer.join();
    const size_t before = pool.FreeBlocks();
    std::thread consumer([&] {
        for (void* block : blocks)
            pool.Release(block);
    });
    consumer.join();
    EXPECT_GE(pool.FreeBlocks(), before + blocks.size());

    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t) {
        threads.emplace_back([&pool, t] {
            std::vector<void*> mine;
            for (int round = 0; round < 20; ++round) {
                for (int i = 0; i < 700; ++i) {
                    mine.push_back(pool.Allocate());
                    std::memset(mine.back(), t, pool.BlockSize());
                }
                for (void* block : mine) {
                    ASSERT_EQ(*static_cast<unsigned char*>(block), t);
                    pool.Release(block);
                }
                mine.clear();
            }
        });
    }
    for (std::thread& thread : threads)
        thread.join();
}

} // namespace
} // namespace qv
