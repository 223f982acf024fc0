// What a load's check does with a fault it found: describes it with the processor and hands it to the run, which
// installs the hooks below. The stress engine knows no more of runs than an id and these calls. Also the test
// seams that inject faults.
#pragma once

#include <windows.h>

#include <atomic>
#include <cstdint>

#include "stress/LoadFault.h"
#include "stress/StressState.h"

// The run a worker belongs to, taken when it starts: a worker of an earlier run reports nothing into a later one.
struct WorkerRun {
    HWND window = nullptr;
    uint32_t runId = 0;
    // The run's "Verify results" setting.
    bool verify = true;
    // The run's disk load is the real-disk load: taken when the run begins, so that a disk load started later in
    // the run is the one its record, status part and report describe.
    bool realDisk = false;
};

// The run's side of the master switch and of the workers' findings. Installed once by the run on the
// user-interface thread before any load starts; a hook left null does nothing.
struct RunHooks {
    // The master switch went on with these loads (bit n: LoadType n), before any worker starts; returns the run
    // the workers join.
    WorkerRun (*begin)(HWND window, int32_t selectedLoads) = nullptr;
    // The master switch went off: every worker was told to stop.
    void (*end)(HWND window) = nullptr;
    // A check found a fault. Any worker thread; must not block.
    void (*fault)(const WorkerRun& run, const LoadFault& fault) = nullptr;
    // A load did its work at least once, or could not run at all.
    void (*outcome)(const WorkerRun& run, LoadType load, bool ran) = nullptr;
    // A load that ran had to stop before the run's end for want of what it needs (its folder went away).
    void (*interrupted)(const WorkerRun& run, LoadType load) = nullptr;
};

extern RunHooks StressRunHooks;

// The run that workers starting now join: written by the master switch, read by each worker as it starts.
struct CurrentWorkerRun {
    std::atomic<uint32_t> runId{0};
    std::atomic<int32_t> verify{1};
    // -1 outside the program's runs (a test's own start of the workers): the setting of the moment decides.
    std::atomic<int32_t> realDisk{-1};
};

extern CurrentWorkerRun WorkerRunNow;

WorkerRun JoinCurrentRun(HWND window);

// The logical processor the calling thread runs on, counted across processor groups (group 1's first processor
// follows group 0's last).
int32_t CurrentProcessorIndex();

// Stamps the fault with the current processor when it has none and hands it to the run. Never blocks.
void ReportLoadFault(const WorkerRun& run, LoadFault& fault);
// Tells the run once that the load did its work, or that it could not run at all.
void ReportLoadOutcome(const WorkerRun& run, LoadType load, bool ran);

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
    // Reads of the real-disk load, one per read block, whose data has its lowest bit flipped at this offset of the
    // block once it arrived: a sector damaged on its way back from the device.
    std::atomic<int32_t> diskReadFlips{0};
    std::atomic<uint32_t> diskFlipOffset{0};
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
