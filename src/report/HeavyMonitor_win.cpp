// The heavy loads' monitor: rates from the workers' per-processor work, clocks from the frequency counters, the
// watch's rules, and the facts of the run.
#include "report/HeavyMonitor_win.h"

#include <cmath>

#include "run/ProcessorFrequency.h"
#include "run/RunRecord.h"
#include "stress/HeavyCpu_win.h"
#include "stress/HeavyMemory_win.h"
#include "stress/HeavyOptions.h"
#include "stress/StressState.h"

HeavyStatusNow HeavyNow;

namespace {

// Touched only by the thread that ticks (and begins and ends) the monitor.
struct Monitor {
    ProcessorGroups groups;
    int processors = 0;
    FrequencyCounters counters;
    ProcessorRateSampler sampler;
    ProcessorWatch watch;
    std::vector<double> rates;
    std::vector<double> megahertz;
    bool heavyCpuRan = false;
    bool memoryShareRan = false;
};
Monitor monitor;

// The timer's side: which run is being watched and the last second it ticked.
struct TimerWatch {
    bool watching = false;
    uint32_t runId = 0;
    int64_t lastSecond = 0;
    std::vector<double> values;
    HeavyRunFacts lastFacts;
};
TimerWatch timerWatch;

int32_t Percent(double fraction) {
    return std::isfinite(fraction) ? int32_t(std::lround(fraction * 100)) : 0;
}

// The first processor marked now by an ongoing event of that kind, and how many are.
void PublishWarning(ProcessorEventKind kind,
                    std::atomic<int32_t>& processor,
                    std::atomic<int32_t>& drop,
                    std::atomic<int32_t>& count) {
    int32_t first = -1, dropPercent = 0, marked = 0;
    for (const ProcessorEvent& event : monitor.watch.events) {
        if (event.kind != kind || !event.ongoing)
            continue;
        if (first < 0) {
            first = event.processor;
            dropPercent = Percent(event.drop);
        }
        ++marked;
    }
    drop.store(dropPercent, kRelaxed);
    count.store(marked, kRelaxed);
    processor.store(first, kRelaxed);
}

}  // namespace

HeavyStatus ReadHeavyStatus() {
    HeavyStatus status;
    status.totalGigaflops = HeavyNow.totalGigaflops.load(kRelaxed);
    status.throttling = {HeavyNow.throttlingProcessor.load(kRelaxed), HeavyNow.throttlingDropPercent.load(kRelaxed),
                         HeavyNow.throttlingCount.load(kRelaxed)};
    status.slow = {HeavyNow.slowProcessor.load(kRelaxed), HeavyNow.slowDropPercent.load(kRelaxed),
                   HeavyNow.slowCount.load(kRelaxed)};
    return status;
}

std::vector<std::string> BeginHeavyMonitor() {
    monitor.groups = ReadProcessorGroups();
    monitor.processors = LogicalProcessorCount(monitor.groups);
    OpenFrequencyCounters(monitor.counters);
    monitor.sampler = ProcessorRateSampler();
    StartProcessorWatch(monitor.watch, monitor.processors);
    monitor.heavyCpuRan = false;
    monitor.memoryShareRan = false;
    HeavyNow.totalGigaflops.store(-1, kRelaxed);
    HeavyNow.throttlingProcessor.store(-1, kRelaxed);
    HeavyNow.slowProcessor.store(-1, kRelaxed);
    return ProcessorLogColumns(monitor.processors, monitor.counters.available);
}

void TickHeavyMonitor(int64_t second, std::vector<double>& logValues) {
    monitor.rates.assign(size_t(monitor.processors), std::nan(""));
    if (const ProcessorWork* work = PublishedProcessorWork()) {
        std::vector<double> sampled;
        SampleProcessorRates(monitor.sampler, *work, ClockMilliseconds(), sampled);
        for (size_t i = 0; i < sampled.size() && i < monitor.rates.size(); ++i)
            monitor.rates[i] = sampled[i];
    }
    if (!monitor.counters.available || !ReadFrequencies(monitor.counters, monitor.groups, monitor.megahertz))
        monitor.megahertz.clear();
    AddProcessorSecond(monitor.watch, second, monitor.rates);

    double total = 0;
    bool any = false;
    for (double rate : monitor.rates) {
        if (std::isfinite(rate)) {
            total += rate;
            any = true;
        }
    }
    monitor.heavyCpuRan = monitor.heavyCpuRan || any;
    monitor.memoryShareRan = monitor.memoryShareRan || HeavyMemory.heldBytes.load(kRelaxed) > 0;
    HeavyNow.totalGigaflops.store(any ? total : -1, kRelaxed);
    PublishWarning(ProcessorEventKind::Throttling, HeavyNow.throttlingProcessor, HeavyNow.throttlingDropPercent,
                   HeavyNow.throttlingCount);
    PublishWarning(ProcessorEventKind::Slow, HeavyNow.slowProcessor, HeavyNow.slowDropPercent, HeavyNow.slowCount);
    ProcessorLogValues(monitor.rates, monitor.megahertz, monitor.counters.available, monitor.watch.throttlingNow,
                       monitor.watch.slowNow, logValues);
}

HeavyRunFacts EndHeavyMonitor() {
    HeavyRunFacts facts;
    facts.floatingPoint = monitor.heavyCpuRan;
    facts.instructionSet = InstructionSetName(InstructionSet(HeavyCpu.instructionSet.load(kRelaxed)));
    facts.cycleSeconds = HeavyCpu.cycleMilliseconds.load(kRelaxed) / 1000;
    facts.clockAvailable = monitor.counters.available;
    facts.events = monitor.watch.events;
    facts.memoryShare = monitor.memoryShareRan;
    const MemorySize size = SelectedMemorySize();
    facts.memorySharePercent = size.kind == MemorySizeKind::Percent ? int(size.amount) : 0;
    facts.memoryAskedBytes = HeavyMemory.askedBytes.load(kRelaxed);
    facts.memoryPlannedBytes = HeavyMemory.plannedBytes.load(kRelaxed);
    facts.memoryTestedBytes = HeavyMemory.testedBytes.load(kRelaxed);
    facts.memoryStoppedShort = HeavyMemory.stoppedShort.load(kRelaxed) != 0;
    CloseFrequencyCounters(monitor.counters);
    HeavyNow.totalGigaflops.store(-1, kRelaxed);
    return facts;
}

void UpdateHeavyMonitor() {
    const bool active = CurrentRun.active.load(std::memory_order_acquire) != 0;
    const uint32_t runId = CurrentRun.runId.load(std::memory_order_acquire);
    if (timerWatch.watching && (!active || runId != timerWatch.runId)) {
        timerWatch.lastFacts = EndHeavyMonitor();
        timerWatch.watching = false;
    }
    if (!active)
        return;
    if (!timerWatch.watching) {
        BeginHeavyMonitor();
        timerWatch = {true, runId, 0, {}, std::move(timerWatch.lastFacts)};
    }
    const int64_t second = (ClockMilliseconds() - CurrentRun.startMilliseconds.load(std::memory_order_relaxed)) / 1000;
    if (second <= timerWatch.lastSecond)
        return;
    TickHeavyMonitor(second, timerWatch.values);
    timerWatch.lastSecond = second;
}

const HeavyRunFacts& LastHeavyRunFacts() {
    return timerWatch.lastFacts;
}
