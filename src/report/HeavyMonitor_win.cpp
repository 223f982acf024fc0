// The heavy loads' monitor: rates from the workers' per-processor work, clocks from the frequency counters, the
// watch's rules, and the facts of the run.
#include "report/HeavyMonitor_win.h"

#include <cmath>

#include "run/ProcessorFrequency.h"
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

int32_t Percent(double fraction) {
    return std::isfinite(fraction) ? int32_t(std::lround(fraction * 100)) : 0;
}

// The first processor marked now by an ongoing event of that kind, and how many are.
ProcessorWarning WarningNow(ProcessorEventKind kind) {
    ProcessorWarning warning;
    for (const ProcessorEvent& event : monitor.watch.events) {
        if (event.kind != kind || !event.ongoing)
            continue;
        if (warning.processor < 0) {
            warning.processor = event.processor;
            warning.dropPercent = Percent(event.drop);
        }
        ++warning.count;
    }
    return warning;
}

void ShowNothing() {
    HeavyNow.totalGigaflops.store(-1, kRelaxed);
    HeavyNow.warnings.store(0, kRelaxed);
}

}  // namespace

HeavyStatus ReadHeavyStatus() {
    HeavyStatus status;
    status.totalGigaflops = HeavyNow.totalGigaflops.load(kRelaxed);
    UnpackProcessorWarnings(HeavyNow.warnings.load(kRelaxed), status.throttling, status.slow);
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
    ShowNothing();
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
    HeavyNow.warnings.store(
        PackProcessorWarnings(WarningNow(ProcessorEventKind::Throttling), WarningNow(ProcessorEventKind::Slow)),
        kRelaxed);
    ProcessorLogValues(monitor.rates, monitor.megahertz, monitor.counters.available, monitor.watch.throttlingNow,
                       monitor.watch.slowNow, logValues);
}

HeavyRunFacts EndHeavyMonitor() {
    // The counters are closed and the status cleared first, so that they are never left open by a failed
    // allocation below; closing forgets whether they were there.
    const bool clockAvailable = monitor.counters.available;
    CloseFrequencyCounters(monitor.counters);
    ShowNothing();
    HeavyRunFacts facts;
    facts.floatingPoint = monitor.heavyCpuRan;
    facts.instructionSet = InstructionSetName(InstructionSet(HeavyCpu.instructionSet.load(kRelaxed)));
    facts.cycleSeconds = HeavyCpu.cycleMilliseconds.load(kRelaxed) / 1000;
    facts.clockAvailable = clockAvailable;
    facts.events = std::move(monitor.watch.events);
    monitor.watch.events.clear();
    facts.memoryShare = monitor.memoryShareRan;
    const MemorySize size = SelectedMemorySize();
    facts.memorySharePercent = size.kind == MemorySizeKind::Percent ? int(size.amount) : 0;
    facts.memoryAskedBytes = HeavyMemory.askedBytes.load(kRelaxed);
    facts.memoryPlannedBytes = HeavyMemory.plannedBytes.load(kRelaxed);
    facts.memoryTestedBytes = HeavyMemory.testedBytes.load(kRelaxed);
    facts.memoryStoppedShort = HeavyMemory.stoppedShort.load(kRelaxed) != 0;
    return facts;
}
