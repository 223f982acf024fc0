// The floating-point load's kernel: chains of fused multiply-adds on independent vector accumulators, one version
// per instruction set, each in its own file built for that set, chosen at run time.
#pragma once

#include <array>
#include <cstdint>

#include "stress/InstructionSet.h"

#if defined(__x86_64__) || defined(__i386__) || defined(_M_X64) || defined(_M_IX86)
#define KV_FMA_KERNELS 1
#endif

// Every accumulator lane runs the recurrence x = (x * a + b) * c + d, where c is 1 / a made larger by 2^-40 and
// d = -(b * c): one round multiplies x by 1 + 2^-40 (a few thousand units in its last place) up to rounding, so
// the values move on every round, never settle on a point the rounding maps onto itself, and grow by a factor
// of only about 1 + 2^-40 × rounds — values started in [1.25, 1.75] stay in [1, 2) for far longer than any call,
// finite and far from denormals. a and c have dense mantissas that keep the multipliers' bits switching. A
// wrong result changes the call's results, unless it lies in the lowest few bits, which a later rounding can
// absorb.
struct FmaConstants {
    double a, b, c, d;
};
// Dense mantissas: a about 0.7469, b about 0.2711. Exactly 1 / a for c would make a round the identity up to
// rounding, and the values would soon stop on a point that rounding maps onto itself: a call would compute the
// same few values over and over.
constexpr double kFmaA = 0x1.7e5c91a3b2d47p-1;
constexpr double kFmaB = 0x1.15a7c3e91d2b5p-2;
constexpr double kFmaC = 1.0 / kFmaA * (1.0 + 0x1p-40);
constexpr FmaConstants kFmaConstants = {kFmaA, kFmaB, kFmaC, -(kFmaB* kFmaC)};

// The largest result of any kernel: 16 accumulators of 8 lanes (AVX-512F).
constexpr int kMaxFmaResultDoubles = 128;
// The start value of each result double, the same for every call and every kernel.
extern const std::array<double, kMaxFmaResultDoubles> kFmaStartValues;

struct FmaKernel {
    InstructionSet set = InstructionSet::None;
    // Accumulators × lanes: how many doubles a call hands back.
    int resultDoubles = 0;
    // Floating-point operations of one round (an FMA counts two: a multiplication and an addition).
    double flopsPerRound = 0;
    // Runs `rounds` rounds (at least one) from the start values and writes the accumulators to `results`.
    void (*run)(uint64_t rounds, double* results) = nullptr;
};

// The kernel of that set; its run is null for None and for a set this build cannot make (a processor that is not
// x86).
FmaKernel FmaKernelFor(InstructionSet set);

// Rounds of one call of the load: about 2^28 floating-point operations, a few milliseconds on a modern core, so a
// worker checks and publishes often and stops soon after its switch goes off.
uint64_t FmaRoundsPerCall(const FmaKernel& kernel);

#if KV_FMA_KERNELS
// The kernels themselves, one per file.
void RunFmaRoundsSse2(uint64_t rounds, double* results);
void RunFmaRoundsAvx2(uint64_t rounds, double* results);
void RunFmaRoundsAvx512(uint64_t rounds, double* results);
#endif
