// The constants and start values every floating-point kernel shares, and the table of kernels by set.
#include "stress/FmaKernel.h"

#include <array>

namespace {

constexpr std::array<double, kMaxFmaResultDoubles> MakeStartValues() {
    std::array<double, kMaxFmaResultDoubles> values{};
    for (int i = 0; i < kMaxFmaResultDoubles; ++i) {
        // Spread over [1.25, 1.75) with low bits that differ from lane to lane.
        values[i] = 1.25 + (i + 0.5) / 256.0 + double((i * 0x9E37) & 0xFFFF) * 0x1p-44;
    }
    return values;
}

// Accumulators and lanes of each kernel (FmaKernel*.cpp): enough independent chains to cover the FMA units'
// latency times their number (e.g. 4 cycles × 2 units = 8), with the four constants all in registers too.
constexpr int kSse2Doubles = 14 * 2;
constexpr int kAvx2Doubles = 12 * 4;
constexpr int kAvx512Doubles = 16 * 8;
// Two FMAs (or a multiplication and an addition each) per lane and round, two operations each.
constexpr double kFlopsPerLaneRound = 4.0;

constexpr double kFlopsPerCall = double(1u << 28);

}  // namespace

// Constant-initialised: the kernels may read it from any thread at any time.
const std::array<double, kMaxFmaResultDoubles> kFmaStartValues = MakeStartValues();

FmaKernel FmaKernelFor(InstructionSet set) {
    FmaKernel kernel;
    kernel.set = set;
#if KV_FMA_KERNELS
    switch (set) {
        case InstructionSet::None:
            break;
        case InstructionSet::Sse2:
            kernel.resultDoubles = kSse2Doubles;
            kernel.run = RunFmaRoundsSse2;
            break;
        case InstructionSet::Avx2Fma:
            kernel.resultDoubles = kAvx2Doubles;
            kernel.run = RunFmaRoundsAvx2;
            break;
        case InstructionSet::Avx512F:
            kernel.resultDoubles = kAvx512Doubles;
            kernel.run = RunFmaRoundsAvx512;
            break;
    }
#endif
    kernel.flopsPerRound = kernel.resultDoubles * kFlopsPerLaneRound;
    return kernel;
}
uint64_t FmaRoundsPerCall(const FmaKernel& kernel) {
    if (kernel.flopsPerRound <= 0)
        return 0;
    return uint64_t(kFlopsPerCall / kernel.flopsPerRound);
}
