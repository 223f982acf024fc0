// The heavy processor load's shared records: per-processor work, the run's reference results and their check,
// and the schedule of one processor at a time.
#include "stress/HeavyCpu.h"

#include <cinttypes>
#include <cstdio>
#include <cstring>
#include <limits>
#include <thread>

namespace {

constexpr auto kRelaxed = std::memory_order_relaxed;

std::atomic<ProcessorWork*> publishedWork{nullptr};

bool InTable(const ProcessorWork& work, int processor) {
    return processor >= 0 && processor < work.count;
}

uint64_t Bits(double value) {
    uint64_t bits;
    std::memcpy(&bits, &value, sizeof(bits));
    return bits;
}

}  // namespace

ProcessorWork& ProcessorWorkFor(int processors) {
    if (ProcessorWork* existing = publishedWork.load(std::memory_order_acquire))
        return *existing;
    auto* work = new ProcessorWork;
    work->count = processors > 0 ? processors : 1;
    work->operations = new std::atomic<uint64_t>[size_t(work->count)]();
    work->workers = new std::atomic<int32_t>[size_t(work->count)]();
    publishedWork.store(work, std::memory_order_release);
    return *work;
}

const ProcessorWork* PublishedProcessorWork() {
    return publishedWork.load(std::memory_order_acquire);
}

void AddProcessorWork(ProcessorWork& work, int processor, uint64_t operations) {
    if (InTable(work, processor))
        work.operations[processor].fetch_add(operations, kRelaxed);
}

void EnterProcessor(ProcessorWork& work, int processor) {
    if (InTable(work, processor))
        work.workers[processor].fetch_add(1, kRelaxed);
}

void LeaveProcessor(ProcessorWork& work, int processor) {
    if (InTable(work, processor))
        work.workers[processor].fetch_sub(1, kRelaxed);
}

void SampleProcessorRates(ProcessorRateSampler& sampler,
                          const ProcessorWork& work,
                          int64_t nowMilliseconds,
                          std::vector<double>& rates) {
    const size_t count = size_t(work.count);
    const bool first = sampler.lastMilliseconds < 0 || sampler.lastOperations.size() != count;
    const double seconds = double(nowMilliseconds - sampler.lastMilliseconds) * 0.001;
    sampler.lastOperations.resize(count);
    sampler.lastWorkers.resize(count);
    rates.assign(count, std::numeric_limits<double>::quiet_NaN());
    for (size_t i = 0; i < count; ++i) {
        const uint64_t operations = work.operations[i].load(kRelaxed);
        const int32_t workers = work.workers[i].load(kRelaxed);
        if (!first && seconds > 0 && workers > 0 && sampler.lastWorkers[i] > 0)
            rates[i] = double(operations - sampler.lastOperations[i]) / seconds * 1e-9;
        sampler.lastOperations[i] = operations;
        sampler.lastWorkers[i] = workers;
    }
    sampler.lastMilliseconds = nowMilliseconds;
}

FmaRun* NewFmaRun(const FmaKernel& kernel, int workers, int processors) {
    auto* run = new FmaRun;
    run->oneProcessor = processors <= 1;
    run->kernel = kernel;
    run->roundsPerCall = FmaRoundsPerCall(kernel);
    run->users.store(workers + 1, kRelaxed);
    return run;
}

void ReleaseFmaRun(FmaRun* run) {
    if (run && run->users.fetch_sub(1, std::memory_order_acq_rel) == 1)
        delete run;
}

int VoteForReference(FmaRun& run, const double* results, int processor) {
    const size_t bytes = sizeof(double) * size_t(run.kernel.resultDoubles);
    for (int i = 0; i < kFmaCandidates; ++i) {
        FmaCandidate& candidate = run.candidates[i];
        int32_t state = candidate.state.load(std::memory_order_acquire);
        if (state == 0 && candidate.state.compare_exchange_strong(state, 1, std::memory_order_acquire)) {
            std::memcpy(candidate.values, results, bytes);
            candidate.firstProcessor = processor;
            candidate.votes.store(1, kRelaxed);
            candidate.state.store(2, std::memory_order_release);
            return i;
        }
        // Another worker is copying a few hundred bytes into this slot.
        while (candidate.state.load(std::memory_order_acquire) != 2)
            std::this_thread::yield();
        if (std::memcmp(candidate.values, results, bytes) != 0)
            continue;
        const bool otherProcessor = processor != candidate.firstProcessor;
        candidate.votes.fetch_add(1, kRelaxed);
        if (otherProcessor || run.oneProcessor) {
            int32_t none = -1;
            run.agreed.compare_exchange_strong(none, i, std::memory_order_release, kRelaxed);
        }
        return i;
    }
    return -1;
}

const double* SettleReference(FmaRun& run) {
    int best = -1, bestVotes = 0;
    for (int i = 0; i < kFmaCandidates; ++i) {
        if (run.candidates[i].state.load(std::memory_order_acquire) != 2)
            continue;
        const int votes = run.candidates[i].votes.load(kRelaxed);
        if (votes > bestVotes) {
            best = i;
            bestVotes = votes;
        }
    }
    if (best >= 0) {
        int32_t none = -1;
        run.agreed.compare_exchange_strong(none, best, std::memory_order_release, kRelaxed);
    }
    return AgreedReference(run);
}

const double* AgreedReference(const FmaRun& run) {
    const int32_t agreed = run.agreed.load(std::memory_order_acquire);
    return agreed >= 0 ? run.candidates[agreed].values : nullptr;
}

const double* CandidateResults(const FmaRun& run, int candidate) {
    return run.candidates[candidate].values;
}

int FirstFmaMismatch(const double* reference, const double* results, int count) {
    // Bits, not values: a NaN never equals itself, and -0.0 equals 0.0.
    if (std::memcmp(reference, results, sizeof(double) * size_t(count)) == 0)
        return -1;
    for (int i = 0; i < count; ++i) {
        if (Bits(reference[i]) != Bits(results[i]))
            return i;
    }
    return -1;
}

void DescribeFmaMismatch(InstructionSet set,
                         int index,
                         uint64_t expected,
                         uint64_t actual,
                         char* detail,
                         int capacity) {
    if (capacity <= 0)
        return;
    std::snprintf(detail, size_t(capacity),
                  "floating point (%s): result %d is 0x%016" PRIx64 " instead of 0x%016" PRIx64 " (bits 0x%" PRIx64
                  " differ)",
                  InstructionSetName(set), index, actual, expected, actual ^ expected);
}

int CycleProcessor(int64_t elapsedMilliseconds, int64_t periodMilliseconds, int processors) {
    if (processors <= 0 || periodMilliseconds <= 0 || elapsedMilliseconds < 0)
        return 0;
    return int((elapsedMilliseconds / periodMilliseconds) % processors);
}

InjectedFmaFaults FmaTestFaults;

namespace {

void FlipResultBit(double* results, int count) {
    const int index = FmaTestFaults.wrongResultIndex.load(kRelaxed);
    if (index >= 0 && index < count) {
        uint64_t bits = Bits(results[index]) ^ (uint64_t(1) << 40);
        std::memcpy(&results[index], &bits, sizeof(bits));
    }
}

}  // namespace

void InjectAlwaysWrong(double* results, int count, int processor) {
    if (FmaTestFaults.alwaysWrongProcessor.load(kRelaxed) == processor && processor >= 0)
        FlipResultBit(results, count);
}

void InjectFmaFault(double* results, int count, int processor) {
    int32_t left = FmaTestFaults.wrongResults.load(kRelaxed);
    if (left <= 0)
        return;
    const int32_t target = FmaTestFaults.wrongResultProcessor.load(kRelaxed);
    if (target >= 0 && target != processor)
        return;
    while (left > 0) {
        if (FmaTestFaults.wrongResults.compare_exchange_weak(left, left - 1, kRelaxed)) {
            FlipResultBit(results, count);
            return;
        }
    }
}
