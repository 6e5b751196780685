#include "bench/heap_meter.h"

#include <malloc.h>

extern "C" {
void* __libc_malloc(size_t);
void* __libc_calloc(size_t, size_t);
void* __libc_realloc(void*, size_t);
void __libc_free(void*);
void* __libc_memalign(size_t, size_t);
}

namespace {

// One thread allocates while a measurement runs; plain counters are enough.
// Only blocks allocated and freed between start and stop are counted, so that the timed
// loops pay nothing for the meter.
bool metering;
long long held;
long long peak;
long long base;

void count(void* block) {
    if (!block || !metering)
        return;
    held += (long long)malloc_usable_size(block);
    if (held > peak)
        peak = held;
}

void uncount(void* block) {
    if (block && metering)
        held -= (long long)malloc_usable_size(block);
}

} // namespace

void startHeapMeasure() {
    metering = true;
    base = held;
    peak = held;
}

size_t stopHeapMeasure() {
    metering = false;
    return (size_t)(peak - base);
}

extern "C" {

void* malloc(size_t size) {
    void* block = __libc_malloc(size);
    count(block);
    return block;
}

void* calloc(size_t count_, size_t size) {
    void* block = __libc_calloc(count_, size);
    count(block);
    return block;
}

// Counted as if the old block were held until the new one exists, which is the worst case.
void* realloc(void* old, size_t size) {
    long long oldSize = old && metering ? (long long)malloc_usable_size(old) : 0;
    void* block = __libc_realloc(old, size);
    if (block || !size) {
        count(block);
        held -= oldSize;
    }
    return block;
}

void free(void* block) {
    uncount(block);
    __libc_free(block);
}

void* memalign(size_t alignment, size_t size) {
    void* block = __libc_memalign(alignment, size);
    count(block);
    return block;
}

void* aligned_alloc(size_t alignment, size_t size) {
    return memalign(alignment, size);
}

int posix_memalign(void** result, size_t alignment, size_t size) {
    void* block = __libc_memalign(alignment, size);
    if (!block)
        return 12; // ENOMEM
    count(block);
    *result = block;
    return 0;
}
}
