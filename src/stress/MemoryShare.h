// How much memory the memory load takes: the specified two 16 MiB blocks per processor, or a share of the free
// physical memory (or a number of MiB) spread over the bound workers in pairs of blocks, never so much that less
// than max(512 MiB, 10 % of the physical memory) stays free.
#pragma once

#include <cstdint>

enum class MemorySizeKind : int { Standard = 0, Percent = 1, Mebibytes = 2 };

struct MemorySize {
    MemorySizeKind kind = MemorySizeKind::Standard;
    // Percent of the free physical memory, or MiB, as kind says.
    int64_t amount = 0;
};

constexpr uint64_t kMebibyte = uint64_t(1) << 20;
constexpr uint64_t kMinimumFreeBytes = 512 * kMebibyte;
constexpr uint64_t kMinimumFreeDivisor = 10;
// The largest block: one allocation of the system's (VirtualAlloc), and one verified pass between two polls of the
// switches takes some 10 to 30 ms.
constexpr uint64_t kLargestShareBlockBytes = 64 * kMebibyte;
// Blocks are whole multiples of this (the verified copy's unit and the allocation granularity alike).
constexpr uint64_t kShareBlockUnitBytes = 64 * 1024;

// What stays free whatever was asked: max(512 MiB, 10 % of the physical memory).
uint64_t FreeMemoryFloor(uint64_t totalPhysicalBytes);

struct MemoryPlan {
    // What the setting asks for, before any limit.
    uint64_t askedBytes = 0;
    // The most that may be taken now: what is free above the floor.
    uint64_t allowedBytes = 0;
    // The workers that take part (fewer than asked only when not each would get a pair of the smallest blocks);
    // per worker: pairs of blocks of blockBytes each (a source and a destination that swap roles each pass).
    int workers = 0;
    uint64_t blockBytes = 0;
    uint64_t pairsPerWorker = 0;
    // workers × pairs × 2 blocks: what the load will hold when every allocation succeeds.
    uint64_t plannedBytes = 0;
};

// The plan for a share or a size in MiB over `workers` workers, from the machine's physical memory and what of
// it is free now. Empty (no pairs) when the floor leaves nothing or for the standard size, which the specified
// workers take care of.
MemoryPlan PlanMemoryLoad(const MemorySize& size,
                          uint64_t totalPhysicalBytes,
                          uint64_t availablePhysicalBytes,
                          int workers);

// Whether another `bytes` may be taken when `availableBytes` are free and `pendingBytes` more are already being
// taken by other workers (allocated, not yet touched, so not yet counted as in use).
bool MayTakeMore(uint64_t bytes, uint64_t availableBytes, uint64_t pendingBytes, uint64_t floorBytes);
