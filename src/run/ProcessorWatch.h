// Watching every processor's rate second by second in the heavy mode: a processor that stays well below its own
// rate of the run's first minute is throttling, one well below the other processors over a minute is slow. Both
// are warnings for the status part, the log and the report, never errors.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

// The rules' figures.
constexpr int kBaselineSeconds = 60;
constexpr double kThrottlingDrop = 0.10;
constexpr int kThrottlingSeconds = 10;
constexpr double kSlowDrop = 0.15;
constexpr int kSlowWindowSeconds = 60;
// A processor takes part in a minute's comparison when it had a rate in at least half of its seconds.
constexpr int kSlowMinimumSamples = kSlowWindowSeconds / 2;

enum class ProcessorEventKind : int { Throttling = 0, Slow = 1 };

// One stretch of time in which a processor was throttling, or slow: it begins when the rule first holds and
// grows while it goes on holding.
struct ProcessorEvent {
    ProcessorEventKind kind = ProcessorEventKind::Throttling;
    int32_t processor = 0;
    // Seconds since the run's start: the first second below the baseline (throttling), the start of the first
    // slow minute (slow).
    int64_t startSecond = 0;
    // How long the rule has held: seconds below the baseline, or whole slow minutes in seconds.
    int64_t seconds = 0;
    // The rate the processor was compared with: its own first-minute median (throttling), the median of all
    // processors' minute medians (slow); and how far below it the processor's rate lay, as a fraction (0.12 is
    // 12 % below), the mean over the stretch.
    double baseline = 0;
    double drop = 0;
    // Still holding at the last second added.
    bool ongoing = true;
};

struct ProcessorTrack {
    // Rates of the first seconds the processor had one, until kBaselineSeconds of them; then their median.
    std::vector<double> firstSeconds;
    double baseline = 0;
    bool hasBaseline = false;
    // The stretch below the baseline going on now.
    int64_t belowStart = 0;
    int belowSeconds = 0;
    double belowDropSum = 0;
    // Its event once the stretch lasted long enough; -1 while none.
    long throttlingEvent = -1;
    // This minute's rates.
    std::vector<double> minute;
    long slowEvent = -1;
};

struct ProcessorWatch {
    std::vector<ProcessorTrack> tracks;
    // Seconds since the run's start of the minute being collected.
    int64_t minuteStart = 0;
    std::vector<ProcessorEvent> events;
    // Processors marked now: throttling at the last second, slow in the last whole minute.
    int throttlingNow = 0;
    int slowNow = 0;
};

void StartProcessorWatch(ProcessorWatch& watch, int processors);

// Adds the rates of second `second` since the run's start (seconds in increasing order; a gap counts as seconds
// without rates). rates[i] is NaN for a processor without a rate in that second: its stretch neither grows nor
// ends. Returns how many events the second began.
size_t AddProcessorSecond(ProcessorWatch& watch, int64_t second, const std::vector<double>& rates);

// The median of the finite values (the mean of the two middle ones for an even count); NaN without any.
double MedianOfRates(std::vector<double> values);
