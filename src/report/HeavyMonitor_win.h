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

// What the user-interface thread shows; written by the thread that ticks the monitor.
struct HeavyStatusNow {
    std::atomic<double> totalGigaflops{-1};
    std::atomic<int32_t> throttlingProcessor{-1};
    std::atomic<int32_t> throttlingDropPercent{0};
    std::atomic<int32_t> throttlingCount{0};
    std::atomic<int32_t> slowProcessor{-1};
    std::atomic<int32_t> slowDropPercent{0};
    std::atomic<int32_t> slowCount{0};
};
extern HeavyStatusNow HeavyNow;

// The status part's words now, for the user-interface thread.
HeavyStatus ReadHeavyStatus();

// At the run's start, on the thread that will tick: opens the frequency counters and starts the watch. Returns
// the extra log columns of the run (ProcessorLogColumns for this machine).
std::vector<std::string> BeginHeavyMonitor();
// Once a second, `second` seconds after the run's start: samples the rates and clocks, feeds the watch,
// publishes the status, and gives the values of the extra columns.
void TickHeavyMonitor(int64_t second, std::vector<double>& logValues);
// At the run's end: closes the counters and gives what the report says of the heavy loads.
HeavyRunFacts EndHeavyMonitor();

// Until the run log's writer ticks the monitor with each line it writes: called once a second by the
// user-interface thread's timer, begins the monitor when a run has begun, ticks it once per second of the run,
// and ends it when the run has ended.
void UpdateHeavyMonitor();
// What EndHeavyMonitor gave for the last run that ended, for its report.
const HeavyRunFacts& LastHeavyRunFacts();
