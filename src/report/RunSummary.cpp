// Figures of a finished run: what the run record counted, and each rate's spread over the log's seconds.
#include "report/RunSummary.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace {

constexpr double kNotANumber = std::numeric_limits<double>::quiet_NaN();
constexpr const char* kLoadKeys[] = {"paint", "cpu", "disk", "memory"};

// True for a row in which the switch series (when the log has it) reads on.
bool SwitchOn(const RunLogSeries* series, size_t row) {
    return !series || (row < series->values.size() && series->values[row] == 1.0);
}

}  // namespace

const char* LoadKey(int load) {
    return load >= 0 && load < 4 ? kLoadKeys[load] : nullptr;
}

const char* ErrorSourceKey(ErrorSource source) {
    switch (source) {
        case ErrorSource::Additions:
            return "additions";
        case ErrorSource::Memory:
            return "memory";
        case ErrorSource::HardwareLog:
            return "hardware_log";
        case ErrorSource::FloatingPoint:
            return "floating_point";
        case ErrorSource::Disk:
            return "disk";
    }
    return "unknown";
}

bool LoadIsVerified(int load, const RunSettings& settings) {
    if (load == 2)
        return settings.realDisk;
    return settings.verify && (load == 1 || load == 3);
}

double MedianOf(std::vector<double> values) {
    values.erase(std::remove_if(values.begin(), values.end(), [](double v) { return !std::isfinite(v); }),
                 values.end());
    if (values.empty())
        return kNotANumber;
    const size_t middle = values.size() / 2;
    std::nth_element(values.begin(), values.begin() + middle, values.end());
    const double upper = values[middle];
    if (values.size() % 2 == 1)
        return upper;
    const double lower = *std::max_element(values.begin(), values.begin() + middle);
    // Halved first, so two values near the largest double cannot sum to infinity.
    return lower / 2 + upper / 2;
}

std::vector<RateSummary> SummarizeRates(const RunLogData& log) {
    std::vector<RateSummary> summaries;
    const RunLogSeries* master = FindSeries(log, "master");
    std::vector<double> counted;
    for (const RateColumn& rate : kRateColumns) {
        const RunLogSeries* series = FindSeries(log, rate.column);
        if (!series)
            continue;
        const RunLogSeries* loadSwitch = FindSeries(log, LoadKey(rate.load));
        const RunLogSeries* rival = rate.rival ? FindSeries(log, rate.rival) : nullptr;
        counted.clear();
        counted.reserve(series->values.size());
        for (size_t row = 0; row < series->values.size(); ++row) {
            const bool rivalRan = rival && row < rival->values.size() && std::isfinite(rival->values[row]);
            if (SwitchOn(master, row) && SwitchOn(loadSwitch, row) && !rivalRan && std::isfinite(series->values[row]))
                counted.push_back(series->values[row]);
        }
        RateSummary summary;
        summary.column = rate.column;
        summary.load = rate.load;
        summary.unit = rate.unit;
        summary.samples = counted.size();
        if (counted.empty()) {
            summary.minimum = summary.median = summary.maximum = kNotANumber;
        } else {
            const auto [low, high] = std::minmax_element(counted.begin(), counted.end());
            summary.minimum = *low;
            summary.maximum = *high;
            summary.median = MedianOf(std::move(counted));
            counted = {};
        }
        summaries.push_back(std::move(summary));
    }
    return summaries;
}

RunOutcome CollectRunOutcome(const RunRecord& run, int64_t endUnixSeconds, bool stoppedByUser) {
    constexpr auto kRelaxedOrder = std::memory_order_relaxed;
    RunOutcome outcome;
    outcome.endUnixSeconds = endUnixSeconds;
    outcome.secondsRun = double(run.endMilliseconds - run.startMilliseconds) / 1000.0;
    outcome.verdict = RunVerdict(run);
    outcome.stoppedByUser = stoppedByUser;
    outcome.errorCount = run.errorCount.load(kRelaxedOrder);
    const int32_t taken = std::min(run.errorSlotsTaken.load(kRelaxedOrder), kKeptRunErrors);
    for (int32_t slot = 0; slot < taken; ++slot) {
        if (run.errorSlotReady[slot].load(std::memory_order_acquire))
            outcome.errors.push_back(run.errors[slot]);
    }
    // Slots are taken in recording order, but an error's own time says when it was found.
    std::stable_sort(outcome.errors.begin(), outcome.errors.end(), [](const RunError& a, const RunError& b) {
        return a.millisecondsSinceStart < b.millisecondsSinceStart;
    });
    for (int32_t processor = 0; processor < kMaxRunProcessors; ++processor) {
        const int32_t count = run.processorErrors[processor].load(kRelaxedOrder);
        if (count > 0)
            outcome.processorErrors.emplace_back(processor, count);
    }
    for (int source = 0; source < kErrorSourceCount; ++source)
        outcome.sourceErrors[source] = run.sourceErrors[source].load(kRelaxedOrder);
    for (int load = 0; load < kRunLoadCount; ++load) {
        outcome.loadsRan |= run.loadRan[load].load(kRelaxedOrder) ? 1 << load : 0;
        outcome.loadsCouldNotRun |= run.loadCouldNotRun[load].load(kRelaxedOrder) ? 1 << load : 0;
    }
    return outcome;
}

RunReport MakeRunReport(const RunDescription& description, const RunOutcome& outcome, const RunLogData& log) {
    RunReport report;
    report.description = description;
    report.outcome = outcome;
    report.rates = SummarizeRates(log);
    report.processors = SummarizeProcessors(log);
    // Every run's log has a column per processor; they belong in the report only when the floating-point load
    // gave a rate in the run, else the report would list every processor without a figure.
    if (std::none_of(report.processors.begin(), report.processors.end(),
                     [](const ProcessorSummary& summary) { return summary.samples > 0; }))
        report.processors.clear();
    return report;
}

std::vector<ChartPoint> DownsampleMinMax(const std::vector<double>& seconds,
                                         const std::vector<double>& values,
                                         size_t maxPoints) {
    std::vector<ChartPoint> points;
    const size_t rows = std::min(seconds.size(), values.size());
    points.reserve(std::min(rows, std::max<size_t>(maxPoints, 2)));
    const size_t buckets = std::max<size_t>(maxPoints / 2, 1);
    if (rows <= std::max<size_t>(maxPoints, 2)) {
        for (size_t row = 0; row < rows; ++row) {
            if (std::isfinite(seconds[row]) && std::isfinite(values[row]))
                points.push_back({seconds[row], values[row]});
        }
        return points;
    }
    for (size_t bucket = 0; bucket < buckets; ++bucket) {
        const size_t first = rows * bucket / buckets;
        const size_t last = rows * (bucket + 1) / buckets;
        size_t low = rows;
        size_t high = rows;
        for (size_t row = first; row < last; ++row) {
            if (!std::isfinite(seconds[row]) || !std::isfinite(values[row]))
                continue;
            if (low == rows || values[row] < values[low])
                low = row;
            if (high == rows || values[row] > values[high])
                high = row;
        }
        if (low == rows)
            continue;
        const size_t earlier = std::min(low, high);
        const size_t later = std::max(low, high);
        points.push_back({seconds[earlier], values[earlier]});
        if (later != earlier)
            points.push_back({seconds[later], values[later]});
    }
    return points;
}
