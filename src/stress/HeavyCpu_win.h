// Starting the heavy processor load's workers, and what the run needs to hear from them.
#pragma once

#include <windows.h>

#include <atomic>
#include <cstdint>

#include "stress/HeavyCpu.h"

// What the last start of the heavy load chose, for the status part, the log and the report.
struct HeavyCpuStatus {
    // An InstructionSet value.
    std::atomic<int32_t> instructionSet{0};
    // 0: a worker on every processor; else one worker moving on every this many milliseconds.
    std::atomic<int64_t> cycleMilliseconds{0};
};
extern HeavyCpuStatus HeavyCpu;

// Starts one worker bound to each logical processor of every processor group, or, with a cycle period, a single
// worker that starts on processor 0 and moves to the next one every period. The workers join the current run:
// with "Verify results" on, each call is checked and a wrong result is reported to the run as an error of the
// floating-point check on the worker's processor. Returns the number of workers started: 0 when the threads
// cannot be made or no kernel runs on this processor (the run then hears the load could not run).
int StartHeavyCpuWorkers(HWND window, int64_t cycleMilliseconds);
