// The heavy processor load: the floating-point kernel on one bound worker per logical processor (or one worker
// moving from processor to processor), every call's results compared bit for bit with the first call's, and the
// work each processor did published for the per-processor rates.
#pragma once

#include <atomic>
#include <cstdint>
#include <vector>

#include "stress/FmaKernel.h"

// How the processor load works: the specified additions, or the floating-point kernel.
enum class CpuMethod : int { Additions = 0, FloatingPoint = 1 };

// The work done on each logical processor since the program started, published by the heavy workers and read by
// whoever samples the rates; one slot per processor, allocated once for the processors the machine has and kept
// for the program's life (workers are never joined, so nothing may free what they write into).
struct ProcessorWork {
    int32_t count = 0;
    // Floating-point operations completed on processor i.
    std::atomic<uint64_t>* operations = nullptr;
    // Heavy workers on processor i now: 0 means the processor's rate is not measured, rather than 0.
    std::atomic<int32_t>* workers = nullptr;
};

// The table for `processors` processors: made on the first call (user-interface thread, before any heavy worker
// starts), the same one afterwards. A later call with more processors than the table has still returns it; the
// processors beyond its count are not measured.
ProcessorWork& ProcessorWorkFor(int processors);
// The table once it exists, else null; any thread.
const ProcessorWork* PublishedProcessorWork();

// Adds a call's operations to the processor's total; ignored for a processor outside the table.
void AddProcessorWork(ProcessorWork& work, int processor, uint64_t operations);
void EnterProcessor(ProcessorWork& work, int processor);
void LeaveProcessor(ProcessorWork& work, int processor);

// Reads the per-processor work once a second and turns it into rates.
struct ProcessorRateSampler {
    int64_t lastMilliseconds = -1;
    std::vector<uint64_t> lastOperations;
    std::vector<int32_t> lastWorkers;
};

// Each processor's billions of floating-point operations per second since the last sample. NaN for a processor
// that had no heavy worker at the last sample or has none now — a worker that started or left within the
// interval ran only part of it — and for every processor on the first sample. `rates` gets work.count values.
void SampleProcessorRates(ProcessorRateSampler& sampler,
                          const ProcessorWork& work,
                          int64_t nowMilliseconds,
                          std::vector<double>& rates);

// One start of the heavy load, shared by its workers: the kernel, and the reference results that the first call
// to finish publishes and every later call is compared with. Freed by the last of its users.
struct FmaRun {
    FmaKernel kernel;
    uint64_t roundsPerCall = 0;
    // 0: none yet; 1: being written; 2: ready.
    std::atomic<int32_t> referenceState{0};
    double reference[kMaxFmaResultDoubles] = {};
    std::atomic<int32_t> users{0};
};

// A new run of the kernel for `workers` workers plus its starter, each of which calls ReleaseFmaRun once.
FmaRun* NewFmaRun(const FmaKernel& kernel, int workers);
void ReleaseFmaRun(FmaRun* run);

// Hands back the reference for a call's results: publishes `results` when no call has done so yet, else waits
// the moment another worker needs to finish writing it. Any worker thread.
const double* ReferenceFor(FmaRun& run, const double* results);

// The index of the first result whose bits differ from the reference's; -1 when every bit agrees.
int FirstFmaMismatch(const double* reference, const double* results, int count);

// "floating point (AVX-512F): result 17 is 0x... instead of 0x..." into `detail` (always terminated).
void DescribeFmaMismatch(InstructionSet set, int index, uint64_t expected, uint64_t actual, char* detail, int capacity);

// One processor at a time: the processor the single worker runs on `elapsed` milliseconds after it started, moving
// on every `period` milliseconds and starting over after the last one.
int CycleProcessor(int64_t elapsedMilliseconds, int64_t periodMilliseconds, int processors);

constexpr int64_t kDefaultCycleMilliseconds = 6 * 60 * 1000;

// A wrong result as a worker found it: where, and what the first wrong double held.
struct FmaMismatch {
    InstructionSet set = InstructionSet::None;
    // The logical processor the worker was bound to; -1 when it could not be bound.
    int32_t processor = -1;
    int index = 0;
    uint64_t expected = 0;
    uint64_t actual = 0;
};

// The seam the tests and the detector self-test inject wrong results through: calls of a heavy worker on
// processor `wrongResultProcessor` (any processor when -1) whose result `wrongResultIndex` gets one bit flipped
// before the check. The normal program never sets it.
struct InjectedFmaFaults {
    std::atomic<int32_t> wrongResults{0};
    std::atomic<int32_t> wrongResultIndex{0};
    std::atomic<int32_t> wrongResultProcessor{-1};
};
extern InjectedFmaFaults FmaTestFaults;

// Takes one injected fault meant for this processor when there is one and flips a bit of that result; a single
// relaxed load otherwise.
void InjectFmaFault(double* results, int count, int processor);
