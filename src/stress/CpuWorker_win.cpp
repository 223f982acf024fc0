// The processor load's worker thread: calls the busy loop again and again, checks each call's sums, publishes its
// rate, yields now and then, and ends with its switch.
#include "stress/CpuWorker.h"
#include "stress/LoadCheck.h"
#include "stress/StressState.h"
#include "stress/Workers.h"

namespace {

constexpr int kPassesPerCall = 1000000;
constexpr int kCallsPerMeasurement = 11;
constexpr int kCallsPerYield = 101;

void MarkRanOnce(const WorkerRun& run, bool& marked) {
    if (!marked) {
        ReportLoadOutcome(run, LoadType::Cpu, true);
        marked = true;
    }
}

// The check after every call: its cost is four compares against a constant per 100 million additions.
void CheckCall(const WorkerRun& run, MegaAddSums& sums) {
    if (TakeInjectedFault(TestFaults.wrongSums))
        sums.value[1] = MegaAddSum(uint64_t(sums.value[1]) + 1);
    LoadFault fault;
    if (!CheckMegaAddSums(sums, kPassesPerCall, fault))
        ReportLoadFault(run, fault);
}

}  // namespace

DWORD WINAPI CpuWorker(LPVOID mainWindow) {
    const WorkerRun run = JoinCurrentRun(static_cast<HWND>(mainWindow));
    bool markedRan = false;
    int64_t start = ClockMilliseconds();
    int callsSinceMeasurement = 0;
    int callsSinceYield = 0;
    do {
        MegaAddSums sums;
        MegaAdder.MegaAdd(kPassesPerCall, sums);
        if (run.verify)
            CheckCall(run, sums);
        MarkRanOnce(run, markedRan);
        if (++callsSinceMeasurement == kCallsPerMeasurement) {
            const int64_t now = ClockMilliseconds();
            Stress.megaAddRate.store(
                MegaAddRateFor(callsSinceMeasurement, now - start, Stress.processorCount.load(kRelaxed)), kRelaxed);
            start = now;
            callsSinceMeasurement = 0;
        }
        if (++callsSinceYield == kCallsPerYield) {
            Sleep(0);
            callsSinceYield = 0;
        }
    } while (LoadKeepsRunning(Stress.cpuOn));
    return 0;
}
