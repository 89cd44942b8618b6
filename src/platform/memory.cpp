// AllocMem and FreeMem over the C heap, with a count of blocks in use.
#include "platform/memory.h"

#include <atomic>
#include <cstdlib>

namespace {
std::atomic<long> blocksInUse{0};
std::atomic<int> failuresAhead{0};
}  // namespace

void *AllocMem(size_t size, uint32_t attributes) {
    int ahead = failuresAhead.load();
    while (ahead > 0 && !failuresAhead.compare_exchange_weak(ahead, ahead - 1)) {
    }
    if (ahead > 0 || size == 0) return nullptr;
    void *block = (attributes & MEMF_CLEAR) ? std::calloc(1, size) : std::malloc(size);
    if (block) blocksInUse++;
    return block;
}

void FreeMem(void *block, size_t) {
    if (!block) return;
    std::free(block);
    blocksInUse--;
}

long memoryBlocksInUse() { return blocksInUse.load(); }

void failNextAllocations(int count) { failuresAhead = count; }
