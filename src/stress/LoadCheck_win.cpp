// Handing the faults that the loads' checks find to the run, with the processor that found them.
#include "stress/LoadCheck.h"

InjectedFaults TestFaults;
RunHooks StressRunHooks;
CurrentWorkerRun WorkerRunNow;

WorkerRun JoinCurrentRun(HWND window) {
    WorkerRun run;
    run.window = window;
    run.runId = WorkerRunNow.runId.load(std::memory_order_acquire);
    run.verify = WorkerRunNow.verify.load(kRelaxed) != 0;
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

void ReportLoadFault(const WorkerRun& run, LoadFault& fault) {
    if (fault.processor < 0)
        fault.processor = CurrentProcessorIndex();
    fault.detail[kLoadFaultDetailCapacity - 1] = 0;
    if (StressRunHooks.fault)
        StressRunHooks.fault(run, fault);
}

void ReportLoadOutcome(const WorkerRun& run, LoadType load, bool ran) {
    if (StressRunHooks.outcome)
        StressRunHooks.outcome(run, load, ran);
}
