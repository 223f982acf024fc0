// The figures of a finished run that the JSON summary and the HTML report show: the outcome from the run record,
// each rate's minimum, median and maximum from the log, and charts' series thinned without losing their spikes.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "report/DiskFigures.h"
#include "report/ProcessorRates.h"
#include "report/RunDescription.h"
#include "report/RunLog.h"
#include "run/RunRecord.h"

// A rate the log records, the load whose switch says when it counts, and its unit. Later loads add rows. A rate
// with a rival column does not count in the seconds the rival has a figure: the load ran the other way then (the
// floating-point load leaves the additions' last rate standing in the status line).
struct RateColumn {
    const char* column;
    int load;
    const char* unit;
    const char* rival;
};
constexpr RateColumn kRateColumns[] = {
    {"paint_passes_per_s", 0, "passes/s", nullptr},
    {"paint_mb_per_s", 0, "MB/s", nullptr},
    {"mega_add_per_s", 1, "MEGA-ADD/s", "fp_gflops"},
    {"fp_gflops", 1, "GFLOPS", nullptr},
    // The temporary-file load's rate first, then the device's: the cache's rate and the device's side by side.
    {"disk_cache_mb_per_s", 2, "MB/s", nullptr},
    {"disk_write_mb_per_s", 2, "MB/s", nullptr},
    {"disk_read_mb_per_s", 2, "MB/s", nullptr},
};

struct RateSummary {
    std::string column;
    int load = 0;
    std::string unit;
    // NaN when no second counted.
    double minimum = 0;
    double median = 0;
    double maximum = 0;
    size_t samples = 0;
};

// For each rate column the log has: the seconds in which the master switch and the load's own switch were on
// and the value is a number. A log without the switch columns (an older or foreign file) counts every second.
std::vector<RateSummary> SummarizeRates(const RunLogData& log);

// The median of the finite values (the mean of the two middle ones for an even count); NaN without any.
double MedianOf(std::vector<double> values);

struct RunOutcome {
    int64_t endUnixSeconds = 0;
    double secondsRun = 0;
    Verdict verdict = Verdict::Passed;
    // The user stopped a timed run before its time was up.
    bool stoppedByUser = false;
    int64_t errorCount = 0;
    // The errors kept in full, in the order they were recorded.
    std::vector<RunError> errors;
    // Processor and error count, for each processor with errors, by processor.
    std::vector<std::pair<int32_t, int32_t>> processorErrors;
    int64_t sourceErrors[kErrorSourceCount] = {};
    // Bit n: load n did its work at least once / could not run at all.
    int32_t loadsRan = 0;
    int32_t loadsCouldNotRun = 0;
};

// Reads a run that has ended (its workers stopped): counts, the kept errors whose slots are filled, the loads.
RunOutcome CollectRunOutcome(const RunRecord& run, int64_t endUnixSeconds, bool stoppedByUser);

struct RunReport {
    RunDescription description;
    RunOutcome outcome;
    std::vector<RateSummary> rates;
    // The heavy mode's per-processor columns, summarised; empty when the log has none.
    std::vector<ProcessorSummary> processors;
    // Set by the run's Windows half after MakeRunReport; all false and empty when no heavy load ran.
    HeavyRunFacts heavy;
    // Filled by the caller when the run had the real-disk load.
    DiskReport disk;
};

RunReport MakeRunReport(const RunDescription& description, const RunOutcome& outcome, const RunLogData& log);

// "additions", "memory", "hardware_log", "floating_point", "disk": an error source as the JSON names it.
const char* ErrorSourceKey(ErrorSource source);
// A load's results are checked: the processor and memory loads, when verifying is on, and the real-disk load.
bool LoadIsVerified(int load, const RunSettings& settings);

struct ChartPoint {
    double seconds = 0;
    double value = 0;
};

// At most `maxPoints` points (at least 2) of a series over time: the rows split into maxPoints / 2 buckets of
// equal count, and each bucket gives its lowest and its highest value in the order they came, so a spike of one
// second still shows. Rows whose time or value is not a number are left out.
std::vector<ChartPoint> DownsampleMinMax(const std::vector<double>& seconds,
                                         const std::vector<double>& values,
                                         size_t maxPoints);
