// What a load's check does with a fault it found: records it in the run the worker was started for, with the
// processor and the time, and lets the main window know. Also the test seams that inject faults.
#pragma once

#include <windows.h>

#include <atomic>
#include <cstdint>

#include "run/RunRecord.h"

// The run a worker belongs to, taken when it starts: a worker of an earlier run records nothing into a later one.
struct LoadRun {
    HWND window = nullptr;
    uint32_t runId = 0;
    // The run's "Verify results" setting.
    bool verify = true;
};

LoadRun JoinCurrentRun(HWND window);

// The logical processor the calling thread runs on, counted across processor groups (group 1's first processor
// follows group 0's last).
int32_t CurrentProcessorIndex();

// Stamps the error with the time since the run's start and, when it has none, the current processor; records it
// and posts the window a notice. Any worker thread; never blocks.
void ReportLoadError(const LoadRun& run, RunError& error);

// Test seams: faults that the detector self-test and the tests inject into the real workers. The normal program
// never sets them; the workers look at them once per call or pass, outside their hot loops.
struct InjectedFaults {
    // Calls of MegaAdd, on any processor worker, whose second sum is made one too large before the check.
    std::atomic<int32_t> wrongSums{0};
    // Bits to flip, one per pass of any verified memory worker, in its source block before it is read.
    std::atomic<int32_t> memoryBitFlips{0};
    // Where the flip lands: the byte offset in the block and the bit in that byte.
    std::atomic<uint32_t> memoryFlipOffset{0};
    std::atomic<int32_t> memoryFlipBit{0};
};

extern InjectedFaults TestFaults;

// Takes one injected fault from the counter when there is one; a single relaxed load when there is none.
inline bool TakeInjectedFault(std::atomic<int32_t>& counter) {
    int32_t left = counter.load(std::memory_order_relaxed);
    while (left > 0) {
        if (counter.compare_exchange_weak(left, left - 1, std::memory_order_relaxed))
            return true;
    }
    return false;
}
