// The heavy processor load's workers: one bound to each logical processor across all processor groups, or a
// single one that moves to the next processor every period; each calls the floating-point kernel, checks every
// call's results against the run's reference and adds its work to its processor's total.
#include "stress/HeavyCpu_win.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <vector>

#include "stress/LoadCheck.h"
#include "stress/ProcessorTopology.h"
#include "stress/StressState.h"

HeavyCpuStatus HeavyCpu;

namespace {

struct HeavyWorkerStart {
    // The run the worker joined when it was started.
    WorkerRun run;
    FmaRun* fmaRun = nullptr;
    ProcessorWork* work = nullptr;
    ProcessorGroups groups;
    // The processor the worker is bound to, or the first one of a moving worker.
    int processor = 0;
    bool bound = false;
    // 0: stays on its processor; else moves on every this many milliseconds.
    int64_t cycleMilliseconds = 0;
};

// A call made before the reference was agreed: the candidate it voted for (-1: its results are kept in the
// worker's own list of unmatched results) and where it ran.
struct PendingCall {
    int candidate = -1;
    int processor = 0;
    bool bound = false;
};

// Calls without an agreed reference are settled once there is one; a processor whose calls never agree with any
// other call's is not waited on forever.
constexpr size_t kMaxPendingCalls = 64;

struct WorkerChecks {
    std::vector<PendingCall> pending;
    std::vector<std::array<double, kMaxFmaResultDoubles>> unmatched;
};

// An error of this load on this processor: the first result whose bits differ from the reference's. A worker
// that could not be bound leaves the processor to the report, which takes the one the check ran on.
void ReportWrongResult(const HeavyWorkerStart& start,
                       int processor,
                       bool bound,
                       const double* reference,
                       const double* results) {
    const FmaRun& run = *start.fmaRun;
    const int index = FirstFmaMismatch(reference, results, run.kernel.resultDoubles);
    if (index < 0)
        return;
    LoadFault fault;
    fault.load = LoadType::Cpu;
    fault.floatingPoint = true;
    fault.processor = bound ? processor : -1;
    std::memcpy(&fault.expected, &reference[index], sizeof(uint64_t));
    std::memcpy(&fault.actual, &results[index], sizeof(uint64_t));
    DescribeFmaMismatch(run.kernel.set, index, fault.expected, fault.actual, fault.detail, sizeof(fault.detail));
    ReportLoadFault(start.run, fault);
}

// Once the reference is agreed, the calls made before it that gave other results are errors too.
void SettlePending(const HeavyWorkerStart& start, WorkerChecks& checks, const double* reference) {
    const FmaRun& run = *start.fmaRun;
    size_t unmatched = 0;
    for (const PendingCall& call : checks.pending) {
        const double* results =
            call.candidate >= 0 ? CandidateResults(run, call.candidate) : checks.unmatched[unmatched++].data();
        ReportWrongResult(start, call.processor, call.bound, reference, results);
    }
    checks.pending.clear();
    checks.unmatched.clear();
}

// Checks a call's results against the run's reference; before one is agreed, the call votes for it and is
// settled once there is one.
void CheckCall(const HeavyWorkerStart& start, WorkerChecks& checks, int processor, bool bound, double* results) {
    FmaRun& run = *start.fmaRun;
    InjectAlwaysWrong(results, run.kernel.resultDoubles, processor);
    const double* reference = AgreedReference(run);
    if (!reference) {
        const int candidate = VoteForReference(run, results, processor);
        if (candidate < 0) {
            checks.unmatched.emplace_back();
            std::memcpy(checks.unmatched.back().data(), results, sizeof(double) * size_t(run.kernel.resultDoubles));
        }
        checks.pending.push_back({candidate, processor, bound});
        reference = AgreedReference(run);
        if (reference) {
            SettlePending(start, checks, reference);
        } else if (checks.pending.size() >= kMaxPendingCalls) {
            // The processors keep disagreeing: some processor is wrong even if none can be told apart.
            SettlePending(start, checks, SettleReference(run));
        }
        return;
    }
    if (!checks.pending.empty())
        SettlePending(start, checks, reference);
    InjectFmaFault(results, run.kernel.resultDoubles, processor);
    ReportWrongResult(start, processor, bound, reference, results);
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

// The moving worker alone decides the reference: a call on each of the first processors in turn, until two of
// them agree, then back to processor 0 where its schedule begins.
void AgreeAcrossProcessors(const HeavyWorkerStart& start, WorkerChecks& checks, double* results) {
    const FmaRun& run = *start.fmaRun;
    const int processors = std::min(LogicalProcessorCount(start.groups), kFmaCandidates);
    for (int processor = 0; processor < processors && !AgreedReference(run); ++processor) {
        const bool bound = BindThreadToProcessor(GetCurrentThread(), start.groups, processor);
        run.kernel.run(run.roundsPerCall, results);
        CheckCall(start, checks, processor, bound, results);
    }
    BindThreadToProcessor(GetCurrentThread(), start.groups, start.processor);
}

DWORD WINAPI HeavyCpuWorker(LPVOID parameter) {
    HeavyWorkerStart* start = static_cast<HeavyWorkerStart*>(parameter);
    FmaRun& run = *start->fmaRun;
    ProcessorWork& work = *start->work;
    const uint64_t operations = uint64_t(double(run.roundsPerCall) * run.kernel.flopsPerRound);
    const int64_t startedAt = ClockMilliseconds();
    int processor = start->processor;
    bool bound = start->bound;
    EnterProcessor(work, processor);
    double results[kMaxFmaResultDoubles];
    WorkerChecks checks;
    bool reportedRan = false;
    if (start->cycleMilliseconds > 0 && start->run.verify)
        AgreeAcrossProcessors(*start, checks, results);
    do {
        run.kernel.run(run.roundsPerCall, results);
        if (start->run.verify)
            CheckCall(*start, checks, processor, bound, results);
        AddProcessorWork(work, processor, operations);
        if (!reportedRan) {
            ReportLoadOutcome(start->run, LoadType::Cpu, true);
            reportedRan = true;
        }
        if (start->cycleMilliseconds > 0)
            MoveWhenDue(*start, startedAt, work, processor, bound);
    } while (LoadKeepsRunning(Stress.cpuOn));
    LeaveProcessor(work, processor);
    ReleaseFmaRun(start->fmaRun);
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
    const WorkerRun joined = JoinCurrentRun(window);
    if (!kernel.run) {
        ReportLoadOutcome(joined, LoadType::Cpu, false);
        return 0;
    }
    const int workers = cycleMilliseconds > 0 ? 1 : processors;
    FmaRun* run = NewFmaRun(kernel, workers, processors);
    int started = 0;
    for (int i = 0; i < workers; ++i) {
        auto* start = new HeavyWorkerStart{joined, run, &work, groups, i, false, cycleMilliseconds};
        if (StartWorker(start)) {
            ++started;
        } else {
            // The share of the worker that never ran.
            ReleaseFmaRun(run);
            delete start;
        }
    }
    ReleaseFmaRun(run);
    if (started == 0)
        ReportLoadOutcome(joined, LoadType::Cpu, false);
    return started;
}
