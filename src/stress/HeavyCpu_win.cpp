// The heavy processor load's workers: one bound to each logical processor across all processor groups, or a
// single one that moves to the next processor every period; each calls the floating-point kernel, checks every
// call's results against the run's reference and adds its work to its processor's total.
#include "stress/HeavyCpu_win.h"

#include <cstring>

#include "stress/ProcessorTopology.h"
#include "stress/StressState.h"

HeavyFaultHandler HeavyFaultHook = nullptr;
HeavyCpuStatus HeavyCpu;

namespace {

struct HeavyWorkerStart {
    HWND window = nullptr;
    FmaRun* run = nullptr;
    ProcessorWork* work = nullptr;
    ProcessorGroups groups;
    // The processor the worker is bound to, or the first one of a moving worker.
    int processor = 0;
    bool bound = false;
    // 0: stays on its processor; else moves on every this many milliseconds.
    int64_t cycleMilliseconds = 0;
};

void CheckCall(const HeavyWorkerStart& start, int processor, bool bound, double* results) {
    FmaRun& run = *start.run;
    InjectFmaFault(results, run.kernel.resultDoubles, processor);
    const double* reference = ReferenceFor(run, results);
    const int index = FirstFmaMismatch(reference, results, run.kernel.resultDoubles);
    if (index < 0 || !HeavyFaultHook)
        return;
    FmaMismatch mismatch;
    mismatch.set = run.kernel.set;
    mismatch.processor = bound ? processor : -1;
    mismatch.index = index;
    std::memcpy(&mismatch.expected, &reference[index], sizeof(uint64_t));
    std::memcpy(&mismatch.actual, &results[index], sizeof(uint64_t));
    HeavyFaultHook(start.window, mismatch);
}

// The moving worker's next processor, when its period is up: leaves the old one and binds itself to the new.
void MoveWhenDue(const HeavyWorkerStart& start, int64_t startedAt, ProcessorWork& work, int& processor, bool& bound) {
    const int processors = LogicalProcessorCount(start.groups);
    const int next = CycleProcessor(ClockMilliseconds() - startedAt, start.cycleMilliseconds, processors);
    if (next == processor)
        return;
    LeaveProcessor(work, processor);
    processor = next;
    bound = BindThreadToProcessor(GetCurrentThread(), start.groups, processor);
    EnterProcessor(work, processor);
}

DWORD WINAPI HeavyCpuWorker(LPVOID parameter) {
    HeavyWorkerStart* start = static_cast<HeavyWorkerStart*>(parameter);
    FmaRun& run = *start->run;
    ProcessorWork& work = *start->work;
    const uint64_t operations = uint64_t(double(run.roundsPerCall) * run.kernel.flopsPerRound);
    const int64_t startedAt = ClockMilliseconds();
    int processor = start->processor;
    bool bound = start->bound;
    EnterProcessor(work, processor);
    double results[kMaxFmaResultDoubles];
    do {
        run.kernel.run(run.roundsPerCall, results);
        CheckCall(*start, processor, bound, results);
        AddProcessorWork(work, processor, operations);
        if (start->cycleMilliseconds > 0)
            MoveWhenDue(*start, startedAt, work, processor, bound);
    } while (LoadKeepsRunning(Stress.cpuOn));
    LeaveProcessor(work, processor);
    ReleaseFmaRun(start->run);
    delete start;
    return 0;
}

// Creates the worker suspended, binds it, lets it run; keeps no handle. False when the thread cannot be made.
bool StartWorker(HeavyWorkerStart* start) {
    HANDLE thread = CreateThread(nullptr, 0, HeavyCpuWorker, start, CREATE_SUSPENDED, nullptr);
    if (!thread)
        return false;
    start->bound = BindThreadToProcessor(thread, start->groups, start->processor);
    ResumeThread(thread);
    CloseHandle(thread);
    return true;
}

}  // namespace

int StartHeavyCpuWorkers(HWND window, int64_t cycleMilliseconds) {
    const ProcessorGroups groups = ReadProcessorGroups();
    const int processors = LogicalProcessorCount(groups);
    ProcessorWork& work = ProcessorWorkFor(processors);
    const FmaKernel kernel = FmaKernelFor(WidestInstructionSet(ReadProcessorFeatures()));
    HeavyCpu.instructionSet.store(int32_t(kernel.set), kRelaxed);
    HeavyCpu.cycleMilliseconds.store(cycleMilliseconds, kRelaxed);
    if (!kernel.run)
        return 0;
    const int workers = cycleMilliseconds > 0 ? 1 : processors;
    FmaRun* run = NewFmaRun(kernel, workers);
    int started = 0;
    for (int i = 0; i < workers; ++i) {
        auto* start = new HeavyWorkerStart{window, run, &work, groups, i, false, cycleMilliseconds};
        if (StartWorker(start)) {
            ++started;
        } else {
            // The share of the worker that never ran.
            ReleaseFmaRun(run);
            delete start;
        }
    }
    ReleaseFmaRun(run);
    return started;
}
