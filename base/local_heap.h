// The local-heap layer of the catalog engine. On Windows these are the
// LocalAlloc family; elsewhere the malloc family with the same contract:
// blocks are zero-filled, reallocation zero-fills the added bytes, and
// heapSize reports the block's true usable size (which may exceed the size
// asked for).
#pragma once

#include <stddef.h>

typedef void* HeapBlock;

// Fixed, zero-filled block (LMEM_FIXED | LMEM_ZEROINIT); its handle is its address.
HeapBlock heapAlloc(size_t size);
// Fixed block whose bytes are left as they are, for a caller that writes every one of them at
// once (LMEM_FIXED).
HeapBlock heapAllocUncleared(size_t size);
// Movable, zero-filled block (LMEM_MOVEABLE | LMEM_ZEROINIT); heapLock gives its address.
HeapBlock heapAllocMovable(size_t size);
// Grows or shrinks a block (movable, zero-filling added bytes); none on failure, the old block
// then stays valid.
HeapBlock heapReAlloc(HeapBlock block, size_t size);
size_t heapSize(HeapBlock block);
void* heapLock(HeapBlock block);
void heapUnlock(HeapBlock block);
void heapFree(HeapBlock block);
