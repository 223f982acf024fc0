// The heavy mode's figures in the run's files: one log column per processor for its rate (and its clock, where
// Windows offers it), the total, the processors throttling and slow at each second; the summary of each
// processor's column for the report; and what the run knew of the heavy loads at its end.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "report/RunLog.h"
#include "run/ProcessorWatch.h"

// "cpu3_gflops", "cpu3_mhz": processor 3's columns.
std::string ProcessorRateColumn(int processor);
std::string ProcessorClockColumn(int processor);
// The floating-point load's total over all processors, and the count of processors throttling (and slow) at
// each second.
constexpr char kTotalFloatingPointColumn[] = "fp_gflops";
constexpr char kThrottlingColumn[] = "throttling";
constexpr char kSlowColumn[] = "slow";

// The extra columns of a heavy run, in the order ProcessorLogValues writes them: the total, each processor's
// rate, each processor's clock when there is one, then throttling and slow.
std::vector<std::string> ProcessorLogColumns(int processors, bool withClock);
// One second's values for those columns: NaN (an empty field) for a processor without a rate or a clock.
void ProcessorLogValues(const std::vector<double>& rates,
                        const std::vector<double>& megahertz,
                        bool withClock,
                        int throttling,
                        int slow,
                        std::vector<double>& values);

// What one processor's columns say over the seconds the master and processor switches were on.
struct ProcessorSummary {
    int32_t processor = 0;
    size_t samples = 0;
    // GFLOPS; NaN without a sample.
    double median = 0;
    double minimum = 0;
    // The median of the last minute of the run in which the processor had rates.
    double lastMinute = 0;
    // The median of its clock in MHz; NaN where the log has none.
    double medianMegahertz = 0;
};

constexpr int kLastMinuteSeconds = 60;

// One summary per processor column the log has, by processor number.
std::vector<ProcessorSummary> SummarizeProcessors(const RunLogData& log);

enum class CycleResult : int { NotReached = 0, Passed = 1, Failed = 2 };
// One processor at a time: a processor the worker reached passed unless errors were found on it.
CycleResult CycleResultOf(const ProcessorSummary& summary, int32_t errors);
// "passed", "failed", "not_reached", as the JSON names them.
const char* CycleResultKey(CycleResult result);

// What the run's Windows half knew of the heavy loads when the run ended.
struct HeavyRunFacts {
    // The processor load ran the floating-point kernel; on which instruction set; one processor at a time with
    // this period (0: a worker on every processor).
    bool floatingPoint = false;
    std::string instructionSet;
    int64_t cycleSeconds = 0;
    // Windows offered the frequency counters.
    bool clockAvailable = false;
    std::vector<ProcessorEvent> events;
    // The memory load over a share of the free memory (or a size in MiB): asked, planned within the floor, and
    // obtained, that is tested.
    bool memoryShare = false;
    int memorySharePercent = 0;
    uint64_t memoryAskedBytes = 0;
    uint64_t memoryPlannedBytes = 0;
    uint64_t memoryTestedBytes = 0;
    bool memoryStoppedShort = false;
};
