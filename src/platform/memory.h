// Memory that tasks and programs share, as the message ports hand it around. Every block the
// music link takes comes from here, so tests can count what is still held and make it fail.
#pragma once

#include <cstddef>
#include <cstdint>

constexpr uint32_t MEMF_PUBLIC = 1u << 0;   // shareable between tasks (all memory is, here)
constexpr uint32_t MEMF_CLEAR = 1u << 16;   // cleared to zero

// A block of size bytes, cleared when MEMF_CLEAR is asked for; nullptr when none is left.
void *AllocMem(size_t size, uint32_t attributes);

// Returns a block from AllocMem; size must be the size it was taken with. nullptr is ignored.
void FreeMem(void *block, size_t size);

// Blocks taken with AllocMem and not yet returned, for leak checks.
long memoryBlocksInUse();

// Tests: the next count calls of AllocMem fail as if memory had run out.
void failNextAllocations(int count);
