// The run record: lock-free error recording for the workers, the start and end of a run, and its verdict.
#include "run/RunRecord.h"

RunRecord CurrentRun;

namespace {

constexpr auto kRelaxed = std::memory_order_relaxed;

bool IsCurrentRun(uint32_t runId) {
    return CurrentRun.active.load(std::memory_order_acquire) != 0 &&
           CurrentRun.runId.load(std::memory_order_acquire) == runId;
}

bool ValidLoad(int load) {
    return load >= 0 && load < kRunLoadCount;
}

template <typename Counter, int N>
void Clear(Counter (&counters)[N]) {
    for (Counter& counter : counters)
        counter.store(0, kRelaxed);
}

}  // namespace

uint32_t BeginRun(int32_t selectedLoads,
                  int64_t startMilliseconds,
                  int64_t startUnixSeconds,
                  const RunCheckSettings& settings) {
    // The new id goes out first, so a worker of the last run that is still about to record is turned away.
    CurrentRun.active.store(0, std::memory_order_release);
    const uint32_t runId = CurrentRun.runId.load(kRelaxed) + 1;
    CurrentRun.runId.store(runId, std::memory_order_release);
    CurrentRun.startMilliseconds = startMilliseconds;
    CurrentRun.endMilliseconds = startMilliseconds;
    CurrentRun.startUnixSeconds = startUnixSeconds;
    CurrentRun.selectedLoads = selectedLoads;
    CurrentRun.durationSeconds = settings.durationSeconds > 0 ? settings.durationSeconds : 0;
    CurrentRun.settings.verify.store(settings.verify ? 1 : 0, kRelaxed);
    CurrentRun.settings.stopOnError.store(settings.stopOnError ? 1 : 0, kRelaxed);
    CurrentRun.settings.realDisk.store(settings.realDisk ? 1 : 0, kRelaxed);
    CurrentRun.hardwareLog.store(int32_t(HardwareLogState::NotWatched), kRelaxed);
    CurrentRun.errorCount.store(0, kRelaxed);
    CurrentRun.errorSlotsTaken.store(0, kRelaxed);
    Clear(CurrentRun.errorSlotReady);
    Clear(CurrentRun.processorErrors);
    Clear(CurrentRun.sourceErrors);
    Clear(CurrentRun.loadRan);
    Clear(CurrentRun.loadCouldNotRun);
    Clear(CurrentRun.loadInterrupted);
    CurrentRun.active.store(1, std::memory_order_release);
    return runId;
}

void EndRun(int64_t endMilliseconds) {
    CurrentRun.endMilliseconds = endMilliseconds;
    CurrentRun.active.store(0, std::memory_order_release);
}

bool RecordRunError(uint32_t runId, const RunError& error) {
    if (!IsCurrentRun(runId))
        return false;
    CurrentRun.errorCount.fetch_add(1, kRelaxed);
    const int source = int(error.source);
    if (source >= 0 && source < kErrorSourceCount)
        CurrentRun.sourceErrors[source].fetch_add(1, kRelaxed);
    if (error.processor >= 0 && error.processor < kMaxRunProcessors)
        CurrentRun.processorErrors[error.processor].fetch_add(1, kRelaxed);
    const int32_t slot = CurrentRun.errorSlotsTaken.fetch_add(1, kRelaxed);
    if (slot < kKeptRunErrors) {
        RunError& kept = CurrentRun.errors[slot];
        kept = error;
        kept.detail[kRunErrorDetailCapacity - 1] = 0;
        CurrentRun.errorSlotReady[slot].store(1, std::memory_order_release);
    }
    return true;
}

void MarkLoadRan(uint32_t runId, int load) {
    if (ValidLoad(load) && IsCurrentRun(runId))
        CurrentRun.loadRan[load].store(1, kRelaxed);
}

void MarkLoadCouldNotRun(uint32_t runId, int load) {
    if (ValidLoad(load) && IsCurrentRun(runId))
        CurrentRun.loadCouldNotRun[load].store(1, kRelaxed);
}

void MarkLoadInterrupted(uint32_t runId, int load) {
    if (ValidLoad(load) && IsCurrentRun(runId))
        CurrentRun.loadInterrupted[load].store(1, kRelaxed);
}

void SetHardwareLogState(HardwareLogState state) {
    CurrentRun.hardwareLog.store(int32_t(state), kRelaxed);
}

bool LoadIsVerified(const RunRecord& run, int load) {
    constexpr int kCpuLoad = 1;
    constexpr int kDiskLoad = 2;
    constexpr int kMemoryLoad = 3;
    if (load == kDiskLoad)
        return run.settings.realDisk.load(kRelaxed) != 0;
    return (load == kCpuLoad || load == kMemoryLoad) && run.settings.verify.load(kRelaxed) != 0;
}

Verdict RunVerdict(const RunRecord& run) {
    if (run.errorCount.load(kRelaxed) > 0)
        return Verdict::Failed;
    for (int load = 0; load < kRunLoadCount; ++load) {
        const bool selected = (run.selectedLoads >> load & 1) != 0;
        if (selected && run.loadCouldNotRun[load].load(kRelaxed) && !run.loadRan[load].load(kRelaxed))
            return Verdict::Incomplete;
        if (selected && run.loadInterrupted[load].load(kRelaxed))
            return Verdict::Incomplete;
    }
    return Verdict::Passed;
}

const char* VerdictName(Verdict verdict) {
    switch (verdict) {
        case Verdict::Passed:
            return "PASSED";
        case Verdict::Failed:
            return "FAILED";
        case Verdict::Incomplete:
            return "INCOMPLETE";
    }
    return "INCOMPLETE";
}
