// The floating-point kernels: each set is chosen only where the processor and the system support it, each kernel
// computes exactly its recurrence, gives the same bits every time and on every thread, and stays finite and
// normal however long a call runs.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <thread>
#include <vector>

#include "stress/FmaKernel.h"

namespace {

ProcessorFeatures Features(bool sse2, bool avx, bool fma, bool avx2, bool avx512f, bool osxsave, uint64_t xcr0) {
    ProcessorFeatures f;
    f.sse2 = sse2;
    f.avx = avx;
    f.fma = fma;
    f.avx2 = avx2;
    f.avx512f = avx512f;
    f.osxsave = osxsave;
    f.xcr0 = xcr0;
    return f;
}

// The kernels this machine can run.
std::vector<FmaKernel> UsableKernels() {
    std::vector<FmaKernel> kernels;
    const ProcessorFeatures features = ReadProcessorFeatures();
    for (int set = 1; set < kInstructionSetCount; ++set) {
        const FmaKernel kernel = FmaKernelFor(InstructionSet(set));
        if (kernel.run && InstructionSetUsable(InstructionSet(set), features))
            kernels.push_back(kernel);
    }
    return kernels;
}

std::vector<double> RunKernel(const FmaKernel& kernel, uint64_t rounds) {
    std::vector<double> results(kMaxFmaResultDoubles, 0.0);
    kernel.run(rounds, results.data());
    results.resize(size_t(kernel.resultDoubles));
    return results;
}

// One lane of the fused recurrence. Built for FMA, so that the compiler emits the processor's fused
// multiply-add: MinGW's library fma is not correctly rounded (fma(1.25, a, b) ends in ...0f9 where the hardware
// and glibc give ...0fa), so a model on it fails under Wine. Only called where the FMA kernels run, that is where
// the processor has FMA.
#if defined(__GNUC__) && (defined(__x86_64__) || defined(__i386__))
__attribute__((target("fma")))
#endif
double
FusedModelLane(double x, uint64_t rounds) {
    const FmaConstants& k = kFmaConstants;
    for (uint64_t i = 0; i < rounds; ++i)
        x = __builtin_fma(__builtin_fma(x, k.a, k.b), k.c, k.d);
    return x;
}

// One lane of the recurrence in plain C++: fused steps for the FMA sets, a rounded product and a rounded sum
// (separate statements, so the compiler cannot fuse them) for SSE2.
double ModelLane(InstructionSet set, double x, uint64_t rounds) {
    if (set != InstructionSet::Sse2)
        return FusedModelLane(x, rounds);
    const FmaConstants& k = kFmaConstants;
    for (uint64_t i = 0; i < rounds; ++i) {
        volatile double product = x * k.a;
        x = product + k.b;
        product = x * k.c;
        x = product + k.d;
    }
    return x;
}

bool SameBits(const std::vector<double>& left, const std::vector<double>& right) {
    return left.size() == right.size() && std::memcmp(left.data(), right.data(), left.size() * sizeof(double)) == 0;
}

}  // namespace

TEST(InstructionSet, EachSetIsChosenOnlyWhereProcessorAndSystemSupportIt) {
    const uint64_t allState = 0xE7;
    struct Case {
        const char* name;
        ProcessorFeatures features;
        InstructionSet expected;
    } cases[] = {
        {"nothing", Features(false, false, false, false, false, false, 0), InstructionSet::None},
        {"SSE2 only", Features(true, false, false, false, false, false, 0), InstructionSet::Sse2},
        {"AVX2 and FMA, system saves AVX", Features(true, true, true, true, false, true, 0x7), InstructionSet::Avx2Fma},
        {"AVX2 without FMA", Features(true, true, false, true, false, true, allState), InstructionSet::Sse2},
        {"FMA without AVX2", Features(true, true, true, false, false, true, allState), InstructionSet::Sse2},
        {"AVX2+FMA, system without xsave", Features(true, true, true, true, false, false, allState),
         InstructionSet::Sse2},
        {"AVX2+FMA, system saves only SSE state", Features(true, true, true, true, false, true, 0x3),
         InstructionSet::Sse2},
        {"AVX-512F, everything saved", Features(true, true, true, true, true, true, allState), InstructionSet::Avx512F},
        {"AVX-512F, system saves no opmask state", Features(true, true, true, true, true, true, 0xC7),
         InstructionSet::Avx2Fma},
        {"AVX-512F, system saves no upper registers", Features(true, true, true, true, true, true, 0x27),
         InstructionSet::Avx2Fma},
        {"AVX-512F without AVX2", Features(true, true, false, false, true, true, allState), InstructionSet::Avx512F},
    };
    for (const Case& c : cases)
        EXPECT_EQ(WidestInstructionSet(c.features), c.expected) << c.name;
}

TEST(InstructionSet, ThisMachineReportsWhatItCanRun) {
    const ProcessorFeatures features = ReadProcessorFeatures();
#if KV_FMA_KERNELS && (defined(__x86_64__) || defined(_M_X64))
    EXPECT_TRUE(features.sse2) << "every x86-64 processor has SSE2";
    EXPECT_GE(int(WidestInstructionSet(features)), int(InstructionSet::Sse2));
#endif
    if (features.osxsave) {
        EXPECT_EQ(features.xcr0 & 0x3, 0x3u) << "a system with xsave saves the x87 and SSE state";
    }
    for (const FmaKernel& kernel : UsableKernels())
        EXPECT_GT(FmaRoundsPerCall(kernel), 0u) << InstructionSetName(kernel.set);
    EXPECT_EQ(FmaKernelFor(InstructionSet::None).run, nullptr);
    EXPECT_STREQ(InstructionSetName(InstructionSet::Avx2Fma), "AVX2+FMA");
}

TEST(FmaKernel, EachKernelComputesItsRecurrenceBitForBit) {
    const uint64_t rounds = 2000;
    for (const FmaKernel& kernel : UsableKernels()) {
        const std::vector<double> results = RunKernel(kernel, rounds);
        for (int i = 0; i < kernel.resultDoubles; ++i) {
            const double expected = ModelLane(kernel.set, kFmaStartValues[size_t(i)], rounds);
            ASSERT_EQ(std::memcmp(&results[size_t(i)], &expected, sizeof(double)), 0)
                << InstructionSetName(kernel.set) << " lane " << i << ": " << results[size_t(i)] << " vs " << expected;
        }
    }
}

TEST(FmaKernel, ResultsAreTheSameEveryTimeAndOnEveryThread) {
    for (const FmaKernel& kernel : UsableKernels()) {
        const uint64_t rounds = FmaRoundsPerCall(kernel);
        const std::vector<double> first = RunKernel(kernel, rounds);
        std::vector<double> others[3];
        std::vector<std::thread> threads;
        for (std::vector<double>& other : others)
            threads.emplace_back([&kernel, &other, rounds] { other = RunKernel(kernel, rounds); });
        for (std::thread& thread : threads)
            thread.join();
        for (const std::vector<double>& other : others)
            EXPECT_TRUE(SameBits(first, other)) << InstructionSetName(kernel.set);
        EXPECT_FALSE(SameBits(first, RunKernel(kernel, rounds + 1))) << "one more round changes the results";
    }
}

// A call restarts from the start values, so no value ever lies further from them than a call's rounds take it:
// about a factor 1 + 2^-40 per round. Calls 64 times longer than the load's stay within that bound, in [1, 2),
// normal.
TEST(FmaKernel, ValuesStayFiniteAndNormalFarBeyondACall) {
    for (const FmaKernel& kernel : UsableKernels()) {
        const uint64_t call = FmaRoundsPerCall(kernel);
        for (const uint64_t rounds : {uint64_t(1), uint64_t(1000), call, 64 * call}) {
            const std::vector<double> results = RunKernel(kernel, rounds);
            const double bound = double(rounds) * 0x1p-39;
            for (int i = 0; i < kernel.resultDoubles; ++i) {
                const double x = results[size_t(i)];
                const double start = kFmaStartValues[size_t(i)];
                ASSERT_EQ(std::fpclassify(x), FP_NORMAL) << InstructionSetName(kernel.set) << " after " << rounds;
                ASSERT_TRUE(x >= 1.0 && x < 2.0) << x;
                ASSERT_GT(x, start) << "every round grows the value";
                ASSERT_LE(x / start - 1.0, bound) << InstructionSetName(kernel.set) << " after " << rounds;
            }
        }
    }
}
