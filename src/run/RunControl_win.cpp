// The run's side of the master switch: begin and end, the hardware error watch, and the workers' findings.
#include "run/RunControl_win.h"

#include <atomic>
#include <ctime>
#include <cwchar>

#include "run/HardwareErrorWatch_win.h"
#include "run/RunNotice_win.h"
#include "run/SelfTest.h"
#include "settings/IniStore.h"
#include "stress/DiskLoadChoice.h"
#include "stress/LoadCheck.h"
#include "stress/StressState.h"

RunSettingOverrides RunOverrides;

namespace {

// The test seam's WHEA event, taken by the next run's start.
std::atomic<int32_t> injectWheaEvent{0};

void FeedInjectedWheaEvent(HWND window, uint32_t runId) {
    if (injectWheaEvent.exchange(0, std::memory_order_relaxed) == 0)
        return;
    RunError error;
    HandleLoggedEventXml(window, runId, kRecordedWheaEventXml, 0, error);
}

ErrorSource SourceOf(LoadType load) {
    switch (load) {
        case LoadType::Memory:
            return ErrorSource::Memory;
        case LoadType::Disk:
            return ErrorSource::Disk;
        default:
            return ErrorSource::Additions;
    }
}

WorkerRun BeginLoadRun(HWND window, int32_t selectedLoads) {
    const RunCheckSettings settings = NextRunSettings();
    WorkerRun run;
    run.window = window;
    run.verify = settings.verify;
    run.realDisk = settings.realDisk;
    run.runId = BeginRun(selectedLoads, ClockMilliseconds(), int64_t(std::time(nullptr)), settings);
    StartHardwareErrorWatch(window, run.runId, ClockMilliseconds);
    FeedInjectedWheaEvent(window, run.runId);
    return run;
}

void EndLoadRun(HWND window) {
    if (!CurrentRun.active.load(std::memory_order_acquire))
        return;
    StopHardwareErrorWatch();
    EndRun(ClockMilliseconds());
    PostMessageW(window, kRunEndedMessage, WPARAM(CurrentRun.runId.load(std::memory_order_relaxed)), 0);
}

// Any worker thread: the record takes it without a lock and the window is told without waiting.
void RecordLoadFault(const WorkerRun& run, const LoadFault& fault) {
    RunError error;
    error.millisecondsSinceStart = ClockMilliseconds() - CurrentRun.startMilliseconds.load(std::memory_order_relaxed);
    error.source = SourceOf(fault.load);
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
    settings.realDisk = DiskLoadIs(DiskLoadMode::Real);
    return settings;
}

void LoadRunOptions() {
    LoadOption(RunOptions.verify, kVerifySettingKey, 1);
    LoadOption(RunOptions.stopOnError, kStopOnErrorSettingKey, 0);
}

bool ToggleRunOption(int command) {
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
    StopHardwareErrorWatch();
    EndRun(ClockMilliseconds());
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
}
