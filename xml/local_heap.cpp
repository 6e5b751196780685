#include "xml/local_heap.h"

// Growth asks for half as much again as the block holds, so that arrays grown one element at
// a time are copied a logarithmic number of times; the size reported is the block's true size.
static size_t grownSize(size_t current, size_t wanted) {
    size_t generous = current + current / 2;
    return wanted > current && generous > wanted ? generous : wanted;
}

#if defined(_WIN32)
#include <windows.h>

HeapBlock heapAlloc(size_t size) {
    return LocalAlloc(LPTR, size);
}
HeapBlock heapAllocMovable(size_t size) {
    return LocalAlloc(LHND, size);
}

HeapBlock heapReAlloc(HeapBlock block, size_t size) {
    size_t target = grownSize(LocalSize(block), size);
    HeapBlock grown = LocalReAlloc(block, target, LMEM_MOVEABLE | LMEM_ZEROINIT);
    if (!grown && target != size)
        grown = LocalReAlloc(block, size, LMEM_MOVEABLE | LMEM_ZEROINIT);
    return grown;
}

size_t heapSize(HeapBlock block) {
    return LocalSize(block);
}
void* heapLock(HeapBlock block) {
    return LocalLock(block);
}
void heapUnlock(HeapBlock block) {
    LocalUnlock(block);
}
void heapFree(HeapBlock block) {
    LocalFree(block);
}

#else
#include <stdlib.h>
#include <string.h>

// Each block carries its usable size in front of it.
struct BlockHeader {
    size_t size;
    size_t padding; // keeps the data 16-byte aligned
};

static BlockHeader* headerOf(HeapBlock block) {
    return (BlockHeader*)block - 1;
}

HeapBlock heapAlloc(size_t size) {
    BlockHeader* header = (BlockHeader*)calloc(1, sizeof(BlockHeader) + size);
    if (!header)
        return nullptr;
    header->size = size;
    return header + 1;
}

HeapBlock heapAllocMovable(size_t size) {
    return heapAlloc(size);
}

HeapBlock heapReAlloc(HeapBlock block, size_t size) {
    BlockHeader* header = headerOf(block);
    size_t old = header->size;
    size_t target = grownSize(old, size);
    BlockHeader* grown = (BlockHeader*)realloc(header, sizeof(BlockHeader) + target);
    if (!grown)
        return nullptr;
    if (target > old)
        memset((char*)(grown + 1) + old, 0, target - old);
    grown->size = target;
    return grown + 1;
}

size_t heapSize(HeapBlock block) {
    return block ? headerOf(block)->size : 0;
}
void* heapLock(HeapBlock block) {
    return block;
}
void heapUnlock(HeapBlock) {}
void heapFree(HeapBlock block) {
    if (block)
        free(headerOf(block));
}
#endif
