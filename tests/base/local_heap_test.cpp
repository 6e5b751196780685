#include <gtest/gtest.h>

#include <string.h>

#include <vector>

#include "base/local_heap.h"

namespace {

bool allZero(const void* block, size_t size) {
    const unsigned char* bytes = (const unsigned char*)block;
    for (size_t i = 0; i < size; ++i) {
        if (bytes[i])
            return false;
    }
    return true;
}

TEST(LocalHeap, BlocksAreZeroFilledAndReportTheirTrueSize) {
    std::vector<HeapBlock> blocks;
    for (size_t size : {0, 1, 7, 8, 40, 100, 1000, 1024, 1025, 5000, 100000}) {
        HeapBlock block = heapAlloc(size);
        ASSERT_NE(block, nullptr) << size;
        ASSERT_GE(heapSize(block), size);
        EXPECT_TRUE(allZero(block, heapSize(block))) << size;
        // The whole reported size is usable.
        memset(block, 0xAB, heapSize(block));
        blocks.push_back(block);
    }
    for (HeapBlock block : blocks)
        heapFree(block);
    EXPECT_EQ(heapSize(nullptr), 0u);
    heapFree(nullptr);
}

TEST(LocalHeap, GrowingKeepsTheContentsAndClearsTheRest) {
    // Grown one element at a time, with other blocks taken in between, across the size at which
    // blocks leave the shared slabs.
    HeapBlock array = heapAlloc(40);
    ASSERT_NE(array, nullptr);
    std::vector<HeapBlock> others;
    size_t reallocations = 0;
    for (size_t count = 1; count <= 400; ++count) {
        size_t wanted = count * 40;
        if (heapSize(array) < wanted) {
            size_t before = heapSize(array);
            HeapBlock grown = heapReAlloc(array, wanted);
            ASSERT_NE(grown, nullptr);
            array = grown;
            ++reallocations;
            ASSERT_GE(heapSize(array), wanted);
            EXPECT_TRUE(allZero((char*)array + before, heapSize(array) - before)) << count;
        }
        memset((char*)array + (count - 1) * 40, (int)(count & 0x7F) + 1, 40);
        if (count % 3 == 0)
            others.push_back(heapAlloc(24));
    }
    for (size_t count = 1; count <= 400; ++count) {
        const unsigned char* item = (const unsigned char*)array + (count - 1) * 40;
        EXPECT_EQ(item[0], (count & 0x7F) + 1);
        EXPECT_EQ(item[39], (count & 0x7F) + 1);
    }
    // Geometric growth: far fewer reallocations than elements.
    EXPECT_LT(reallocations, 20u);
    // Shrinking keeps the block usable at the smaller size.
    HeapBlock shrunk = heapReAlloc(array, 80);
    ASSERT_NE(shrunk, nullptr);
    EXPECT_GE(heapSize(shrunk), 80u);
    EXPECT_EQ(((unsigned char*)shrunk)[0], 2);
    heapFree(shrunk);
    for (HeapBlock block : others)
        heapFree(block);
}

TEST(LocalHeap, ManySmallBlocksStayApart) {
    // Enough blocks for several slabs; each keeps its own bytes, whatever order they are freed
    // in.
    const size_t count = 20000;
    std::vector<unsigned char*> blocks;
    for (size_t i = 0; i < count; ++i) {
        unsigned char* block = (unsigned char*)heapAlloc(8 + i % 64);
        ASSERT_NE(block, nullptr);
        memset(block, (int)(i & 0xFF), 8 + i % 64);
        blocks.push_back(block);
    }
    for (size_t i = 0; i < count; i += 2)
        heapFree(blocks[i]);
    for (size_t i = 1; i < count; i += 2) {
        EXPECT_EQ(blocks[i][0], i & 0xFF);
        EXPECT_EQ(blocks[i][7 + i % 64], i & 0xFF);
    }
    for (size_t i = 1; i < count; i += 2)
        heapFree(blocks[i]);
    HeapBlock movable = heapAllocMovable(16);
    ASSERT_NE(movable, nullptr);
    void* locked = heapLock(movable);
    ASSERT_NE(locked, nullptr);
    EXPECT_TRUE(allZero(locked, 16));
    heapUnlock(movable);
    heapFree(movable);
    HeapBlock uncleared = heapAllocUncleared(3000);
    ASSERT_NE(uncleared, nullptr);
    EXPECT_GE(heapSize(uncleared), 3000u);
    heapFree(uncleared);
}

} // namespace
