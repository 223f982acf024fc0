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

// A result of a whole call that some calls gave: its bits, how many calls gave exactly these, and the processor
// of the first of them.
struct FmaCandidate {
    // 0: empty; 1: being written; 2: written.
    std::atomic<int32_t> state{0};
    std::atomic<int32_t> votes{0};
    int32_t firstProcessor = -1;
    double values[kMaxFmaResultDoubles] = {};
};

// Distinct results kept while the reference is not yet agreed; a fifth distinct one is not kept.
constexpr int kFmaCandidates = 4;

// One start of the heavy load, shared by its workers: the kernel, and the reference results every call is
// compared with. The reference is the first result two calls agree on, not simply the first call's: a processor
// that computes wrongly from its very first call must not make every other processor look wrong. Freed by the
// last of its users.
struct FmaRun {
    FmaKernel kernel;
    uint64_t roundsPerCall = 0;
    FmaCandidate candidates[kFmaCandidates];
    // The candidate agreed on; -1 while none is.
    std::atomic<int32_t> agreed{-1};
    // Only one processor can vote (the machine has one): two of its own calls agree.
    bool oneProcessor = false;
    std::atomic<int32_t> users{0};
};

// A new run of the kernel for `workers` workers plus its starter, each of which calls ReleaseFmaRun once, on a
// machine of `processors` logical processors.
FmaRun* NewFmaRun(const FmaKernel& kernel, int workers, int processors = 2);
void ReleaseFmaRun(FmaRun* run);

// While no reference is agreed: counts the results of a call on `processor` as a vote for the candidate with the
// same bits, or as a new candidate, and agrees on a candidate once a second processor gave its bits (on a machine
// of one processor, once it gave them twice). Returns the candidate voted for; -1 when every slot holds other
// results. Any worker thread, without a lock; waits only the moment another worker needs to finish writing a
// candidate.
int VoteForReference(FmaRun& run, const double* results, int processor);
// When processors keep disagreeing (two processors, one of them always wrong): agrees on the candidate with the
// most votes, the first one among equals, so that the run fails even where it cannot tell which one is wrong.
// Returns the agreed reference; null when no call voted yet.
const double* SettleReference(FmaRun& run);
// The agreed reference's results, or null while none is agreed.
const double* AgreedReference(const FmaRun& run);
// A candidate's results (the bits some calls gave).
const double* CandidateResults(const FmaRun& run, int candidate);

// The index of the first result whose bits differ from the reference's; -1 when every bit agrees.
int FirstFmaMismatch(const double* reference, const double* results, int count);

// "floating point (AVX-512F): result 17 is 0x... instead of 0x..." into `detail` (always terminated).
void DescribeFmaMismatch(InstructionSet set, int index, uint64_t expected, uint64_t actual, char* detail, int capacity);

// One processor at a time: the processor the single worker runs on `elapsed` milliseconds after it started, moving
// on every `period` milliseconds and starting over after the last one.
int CycleProcessor(int64_t elapsedMilliseconds, int64_t periodMilliseconds, int processors);

constexpr int64_t kDefaultCycleMilliseconds = 6 * 60 * 1000;

// The seam the tests and the detector self-test inject wrong results through: calls of a heavy worker on
// processor `wrongResultProcessor` (any processor when -1) whose result `wrongResultIndex` gets one bit flipped
// before the check. The normal program never sets it.
struct InjectedFmaFaults {
    std::atomic<int32_t> wrongResults{0};
    std::atomic<int32_t> wrongResultIndex{0};
    std::atomic<int32_t> wrongResultProcessor{-1};
    // A processor that computes wrongly from its first call on: every call of a worker on it (-1: none).
    std::atomic<int32_t> alwaysWrongProcessor{-1};
};
extern InjectedFmaFaults FmaTestFaults;

// The always-wrong processor's call: flips the same bit as InjectFmaFault.
void InjectAlwaysWrong(double* results, int count, int processor);

// Takes one injected fault meant for this processor when there is one and flips a bit of that result; a single
// relaxed load otherwise.
void InjectFmaFault(double* results, int count, int processor);
