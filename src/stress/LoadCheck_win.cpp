// Recording the faults that the loads' checks find, with the processor that found them.
#include "stress/LoadCheck.h"

#include "run/RunNotice_win.h"
#include "stress/StressState.h"

InjectedFaults TestFaults;

LoadRun JoinCurrentRun(HWND window) {
    LoadRun run;
    run.window = window;
    run.runId = CurrentRun.runId.load(std::memory_order_acquire);
    run.verify = CurrentRun.settings.verify.load(std::memory_order_relaxed) != 0;
    return run;
}

int32_t CurrentProcessorIndex() {
    PROCESSOR_NUMBER number = {};
    GetCurrentProcessorNumberEx(&number);
    int32_t index = number.Number;
    for (WORD group = 0; group < number.Group; ++group)
        index += int32_t(GetActiveProcessorCount(group));
    return index;
}

void ReportLoadError(const LoadRun& run, RunError& error) {
    error.millisecondsSinceStart = ClockMilliseconds() - CurrentRun.startMilliseconds;
    if (error.processor < 0)
        error.processor = CurrentProcessorIndex();
    if (RecordRunError(run.runId, error))
        PostRunErrorNotice(run.window);
}
