// A made-up run: deterministic rates with a little ripple, one dip, one spike.
#include "report/SyntheticRun.h"

#include <cmath>
#include <cstdio>
#include <vector>

SyntheticRun MakeSyntheticRun(int seconds, int errors, bool realDisk) {
    SyntheticRun run;
    RunDescription& description = run.description;
    description.programVersion = u"Kestrovane 4.91";
    description.machine.processorName = u"AMD EPYC 7B13 64-Core Processor <test & \"quotes\">";
    description.machine.logicalProcessors = 2;
    description.machine.physicalMemoryBytes = uint64_t(8) << 30;
    description.machine.windowsVersion = u"10.0.19045";
    description.settings.loads = 1 << 0 | 1 << 1 | 1 << 3;
    description.settings.durationSeconds = seconds;
    description.settings.stopOnError = false;
    description.startUnixSeconds = 1796738602;

    RunOutcome& outcome = run.outcome;
    outcome.endUnixSeconds = description.startUnixSeconds + seconds;
    outcome.secondsRun = seconds;
    outcome.verdict = errors > 0 ? Verdict::Failed : Verdict::Passed;
    outcome.errorCount = errors;
    outcome.loadsRan = description.settings.loads;
    outcome.sourceErrors[int(ErrorSource::Memory)] = errors;
    for (int i = 0; i < errors; ++i) {
        RunError error;
        error.millisecondsSinceStart = int64_t(seconds) * 1000 * (i + 1) / (errors + 1);
        error.source = ErrorSource::Memory;
        error.processor = i % 2;
        error.offset = uint64_t(4096) * uint64_t(i + 1);
        error.expected = 0x5555555555555555ull;
        error.actual = 0x5555555555555554ull;
        std::snprintf(error.detail, sizeof(error.detail), "bit 0 flipped in block %d <copy>", i);
        outcome.errors.push_back(error);
    }
    if (errors > 0)
        outcome.processorErrors = {{0, (errors + 1) / 2}, {1, errors / 2}};

    if (realDisk) {
        description.settings.loads |= 1 << 2;
        description.settings.realDisk = true;
        outcome.loadsRan |= 1 << 2;
        run.disk.ran = true;
        run.disk.folder = u"D:\\stress <here>";
        run.disk.done = {int64_t(seconds) * 800'000'000, int64_t(seconds) * 790'000'000, seconds / 2};
        run.disk.leftoversRemoved = 1;
    }
    const std::vector<std::string> diskColumns(kDiskLogColumns, kDiskLogColumns + kDiskLogColumnCount);
    run.logText =
        ComposeLogHeaderLine(description) + ComposeLogColumnLine(realDisk ? diskColumns : std::vector<std::string>());
    run.logText.reserve(size_t(seconds) * 80 + 1024);
    int errorsSoFar = 0;
    for (int second = 1; second <= seconds; ++second) {
        LogSample sample;
        sample.unixSeconds = description.startUnixSeconds + second;
        sample.secondsSinceStart = second;
        sample.master = sample.paint = sample.cpu = sample.memory = true;
        const double ripple = std::sin(second * 0.05) * 40 + (second * 7919 % 13);
        sample.megaAddPerSecond = 4500 + ripple;
        if (second == seconds * 2 / 3)
            sample.megaAddPerSecond = 450;
        if (second == seconds / 3)
            sample.megaAddPerSecond = 9000;
        sample.paintPassesPerSecond = 4100 + ripple / 2;
        sample.paintMegabytesPerSecond = 19200 + ripple * 4;
        while (errorsSoFar < errors && outcome.errors[size_t(errorsSoFar)].millisecondsSinceStart <= second * 1000)
            ++errorsSoFar;
        sample.errors = errorsSoFar;
        sample.disk = realDisk;
        const bool cached = second <= seconds / 3;
        const double disk[kDiskLogColumnCount] = {cached ? 2400 + ripple : NAN, cached ? NAN : 850 + ripple,
                                                  cached ? NAN : 1600 + ripple};
        AppendLogLine(run.logText, sample, realDisk ? disk : nullptr, realDisk ? kDiskLogColumnCount : 0);
    }
    return run;
}

SyntheticRun MakeHeavySyntheticRun(int seconds, int processors, int cyclePeriod, HeavyRunFacts& facts) {
    SyntheticRun run;
    RunDescription& description = run.description;
    description.programVersion = u"Kestrovane 4.91";
    description.machine.processorName = u"AMD EPYC 9654 96-Core Processor";
    description.machine.logicalProcessors = processors;
    description.machine.physicalMemoryBytes = uint64_t(24) << 30;
    description.machine.windowsVersion = u"10.0.22631";
    description.settings.loads = 1 << 1 | 1 << 3;
    description.settings.durationSeconds = seconds;
    description.settings.more = {{"cpu_method", "floating_point"}, {"mem_share", "90"}};
    description.startUnixSeconds = 1796738602;

    RunOutcome& outcome = run.outcome;
    outcome.endUnixSeconds = description.startUnixSeconds + seconds;
    outcome.secondsRun = seconds;
    outcome.loadsRan = description.settings.loads;
    if (cyclePeriod > 0) {
        RunError error;
        error.millisecondsSinceStart = int64_t(cyclePeriod) * 500;
        error.source = ErrorSource::FloatingPoint;
        error.processor = 0;
        error.expected = 0x3FF8000000000000ull;
        error.actual = 0x3FF8010000000000ull;
        std::snprintf(error.detail, sizeof(error.detail), "floating point (AVX-512F): result 5 differs");
        outcome.errors.push_back(error);
        outcome.errorCount = 1;
        outcome.sourceErrors[int(ErrorSource::FloatingPoint)] = 1;
        outcome.processorErrors = {{0, 1}};
        outcome.verdict = Verdict::Failed;
    }

    facts.floatingPoint = true;
    facts.instructionSet = "AVX-512F";
    facts.cycleSeconds = cyclePeriod;
    facts.clockAvailable = true;
    facts.memoryShare = true;
    facts.memorySharePercent = 90;
    facts.memoryAskedBytes = uint64_t(18) << 30;
    facts.memoryPlannedBytes = (uint64_t(35) << 30) / 2;
    facts.memoryTestedBytes = facts.memoryPlannedBytes;

    run.logText = ComposeLogHeaderLine(description) + ComposeLogColumnLine(ProcessorLogColumns(processors, true));
    ProcessorWatch watch;
    StartProcessorWatch(watch, processors);
    std::vector<double> rates(static_cast<size_t>(processors)), clocks(static_cast<size_t>(processors)), values;
    const double nan = std::nan("");
    for (int second = 1; second <= seconds; ++second) {
        for (int p = 0; p < processors; ++p) {
            const double ripple = std::sin(second * 0.05 + p) * 0.4;
            const bool throttled = p == 1 && second >= seconds * 2 / 3;
            const bool running = cyclePeriod <= 0 || (second / cyclePeriod) % processors == p;
            rates[size_t(p)] = running ? (throttled ? 34.0 : 40.0) + ripple : nan;
            clocks[size_t(p)] = running ? (throttled ? 2550.0 : 3000.0) + ripple * 10 : nan;
        }
        AddProcessorSecond(watch, second, rates);
        LogSample sample;
        sample.unixSeconds = description.startUnixSeconds + second;
        sample.secondsSinceStart = second;
        sample.master = sample.cpu = sample.memory = true;
        sample.errors = cyclePeriod > 0 && second * 1000 >= outcome.errors[0].millisecondsSinceStart ? 1 : 0;
        ProcessorLogValues(rates, clocks, true, watch.throttlingNow, watch.slowNow, values);
        AppendLogLine(run.logText, sample, values.data(), values.size());
    }
    facts.events = watch.events;
    return run;
}
