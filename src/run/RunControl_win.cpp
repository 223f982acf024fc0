// The run's side of the master switch: begin and end, the hardware error watch, and the workers' findings.
#include "run/RunControl_win.h"

#include <algorithm>
#include <atomic>
#include <ctime>
#include <cwchar>

#include "run/HardwareErrorWatch_win.h"
#include "run/RunNotice_win.h"
#include "run/SelfTest.h"
#include "settings/IniStore.h"
#include "stress/DiskLoadChoice.h"
#include "stress/HeavyCpu.h"
#include "stress/LoadCheck.h"
#include "stress/StressState.h"

RunSettingOverrides RunOverrides;
RunObserverHooks RunObservers;

namespace {

// A timer waits at most USER_TIMER_MAXIMUM (about 24.8 days); a longer run sets it again when it ticks.
constexpr int64_t kLongestTimerWait = 0x7FFFFFFF;

// The run's end as the user-interface thread knows it.
RunEndReason nextEndReason = RunEndReason::User;
RunEnding lastEnding;

// The test seam's WHEA event, taken by the next run's start.
std::atomic<int32_t> injectWheaEvent{0};

void FeedInjectedWheaEvent(HWND window, uint32_t runId) {
    if (injectWheaEvent.exchange(0, std::memory_order_relaxed) == 0)
        return;
    RunError error;
    HandleLoggedEventXml(window, runId, kRecordedWheaEventXml, 0, error);
}

ErrorSource SourceOf(const LoadFault& fault) {
    switch (fault.load) {
        case LoadType::Memory:
            return ErrorSource::Memory;
        case LoadType::Disk:
            return ErrorSource::Disk;
        default:
            return fault.floatingPoint ? ErrorSource::FloatingPoint : ErrorSource::Additions;
    }
}

void ArmDeadline(HWND window, int64_t millisecondsLeft) {
    if (window)
        SetTimer(window, kRunDeadlineTimer, UINT(std::clamp<int64_t>(millisecondsLeft, 1, kLongestTimerWait)), nullptr);
}

WorkerRun BeginLoadRun(HWND window, int32_t selectedLoads) {
    const RunCheckSettings settings = NextRunSettings();
    WorkerRun run;
    run.window = window;
    run.verify = settings.verify;
    nextEndReason = RunEndReason::User;
    run.realDisk = settings.realDisk;
    run.runId = BeginRun(selectedLoads, ClockMilliseconds(), int64_t(std::time(nullptr)), settings);
    StartHardwareErrorWatch(window, run.runId, ClockMilliseconds);
    FeedInjectedWheaEvent(window, run.runId);
    if (settings.durationSeconds > 0)
        ArmDeadline(window, settings.durationSeconds * 1000);
    if (RunObservers.begun)
        RunObservers.begun(window, run.runId);
    return run;
}

// Closes the run's record, then tells the window and the observers: the window's notice is posted before the
// observers start anything that posts a notice of its own, so the window always hears of the end first.
void CloseRun(HWND window, RunEndReason reason, bool postEnd) {
    StopHardwareErrorWatch();
    EndRun(ClockMilliseconds());
    if (window)
        KillTimer(window, kRunDeadlineTimer);
    lastEnding.runId = CurrentRun.runId.load(std::memory_order_relaxed);
    lastEnding.reason = reason;
    const int64_t ran = CurrentRun.endMilliseconds - CurrentRun.startMilliseconds.load(std::memory_order_relaxed);
    const bool byUser = reason == RunEndReason::User || reason == RunEndReason::ProgramEnd;
    lastEnding.stoppedBeforeTime = byUser && CurrentRun.durationSeconds > 0 && ran < CurrentRun.durationSeconds * 1000;
    lastEnding.endUnixSeconds = int64_t(std::time(nullptr));
    nextEndReason = RunEndReason::User;
    if (postEnd)
        PostMessageW(window, kRunEndedMessage, WPARAM(lastEnding.runId), 0);
    if (RunObservers.ended)
        RunObservers.ended(window, lastEnding);
}

void EndLoadRun(HWND window) {
    if (!CurrentRun.active.load(std::memory_order_acquire))
        return;
    CloseRun(window, nextEndReason, true);
}

// Any worker thread: the record takes it without a lock and the window is told without waiting.
void RecordLoadFault(const WorkerRun& run, const LoadFault& fault) {
    RunError error;
    error.millisecondsSinceStart = ClockMilliseconds() - CurrentRun.startMilliseconds.load(std::memory_order_relaxed);
    error.source = SourceOf(fault);
    error.processor = fault.processor;
    error.offset = fault.offset;
    error.expected = fault.expected;
    error.actual = fault.actual;
    static_assert(sizeof(error.detail) == sizeof(fault.detail));
    for (size_t i = 0; i < sizeof(error.detail); ++i)
        error.detail[i] = fault.detail[i];
    if (RecordRunError(run.runId, error))
        PostRunErrorNotice(run.window);
}

void RecordLoadOutcome(const WorkerRun& run, LoadType load, bool ran) {
    if (ran)
        MarkLoadRan(run.runId, int(load));
    else
        MarkLoadCouldNotRun(run.runId, int(load));
}

void RecordLoadInterrupted(const WorkerRun& run, LoadType load) {
    MarkLoadInterrupted(run.runId, int(load));
}

bool Overridden(int value, const std::atomic<int32_t>& option) {
    return (value >= 0 ? value : option.load(std::memory_order_relaxed)) != 0;
}

void LoadOption(std::atomic<int32_t>& option, const wchar_t* key, int fallback) {
    option.store(ReadSetting(key, fallback) != 0 ? 1 : 0, std::memory_order_relaxed);
}

}  // namespace

RunCheckSettings NextRunSettings() {
    RunCheckSettings settings;
    settings.verify = Overridden(RunOverrides.verify, RunOptions.verify);
    settings.stopOnError = Overridden(RunOverrides.stopOnError, RunOptions.stopOnError);
    settings.durationSeconds = RunOverrides.durationSeconds >= 0
                                   ? RunOverrides.durationSeconds
                                   : int64_t(RunOptions.durationMinutes.load(std::memory_order_relaxed)) * 60;
    settings.realDisk = DiskLoadIs(DiskLoadMode::Real);
    return settings;
}

void LoadRunOptions() {
    LoadOption(RunOptions.verify, kVerifySettingKey, 1);
    LoadOption(RunOptions.stopOnError, kStopOnErrorSettingKey, 0);
    RunOptions.durationMinutes.store(DurationMinutesFromSetting(ReadSetting(kDurationSettingKey, 0)),
                                     std::memory_order_relaxed);
}

bool ToggleRunOption(int command) {
    if (command >= kCommandRunForFirst && command <= kCommandRunForLast) {
        const int minutes = kRunDurationChoices[command - kCommandRunForFirst].minutes;
        RunOptions.durationMinutes.store(minutes, std::memory_order_relaxed);
        WriteSetting(kDurationSettingKey, minutes);
        return true;
    }
    std::atomic<int32_t>* option = nullptr;
    const wchar_t* key = nullptr;
    if (command == kCommandVerifyResults) {
        option = &RunOptions.verify;
        key = kVerifySettingKey;
    } else if (command == kCommandStopOnFirstError) {
        option = &RunOptions.stopOnError;
        key = kStopOnErrorSettingKey;
    } else {
        return false;
    }
    const int32_t value = option->load(std::memory_order_relaxed) != 0 ? 0 : 1;
    option->store(value, std::memory_order_relaxed);
    WriteSetting(key, value);
    return true;
}

void InstallRunHooks() {
    StressRunHooks.begin = BeginLoadRun;
    StressRunHooks.end = EndLoadRun;
    StressRunHooks.fault = RecordLoadFault;
    StressRunHooks.outcome = RecordLoadOutcome;
    StressRunHooks.interrupted = RecordLoadInterrupted;
}

void EndRunAtExit() {
    if (!CurrentRun.active.load(std::memory_order_acquire))
        return;
    CloseRun(nullptr, RunEndReason::ProgramEnd, false);
}

void SetRunEndReason(RunEndReason reason) {
    nextEndReason = reason;
}

const RunEnding& LastRunEnding() {
    return lastEnding;
}

int64_t RunMillisecondsLeft(int64_t nowMilliseconds) {
    if (!CurrentRun.active.load(std::memory_order_acquire) || CurrentRun.durationSeconds <= 0)
        return -1;
    const int64_t deadline =
        CurrentRun.startMilliseconds.load(std::memory_order_relaxed) + CurrentRun.durationSeconds * 1000;
    return std::max<int64_t>(deadline - nowMilliseconds, 0);
}

bool RunTimeIsUp(HWND window) {
    const int64_t left = RunMillisecondsLeft(ClockMilliseconds());
    if (left < 0) {
        KillTimer(window, kRunDeadlineTimer);
        return false;
    }
    if (left == 0)
        return true;
    ArmDeadline(window, left);
    return false;
}

void ArmTestFaults(const wchar_t* faults) {
    if (!faults)
        return;
    if (std::wcsstr(faults, L"sum"))
        TestFaults.wrongSums.store(1, std::memory_order_relaxed);
    if (std::wcsstr(faults, L"bit")) {
        TestFaults.memoryFlipOffset.store(0x1000, std::memory_order_relaxed);
        TestFaults.memoryFlipBit.store(3, std::memory_order_relaxed);
        TestFaults.memoryBitFlips.store(1, std::memory_order_relaxed);
    }
    if (std::wcsstr(faults, L"disk")) {
        TestFaults.diskFlipOffset.store(0x1005, std::memory_order_relaxed);
        TestFaults.diskReadFlips.store(1, std::memory_order_relaxed);
    }
    if (std::wcsstr(faults, L"whea"))
        injectWheaEvent.store(1, std::memory_order_relaxed);
    if (std::wcsstr(faults, L"fp")) {
        FmaTestFaults.wrongResultIndex.store(3, std::memory_order_relaxed);
        FmaTestFaults.wrongResultProcessor.store(-1, std::memory_order_relaxed);
        FmaTestFaults.wrongResults.store(1, std::memory_order_relaxed);
    }
}
