// A made-up run: deterministic rates with a little ripple, one dip, one spike.
#include "report/SyntheticRun.h"

#include <cmath>
#include <cstdio>

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
