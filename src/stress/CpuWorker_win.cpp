// The processor load's worker thread: calls the busy loop again and again, publishes its rate, yields now and
// then, and ends with its switch.
#include "stress/CpuWorker.h"
#include "stress/StressState.h"
#include "stress/Workers.h"

namespace {

constexpr int kPassesPerCall = 1000000;
constexpr int kCallsPerMeasurement = 11;
constexpr int kCallsPerYield = 101;

}  // namespace

DWORD WINAPI CpuWorker(LPVOID) {
    int64_t start = ClockMilliseconds();
    int callsSinceMeasurement = 0;
    int callsSinceYield = 0;
    do {
        MegaAdder.MegaAdd(kPassesPerCall);
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
