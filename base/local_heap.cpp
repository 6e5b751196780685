#include "base/local_heap.h"

// Growth asks for twice what the block holds, so that arrays grown one element at a time are
// copied a logarithmic number of times, each byte about once in all; the size reported is the
// block's true size.
static size_t grownSize(size_t current, size_t wanted) {
    size_t generous = current <= (size_t)-1 / 2 ? 2 * current : wanted;
    return wanted > current && generous > wanted ? generous : wanted;
}

#if defined(_WIN32)
#include <windows.h>

HeapBlock heapAlloc(size_t size) {
    return LocalAlloc(LPTR, size);
}
HeapBlock heapAllocUncleared(size_t size) {
    return LocalAlloc(LMEM_FIXED, size);
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
#include <stdint.h>
#include <stdlib.h>
#include <string.h>

// Blocks of up to LargestSlabBlock bytes are carved one after the other from slabs taken from
// malloc; a slab goes back to malloc when its last block is freed. A parse
// allocates many small blocks and frees them all together, which this serves at a fraction of
// malloc's cost per block and without its consolidation work. Larger blocks come from malloc
// itself. Like the catalog engine, this is single-threaded. Builds with AddressSanitizer give
// every block its own allocation, so that the sanitizer sees each block's bounds.
#if defined(__has_feature)
#if __has_feature(address_sanitizer)
#define ZEL_HEAP_SANITIZED 1
#endif
#endif
#if defined(__SANITIZE_ADDRESS__)
#define ZEL_HEAP_SANITIZED 1
#endif

namespace {

struct Slab {
    size_t live; // blocks carved and not yet freed
    char* next;
    char* end;
    size_t padding;
};

// The eight bytes in front of every block: its usable size and where its slab begins. A block
// of its own has no slab (offset 0) and keeps its size in the eight bytes before these.
struct BlockTag {
    uint32_t size;
    uint32_t slabOffset;
};

struct OwnHeader {
    size_t size;
    BlockTag tag;
};

const size_t SlabSize = 64 * 1024;
const size_t LargestSlabBlock = 1024;
#if defined(ZEL_HEAP_SANITIZED)
const bool UseSlabs = false;
#else
const bool UseSlabs = true;
#endif

Slab* currentSlab;

BlockTag* tagOf(HeapBlock block) {
    return (BlockTag*)block - 1;
}

Slab* slabOf(HeapBlock block) {
    BlockTag* tag = tagOf(block);
    return tag->slabOffset ? (Slab*)((char*)tag - tag->slabOffset) : nullptr;
}

OwnHeader* ownHeaderOf(HeapBlock block) {
    return (OwnHeader*)block - 1;
}

// Blocks in a slab are 8-byte aligned, which every record of the engine needs at most.
size_t roundUp(size_t size) {
    return (size + 7) & ~(size_t)7;
}

// Most blocks are a few words long: stores of their own beat a call or a string instruction,
// and the lines written here are written again by the caller at once.
void clearWords(uint64_t* words, size_t count) {
    if (count > 8) {
        memset(words, 0, count * 8);
        return;
    }
    switch (count) {
    case 8:
        words[7] = 0;
        [[fallthrough]];
    case 7:
        words[6] = 0;
        [[fallthrough]];
    case 6:
        words[5] = 0;
        [[fallthrough]];
    case 5:
        words[4] = 0;
        [[fallthrough]];
    case 4:
        words[3] = 0;
        [[fallthrough]];
    case 3:
        words[2] = 0;
        [[fallthrough]];
    case 2:
        words[1] = 0;
        [[fallthrough]];
    case 1:
        words[0] = 0;
        [[fallthrough]];
    default:
        break;
    }
}

HeapBlock carve(size_t size) {
    size_t usable = roundUp(size);
    size_t needed = sizeof(BlockTag) + usable;
    Slab* slab = currentSlab;
    if (!slab || (size_t)(slab->end - slab->next) < needed) {
        Slab* fresh = (Slab*)malloc(SlabSize);
        if (!fresh)
            return nullptr;
        fresh->live = 0;
        fresh->next = (char*)(fresh + 1);
        fresh->end = (char*)fresh + SlabSize;
        currentSlab = slab = fresh;
    }
    BlockTag* tag = (BlockTag*)slab->next;
    slab->next += needed;
    ++slab->live;
    tag->size = (uint32_t)usable;
    tag->slabOffset = (uint32_t)((char*)tag - (char*)slab);
    clearWords((uint64_t*)(tag + 1), usable / 8);
    return tag + 1;
}

HeapBlock allocateOwn(size_t size, bool clear) {
    if (size > (size_t)-1 - sizeof(OwnHeader))
        return nullptr;
    OwnHeader* header = (OwnHeader*)(clear ? calloc(1, sizeof(OwnHeader) + size)
                                           : malloc(sizeof(OwnHeader) + size));
    if (!header)
        return nullptr;
    header->size = size;
    header->tag.size = 0;
    header->tag.slabOffset = 0;
    return header + 1;
}

} // namespace

HeapBlock heapAlloc(size_t size) {
    return UseSlabs && size <= LargestSlabBlock ? carve(size) : allocateOwn(size, true);
}

HeapBlock heapAllocUncleared(size_t size) {
    return UseSlabs && size <= LargestSlabBlock ? carve(size) : allocateOwn(size, false);
}

HeapBlock heapAllocMovable(size_t size) {
    return heapAlloc(size);
}

HeapBlock heapReAlloc(HeapBlock block, size_t size) {
    size_t old = heapSize(block);
    size_t target = grownSize(old, size);
    Slab* slab = slabOf(block);
    if (!slab) {
        if (target > (size_t)-1 - sizeof(OwnHeader))
            return nullptr;
        OwnHeader* grown = (OwnHeader*)realloc(ownHeaderOf(block), sizeof(OwnHeader) + target);
        if (!grown)
            return nullptr;
        if (target > old)
            memset((char*)(grown + 1) + old, 0, target - old);
        grown->size = target;
        return grown + 1;
    }
    if (target <= old)
        return block; // a slab block that shrinks keeps its place
    // The newest block of the current slab grows where it stands when the slab has room.
    char* end = (char*)block + old;
    size_t usable = roundUp(target);
    if (slab == currentSlab && end == slab->next && usable <= LargestSlabBlock &&
        usable - old <= (size_t)(slab->end - end)) {
        memset(end, 0, usable - old);
        slab->next = (char*)block + usable;
        tagOf(block)->size = (uint32_t)usable;
        return block;
    }
    HeapBlock grown = heapAlloc(target);
    if (!grown && target != size)
        grown = heapAlloc(size);
    if (!grown)
        return nullptr;
    memcpy(grown, block, old);
    heapFree(block);
    return grown;
}

size_t heapSize(HeapBlock block) {
    if (!block)
        return 0;
    return slabOf(block) ? tagOf(block)->size : ownHeaderOf(block)->size;
}
void* heapLock(HeapBlock block) {
    return block;
}
void heapUnlock(HeapBlock) {}
void heapFree(HeapBlock block) {
    if (!block)
        return;
    Slab* slab = slabOf(block);
    if (!slab) {
        free(ownHeaderOf(block));
        return;
    }
    // An empty slab goes back at once, the current one included, so that nothing stays held
    // between parses.
    if (--slab->live == 0) {
        if (slab == currentSlab)
            currentSlab = nullptr;
        free(slab);
    }
}
#endif
