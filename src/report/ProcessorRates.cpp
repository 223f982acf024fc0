// Per-processor log columns and their summary.
#include "report/ProcessorRates.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "report/RunSummary.h"

namespace {

constexpr double kNotANumber = std::numeric_limits<double>::quiet_NaN();
constexpr char kRatePrefix[] = "cpu";
constexpr char kRateSuffix[] = "_gflops";
constexpr char kClockSuffix[] = "_mhz";

// The processor number of a column "cpuN_gflops"; -1 for any other name.
int RateColumnProcessor(const std::string& name) {
    const std::string prefix = kRatePrefix, suffix = kRateSuffix;
    if (name.size() <= prefix.size() + suffix.size() || name.compare(0, prefix.size(), prefix) != 0 ||
        name.compare(name.size() - suffix.size(), suffix.size(), suffix) != 0)
        return -1;
    const std::string digits = name.substr(prefix.size(), name.size() - prefix.size() - suffix.size());
    if (digits.size() > 4 || (digits.size() > 1 && digits[0] == '0'))
        return -1;
    int processor = 0;
    for (char c : digits) {
        if (c < '0' || c > '9')
            return -1;
        processor = processor * 10 + (c - '0');
    }
    return processor;
}

bool On(const RunLogSeries* series, size_t row) {
    return !series || (row < series->values.size() && series->values[row] == 1);
}

double Value(const RunLogSeries* series, size_t row) {
    return series && row < series->values.size() ? series->values[row] : kNotANumber;
}

}  // namespace

std::string ProcessorRateColumn(int processor) {
    return kRatePrefix + std::to_string(processor) + kRateSuffix;
}

std::string ProcessorClockColumn(int processor) {
    return kRatePrefix + std::to_string(processor) + kClockSuffix;
}

std::vector<std::string> ProcessorLogColumns(int processors, bool withClock) {
    std::vector<std::string> columns = {kTotalFloatingPointColumn};
    for (int i = 0; i < processors; ++i)
        columns.push_back(ProcessorRateColumn(i));
    for (int i = 0; withClock && i < processors; ++i)
        columns.push_back(ProcessorClockColumn(i));
    columns.push_back(kThrottlingColumn);
    columns.push_back(kSlowColumn);
    return columns;
}

void ProcessorLogValues(const std::vector<double>& rates,
                        const std::vector<double>& megahertz,
                        bool withClock,
                        int throttling,
                        int slow,
                        std::vector<double>& values) {
    values.clear();
    double total = 0;
    bool any = false;
    for (double rate : rates) {
        if (std::isfinite(rate)) {
            total += rate;
            any = true;
        }
    }
    values.push_back(any ? total : kNotANumber);
    values.insert(values.end(), rates.begin(), rates.end());
    for (size_t i = 0; withClock && i < rates.size(); ++i)
        values.push_back(i < megahertz.size() ? megahertz[i] : kNotANumber);
    values.push_back(throttling);
    values.push_back(slow);
}

std::vector<ProcessorSummary> SummarizeProcessors(const RunLogData& log) {
    const RunLogSeries* master = FindSeries(log, "master");
    const RunLogSeries* cpu = FindSeries(log, "cpu");
    const RunLogSeries* seconds = FindSeries(log, "seconds");
    std::vector<ProcessorSummary> summaries;
    for (const RunLogSeries& series : log.series) {
        const int processor = RateColumnProcessor(series.name);
        if (processor < 0)
            continue;
        const RunLogSeries* clock = FindSeries(log, ProcessorClockColumn(processor));
        std::vector<double> counted, clocks;
        std::vector<std::pair<double, double>> timed;
        for (size_t row = 0; row < series.values.size(); ++row) {
            const double rate = series.values[row];
            if (!On(master, row) || !On(cpu, row) || !std::isfinite(rate))
                continue;
            counted.push_back(rate);
            timed.push_back({seconds ? Value(seconds, row) : double(row), rate});
            const double megahertz = Value(clock, row);
            if (std::isfinite(megahertz))
                clocks.push_back(megahertz);
        }
        ProcessorSummary summary;
        summary.processor = processor;
        summary.samples = counted.size();
        summary.minimum = counted.empty() ? kNotANumber : *std::min_element(counted.begin(), counted.end());
        summary.median = MedianOf(std::move(counted));
        summary.medianMegahertz = MedianOf(std::move(clocks));
        // The last minute in which this processor ran: the moving worker may have left it long before the end.
        std::vector<double> last;
        const double end = timed.empty() ? 0 : timed.back().first;
        for (auto it = timed.rbegin(); it != timed.rend() && it->first > end - kLastMinuteSeconds; ++it)
            last.push_back(it->second);
        summary.lastMinute = MedianOf(std::move(last));
        summaries.push_back(summary);
    }
    std::sort(summaries.begin(), summaries.end(),
              [](const ProcessorSummary& a, const ProcessorSummary& b) { return a.processor < b.processor; });
    return summaries;
}

CycleResult CycleResultOf(const ProcessorSummary& summary, int32_t errors) {
    if (errors > 0)
        return CycleResult::Failed;
    return summary.samples > 0 ? CycleResult::Passed : CycleResult::NotReached;
}

const char* CycleResultKey(CycleResult result) {
    switch (result) {
        case CycleResult::NotReached:
            return "not_reached";
        case CycleResult::Passed:
            return "passed";
        case CycleResult::Failed:
            return "failed";
    }
    return "not_reached";
}
