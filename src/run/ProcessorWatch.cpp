// The throttling and slow-processor rules over per-second rates.
#include "run/ProcessorWatch.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace {

bool HasRate(double rate) {
    return std::isfinite(rate) && rate >= 0;
}

size_t OpenEvent(ProcessorWatch& watch, ProcessorEventKind kind, int processor, int64_t start, double baseline) {
    ProcessorEvent event;
    event.kind = kind;
    event.processor = processor;
    event.startSecond = start;
    event.baseline = baseline;
    watch.events.push_back(event);
    return watch.events.size() - 1;
}

void CollectBaseline(ProcessorTrack& track, double rate) {
    track.firstSeconds.push_back(rate);
    if (int(track.firstSeconds.size()) < kBaselineSeconds)
        return;
    track.baseline = MedianOfRates(track.firstSeconds);
    track.hasBaseline = true;
    track.firstSeconds = {};
}

void EndBelowStretch(ProcessorWatch& watch, ProcessorTrack& track) {
    if (track.throttlingEvent >= 0)
        watch.events[size_t(track.throttlingEvent)].ongoing = false;
    track.throttlingEvent = -1;
    track.belowSeconds = 0;
    track.belowDropSum = 0;
}

// Returns whether the second made the processor a throttling one.
bool AddToBelowStretch(ProcessorWatch& watch, ProcessorTrack& track, int processor, int64_t second, double rate) {
    // Compared as a product, so that a rate exactly 10 % below counts despite the rounding of a quotient.
    if (!(track.baseline > 0 && rate <= track.baseline * (1.0 - kThrottlingDrop))) {
        EndBelowStretch(watch, track);
        return false;
    }
    if (track.belowSeconds == 0)
        track.belowStart = second;
    ++track.belowSeconds;
    track.belowDropSum += 1.0 - rate / track.baseline;
    bool began = false;
    if (track.throttlingEvent < 0 && track.belowSeconds >= kThrottlingSeconds) {
        track.throttlingEvent =
            long(OpenEvent(watch, ProcessorEventKind::Throttling, processor, track.belowStart, track.baseline));
        began = true;
    }
    if (track.throttlingEvent >= 0) {
        ProcessorEvent& event = watch.events[size_t(track.throttlingEvent)];
        event.seconds = track.belowSeconds;
        event.drop = track.belowDropSum / track.belowSeconds;
    }
    return began;
}

// At a minute's end: each processor with enough rates against the median of all of them.
size_t CloseMinute(ProcessorWatch& watch) {
    std::vector<double> medians(watch.tracks.size(), std::numeric_limits<double>::quiet_NaN());
    std::vector<double> taking;
    for (size_t i = 0; i < watch.tracks.size(); ++i) {
        std::vector<double>& minute = watch.tracks[i].minute;
        if (int(minute.size()) >= kSlowMinimumSamples) {
            medians[i] = MedianOfRates(minute);
            taking.push_back(medians[i]);
        }
        minute.clear();
    }
    // Two processors at least: alone, a processor is the median.
    const double all = taking.size() >= 2 ? MedianOfRates(taking) : 0;
    size_t began = 0;
    watch.slowNow = 0;
    for (size_t i = 0; i < watch.tracks.size(); ++i) {
        ProcessorTrack& track = watch.tracks[i];
        if (!(all > 0 && medians[i] <= all * (1.0 - kSlowDrop))) {
            if (track.slowEvent >= 0)
                watch.events[size_t(track.slowEvent)].ongoing = false;
            track.slowEvent = -1;
            continue;
        }
        const double drop = 1.0 - medians[i] / all;
        ++watch.slowNow;
        if (track.slowEvent < 0) {
            track.slowEvent = long(OpenEvent(watch, ProcessorEventKind::Slow, int(i), watch.minuteStart, all));
            ++began;
        }
        ProcessorEvent& event = watch.events[size_t(track.slowEvent)];
        const int64_t minutes = event.seconds / kSlowWindowSeconds;
        event.drop = (event.drop * double(minutes) + drop) / double(minutes + 1);
        event.seconds += kSlowWindowSeconds;
    }
    return began;
}

}  // namespace

double MedianOfRates(std::vector<double> values) {
    values.erase(std::remove_if(values.begin(), values.end(), [](double v) { return !std::isfinite(v); }),
                 values.end());
    if (values.empty())
        return std::numeric_limits<double>::quiet_NaN();
    const size_t middle = values.size() / 2;
    std::nth_element(values.begin(), values.begin() + long(middle), values.end());
    if (values.size() % 2)
        return values[middle];
    const double upper = values[middle];
    const double lower = *std::max_element(values.begin(), values.begin() + long(middle));
    return (lower + upper) / 2;
}

void StartProcessorWatch(ProcessorWatch& watch, int processors) {
    watch = ProcessorWatch();
    watch.tracks.resize(size_t(processors > 0 ? processors : 0));
}

size_t AddProcessorSecond(ProcessorWatch& watch, int64_t second, const std::vector<double>& rates) {
    size_t began = 0;
    while (second >= watch.minuteStart + kSlowWindowSeconds) {
        began += CloseMinute(watch);
        watch.minuteStart += kSlowWindowSeconds;
    }
    watch.throttlingNow = 0;
    const size_t count = std::min(rates.size(), watch.tracks.size());
    for (size_t i = 0; i < count; ++i) {
        ProcessorTrack& track = watch.tracks[i];
        const double rate = rates[i];
        if (HasRate(rate)) {
            track.minute.push_back(rate);
            if (!track.hasBaseline)
                CollectBaseline(track, rate);
            else if (AddToBelowStretch(watch, track, int(i), second, rate))
                ++began;
        }
        if (track.throttlingEvent >= 0)
            ++watch.throttlingNow;
    }
    return began;
}
