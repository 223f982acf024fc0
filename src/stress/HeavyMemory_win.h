// The memory load over a share of the free memory: one worker bound to each logical processor takes its pairs of
// blocks from the system one by one, as long as the floor stays free, tests them until a switch goes off and
// gives them all back at once.
#pragma once

#include <windows.h>

#include <atomic>
#include <cstdint>

#include "stress/MemoryShare.h"

// What the last start of the load planned and obtained, for the status part, the log and the report.
struct HeavyMemoryStatus {
    std::atomic<uint64_t> askedBytes{0};
    std::atomic<uint64_t> plannedBytes{0};
    // Blocks the workers of the last start obtained.
    std::atomic<uint64_t> obtainedBytes{0};
    // Of those, the pairs each of whose blocks was read (and, with "Verify results", checked) at least once: the
    // memory the load tested. A run stopped soon after the taking tested less than it obtained.
    std::atomic<uint64_t> testedBytes{0};
    // Blocks held now, by the workers of every start.
    std::atomic<uint64_t> heldBytes{0};
    // Some allocation failed, or the floor was reached before the plan was complete.
    std::atomic<int32_t> stoppedShort{0};
};
extern HeavyMemoryStatus HeavyMemory;

// For tests: the physical memory, in MiB, that the plan believes the machine has and has free (0: what the
// system says). Set from the environment variable KESTROVANE_TEST_MEMORY_MIB, which no user sets.
extern std::atomic<uint64_t> HeavyMemoryTestMebibytes;

// Plans the share over one worker per logical processor and starts the workers, each bound to its processor.
// Returns the number of workers started; 0 when nothing can be taken (the load then could not run).
int StartHeavyMemoryWorkers(HWND window, const MemorySize& size);

// The machine's physical memory and what of it is free now, as the plan sees it.
void ReadPhysicalMemory(uint64_t& totalBytes, uint64_t& availableBytes);
