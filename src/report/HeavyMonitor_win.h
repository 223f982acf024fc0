// The heavy loads watched once a second while a run lasts: each processor's rate (and clock, where Windows
// offers it) for the log, the throttling and slow rules, the status part's words, and at the run's end what the
// report says of the heavy loads.
#pragma once

#include <atomic>
#include <cstdint>
#include <string>
#include <vector>

#include "report/ProcessorRates.h"
#include "run/HeavyStatusText.h"

// What the user-interface thread shows; written only by the thread that holds the monitor (the run log's thread).
// The rate and the warnings are one load each, so a reader never sees one processor's number with another's drop.
struct HeavyStatusNow {
    std::atomic<double> totalGigaflops{-1};
    // PackProcessorWarnings of the throttling and the slow processor; 0: none.
    std::atomic<uint64_t> warnings{0};
};
extern HeavyStatusNow HeavyNow;

// The status part's words now, for the user-interface thread.
HeavyStatus ReadHeavyStatus();

// At the run's start, on the thread that will tick (the run log's thread, which holds the monitor until its end): opens
// the frequency counters and starts the watch. Returns the extra log columns of the run (ProcessorLogColumns for this
// machine).
std::vector<std::string> BeginHeavyMonitor();
// Once a second, `second` seconds after the run's start: samples the rates and clocks, feeds the watch,
// publishes the status, and gives the values of the extra columns.
void TickHeavyMonitor(int64_t second, std::vector<double>& logValues);
// At the run's end: closes the counters and gives what the report says of the heavy loads.
HeavyRunFacts EndHeavyMonitor();
