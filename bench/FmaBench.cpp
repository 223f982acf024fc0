// Prints the floating-point load's speed beside the machine's peak for each instruction set this processor and
// system support: per core (one thread bound to processor 0) and for the machine (one bound thread per logical
// processor), the load's kernel against a reference written in assembly that does nothing but independent fused
// multiply-adds (multiplications and additions for SSE2), in alternating rounds. The load's side is what a worker
// does: a call of the kernel and the bit-exact check of its results against the first call's. The ratio is the
// median of the ratios of neighbouring rounds, which share whatever else the machine was doing at the time.
#include <windows.h>

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <cstdio>
#include <vector>

#include "stress/FmaKernel.h"
#include "stress/HeavyCpu.h"
#include "stress/ProcessorTopology.h"

namespace {

constexpr int kRounds = 15;
constexpr double kCoreSecondsPerRound = 0.2;
constexpr double kMachineSecondsPerRound = 0.5;

double Seconds() {
    LARGE_INTEGER now, frequency;
    QueryPerformanceCounter(&now);
    QueryPerformanceFrequency(&frequency);
    return double(now.QuadPart) / double(frequency.QuadPart);
}

double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    const size_t n = values.size();
    return n == 0 ? 0.0 : n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

// The references: one loop iteration is a row of independent accumulators, each `acc = acc * a + b`, with no
// other work than the loop's count; more accumulators than any current core needs to hide the units' latency.
const double kRefA = 0.75;
const double kRefB = 0.125;

// 14 accumulators of two doubles, a multiplication and an addition each: 56 operations per iteration.
constexpr double kSse2RefFlopsPerIteration = 14 * 2 * 2;
void ReferenceSse2(uint64_t iterations) {
    asm volatile(
        "movddup %[a], %%xmm14\n\t"
        "movddup %[b], %%xmm15\n\t"
        ".irp r,0,1,2,3,4,5,6,7,8,9,10,11,12,13\n\t"
        "movapd %%xmm15, %%xmm\\r\n\t"
        ".endr\n\t"
        "1:\n\t"
        ".irp r,0,1,2,3,4,5,6,7,8,9,10,11,12,13\n\t"
        "mulpd %%xmm14, %%xmm\\r\n\t"
        "addpd %%xmm15, %%xmm\\r\n\t"
        ".endr\n\t"
        "dec %[n]\n\t"
        "jnz 1b\n\t"
        : [n] "+r"(iterations)
        : [a] "m"(kRefA), [b] "m"(kRefB)
        : "xmm0", "xmm1", "xmm2", "xmm3", "xmm4", "xmm5", "xmm6", "xmm7", "xmm8", "xmm9", "xmm10", "xmm11", "xmm12",
          "xmm13", "xmm14", "xmm15", "cc");
}

// 14 accumulators of four doubles, one FMA each: 112 operations per iteration.
constexpr double kAvx2RefFlopsPerIteration = 14 * 4 * 2;
__attribute__((target("avx2,fma"))) void ReferenceAvx2(uint64_t iterations) {
    asm volatile(
        "vbroadcastsd %[a], %%ymm14\n\t"
        "vbroadcastsd %[b], %%ymm15\n\t"
        ".irp r,0,1,2,3,4,5,6,7,8,9,10,11,12,13\n\t"
        "vmovapd %%ymm15, %%ymm\\r\n\t"
        ".endr\n\t"
        "1:\n\t"
        ".irp r,0,1,2,3,4,5,6,7,8,9,10,11,12,13\n\t"
        "vfmadd213pd %%ymm15, %%ymm14, %%ymm\\r\n\t"
        ".endr\n\t"
        "dec %[n]\n\t"
        "jnz 1b\n\t"
        "vzeroupper\n\t"
        : [n] "+r"(iterations)
        : [a] "m"(kRefA), [b] "m"(kRefB)
        : "xmm0", "xmm1", "xmm2", "xmm3", "xmm4", "xmm5", "xmm6", "xmm7", "xmm8", "xmm9", "xmm10", "xmm11", "xmm12",
          "xmm13", "xmm14", "xmm15", "cc");
}

// 24 accumulators of eight doubles, one FMA each: 384 operations per iteration.
constexpr double kAvx512RefFlopsPerIteration = 24 * 8 * 2;
__attribute__((target("avx512f"))) void ReferenceAvx512(uint64_t iterations) {
    asm volatile(
        "vbroadcastsd %[a], %%zmm24\n\t"
        "vbroadcastsd %[b], %%zmm25\n\t"
        ".irp r,0,1,2,3,4,5,6,7,8,9,10,11,12,13,14,15,16,17,18,19,20,21,22,23\n\t"
        "vmovapd %%zmm25, %%zmm\\r\n\t"
        ".endr\n\t"
        "1:\n\t"
        ".irp r,0,1,2,3,4,5,6,7,8,9,10,11,12,13,14,15,16,17,18,19,20,21,22,23\n\t"
        "vfmadd213pd %%zmm25, %%zmm24, %%zmm\\r\n\t"
        ".endr\n\t"
        "dec %[n]\n\t"
        "jnz 1b\n\t"
        "vzeroupper\n\t"
        : [n] "+r"(iterations)
        : [a] "m"(kRefA), [b] "m"(kRefB)
        : "xmm0", "xmm1", "xmm2", "xmm3", "xmm4", "xmm5", "xmm6", "xmm7", "xmm8", "xmm9", "xmm10", "xmm11", "xmm12",
          "xmm13", "xmm14", "xmm15", "xmm16", "xmm17", "xmm18", "xmm19", "xmm20", "xmm21", "xmm22", "xmm23", "xmm24",
          "xmm25", "cc");
}

// One side of a comparison: a piece of work and the floating-point operations it does.
struct Work {
    InstructionSet set;
    bool reference;
    uint64_t count;  // kernel rounds or reference iterations per piece
    double flops;    // per piece
};

void DoWork(const Work& work) {
    if (!work.reference) {
        static thread_local double results[kMaxFmaResultDoubles];
        static thread_local double first[kInstructionSetCount][kMaxFmaResultDoubles];
        static thread_local bool haveFirst[kInstructionSetCount] = {};
        const FmaKernel kernel = FmaKernelFor(work.set);
        kernel.run(work.count, results);
        const int set = int(work.set);
        if (!haveFirst[set]) {
            std::copy(results, results + kernel.resultDoubles, first[set]);
            haveFirst[set] = true;
        } else if (FirstFmaMismatch(first[set], results, kernel.resultDoubles) >= 0) {
            std::printf("  a call's results differ from the first call's on this thread\n");
        }
        return;
    }
    switch (work.set) {
        case InstructionSet::Sse2:
            ReferenceSse2(work.count);
            break;
        case InstructionSet::Avx2Fma:
            ReferenceAvx2(work.count);
            break;
        case InstructionSet::Avx512F:
            ReferenceAvx512(work.count);
            break;
        case InstructionSet::None:
            break;
    }
}

// Pieces of the same size for the kernel and the reference: one kernel call of the load.
Work MakeWork(InstructionSet set, bool reference) {
    const FmaKernel kernel = FmaKernelFor(set);
    const uint64_t rounds = FmaRoundsPerCall(kernel);
    const double flops = double(rounds) * kernel.flopsPerRound;
    if (!reference)
        return {set, false, rounds, flops};
    const double perIteration = set == InstructionSet::Sse2      ? kSse2RefFlopsPerIteration
                                : set == InstructionSet::Avx2Fma ? kAvx2RefFlopsPerIteration
                                                                 : kAvx512RefFlopsPerIteration;
    const uint64_t iterations = uint64_t(flops / perIteration);
    return {set, true, iterations, double(iterations) * perIteration};
}

// GFLOPS of `pieces` pieces of work on this thread.
double TimeOnThisThread(const Work& work, int pieces) {
    const double start = Seconds();
    for (int i = 0; i < pieces; ++i)
        DoWork(work);
    return double(pieces) * work.flops / (Seconds() - start) / 1e9;
}

int PiecesFor(const Work& work, double seconds) {
    const double first = TimeOnThisThread(work, 1);
    return std::max(1, int(seconds * first * 1e9 / work.flops));
}

struct MachineRun {
    const Work* work = nullptr;
    int pieces = 0;
    std::atomic<int> ready{0};
    std::atomic<int> go{0};
};

DWORD WINAPI MachineThread(LPVOID parameter) {
    auto* run = static_cast<MachineRun*>(parameter);
    run->ready.fetch_add(1);
    while (!run->go.load())
        YieldProcessor();
    for (int i = 0; i < run->pieces; ++i)
        DoWork(*run->work);
    return 0;
}

// GFLOPS of the whole machine: the same pieces on one bound thread per logical processor, from a common start
// to the last thread's end.
double TimeOnAllProcessors(const Work& work, int pieces, const ProcessorGroups& groups) {
    MachineRun run;
    run.work = &work;
    run.pieces = pieces;
    const int processors = LogicalProcessorCount(groups);
    std::vector<HANDLE> threads;
    for (int i = 0; i < processors; ++i) {
        HANDLE thread = CreateThread(nullptr, 0, MachineThread, &run, CREATE_SUSPENDED, nullptr);
        if (!thread)
            continue;
        BindThreadToProcessor(thread, groups, i);
        ResumeThread(thread);
        threads.push_back(thread);
    }
    while (run.ready.load() < int(threads.size()))
        Sleep(0);
    const double start = Seconds();
    run.go.store(1);
    WaitForMultipleObjects(DWORD(threads.size()), threads.data(), TRUE, INFINITE);
    const double seconds = Seconds() - start;
    for (HANDLE thread : threads)
        CloseHandle(thread);
    return double(threads.size()) * pieces * work.flops / seconds / 1e9;
}

// Medians of each side and the median of the neighbouring rounds' ratios.
void PrintRow(const char* what, const std::vector<double>& kernel, const std::vector<double>& reference) {
    std::vector<double> ratios;
    for (size_t i = 0; i < kernel.size() && i < reference.size(); ++i)
        ratios.push_back(reference[i] > 0 ? kernel[i] / reference[i] : 0.0);
    std::printf("  %-28s %10.2f %10.2f %8.3f\n", what, Median(kernel), Median(reference), Median(ratios));
}

}  // namespace

int main() {
    const ProcessorFeatures features = ReadProcessorFeatures();
    const InstructionSet chosen = WidestInstructionSet(features);
    const ProcessorGroups groups = ReadProcessorGroups();
    const int processors = LogicalProcessorCount(groups);
    std::printf("logical processors: %d in %d group(s); the load chooses %s\n", processors,
                int(groups.activeMasks.size()), InstructionSetName(chosen));
    std::printf("goal: the load's kernel >= 0.90 of the reference per core\n");
    // The per-core figures come from the main thread bound to the first processor.
    BindThreadToProcessor(GetCurrentThread(), groups, 0);
    for (int s = kInstructionSetCount - 1; s >= 1; --s) {
        const InstructionSet set = InstructionSet(s);
        if (!InstructionSetUsable(set, features) || !FmaKernelFor(set).run) {
            std::printf("\n%s: not supported here\n", InstructionSetName(set));
            continue;
        }
        const Work kernel = MakeWork(set, false);
        const Work reference = MakeWork(set, true);
        const int corePieces = PiecesFor(kernel, kCoreSecondsPerRound);
        const int machinePieces = PiecesFor(kernel, kMachineSecondsPerRound);
        std::vector<double> coreKernel, coreReference, machineKernel, machineReference;
        for (int round = 0; round < kRounds; ++round) {
            coreKernel.push_back(TimeOnThisThread(kernel, corePieces));
            coreReference.push_back(TimeOnThisThread(reference, corePieces));
        }
        for (int round = 0; round < kRounds; ++round) {
            machineKernel.push_back(TimeOnAllProcessors(kernel, machinePieces, groups));
            machineReference.push_back(TimeOnAllProcessors(reference, machinePieces, groups));
        }
        std::printf("\n%s%s: GFLOPS, medians of %d alternating rounds; ratio: median of the rounds' ratios\n",
                    InstructionSetName(set), set == chosen ? " (chosen by the load)" : "", kRounds);
        std::printf("  %-28s %10s %10s %8s\n", "", "load", "reference", "ratio");
        PrintRow("per core (processor 0)", coreKernel, coreReference);
        PrintRow("machine (all processors)", machineKernel, machineReference);
        std::printf("  %-28s %10.2f %10.2f\n", "machine per processor", Median(machineKernel) / processors,
                    Median(machineReference) / processors);
    }
    return 0;
}
