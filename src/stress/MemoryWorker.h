// The memory load's copy loop, with the heap and the copy passed in so that tests can make an allocation fail and
// the benchmark can count the copies.
#pragma once

#include <windows.h>

#include <cstddef>

struct WorkerRun;

constexpr size_t kMemoryBlockBytes = 16u * 1024u * 1024u;

struct MemoryBlockCalls {
    void* (*allocate)(size_t bytes);
    void (*release)(void* block);
    void (*copy)(void* destination, const void* source, size_t bytes);
};

// The calls the program's own memory worker makes: the general-purpose heap and one block copy.
extern const MemoryBlockCalls kHeapMemoryCalls;

// Takes a source and a destination block, copies the whole source block onto the destination at least once and
// again while the memory switch and the master switch are on, releases both and returns 1. Ends at once, without
// copying, when either block cannot be had. With a run, tells it whether the load ran or could not.
DWORD RunMemoryLoad(const MemoryBlockCalls& calls, const WorkerRun* run = nullptr);

// The same load with every copy verified (VerifiedCopy.h): the blocks take turns as source and destination, and
// every wrong word is recorded in the run with its offset and the worker's processor. The calls' copy is not
// used. Returns 1.
DWORD RunVerifiedMemoryLoad(const MemoryBlockCalls& calls, const WorkerRun& run);
