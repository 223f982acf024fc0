// Starting the heavy processor load's workers, and what the run needs to hear from them.
#pragma once

#include <windows.h>

#include <atomic>
#include <cstdint>

#include "stress/HeavyCpu.h"

// Receives every wrong result a heavy worker finds, on that worker's thread; must not block. Installed by the
// run before any load starts; while it is null, nothing is reported.
using HeavyFaultHandler = void (*)(HWND window, const FmaMismatch& mismatch);
extern HeavyFaultHandler HeavyFaultHook;

// What the last start of the heavy load chose, for the status part, the log and the report.
struct HeavyCpuStatus {
    // An InstructionSet value.
    std::atomic<int32_t> instructionSet{0};
    // 0: a worker on every processor; else one worker moving on every this many milliseconds.
    std::atomic<int64_t> cycleMilliseconds{0};
};
extern HeavyCpuStatus HeavyCpu;

// Starts one worker bound to each logical processor of every processor group, or, with a cycle period, a single
// worker that starts on processor 0 and moves to the next one every period. Returns the number of workers
// started: 0 when the threads cannot be made or no kernel runs on this processor.
int StartHeavyCpuWorkers(HWND window, int64_t cycleMilliseconds);
