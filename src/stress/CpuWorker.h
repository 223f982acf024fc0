// The processor load's busy loop and the arithmetic of its published rate.
#pragma once

#include <cstdint>

struct LoadFault;

// The running sums of one call. The GCC x86 build adds in 32-bit registers, which wrap as the processor's adds
// do; elsewhere the sums are 64-bit and cannot overflow within a call (see CpuWorker.cpp).
#if defined(__GNUC__) && (defined(__x86_64__) || defined(__i386__))
using MegaAddSum = int32_t;
#else
using MegaAddSum = int64_t;
#endif

constexpr int kMegaAddSumCount = 4;
struct MegaAddSums {
    MegaAddSum value[kMegaAddSumCount] = {};
};

// Stateless: every processor worker calls MegaAdd on the one global instance.
class MegaAddCalculator {
public:
    virtual ~MegaAddCalculator();
    // Performs passes × 100 additions, each reading one of three shared cells from memory; returns 0.
    int MegaAdd(int32_t passes);
    // The same call, handing back its four sums so that the worker can check them.
    int MegaAdd(int32_t passes, MegaAddSums& sums);
};

extern MegaAddCalculator MegaAdder;

// Millions of additions per second of the whole machine, estimated from one worker's calls of 100 million
// additions over the given interval, multiplied by the number of processors.
double MegaAddRateFor(int calls, int64_t milliseconds, int processors);

// Each sum of a call: the cells hold 333 at the start of every call, and every sum adds one cell 25 times per
// pass, at least one pass, wrapping as MegaAddSum does.
MegaAddSum ExpectedMegaAddSum(int32_t passes);

// Compares the sums of a call of `passes` passes with their known value. On the first wrong one fills `fault`
// (load, expected and actual value, a description; not the processor) and returns false.
bool CheckMegaAddSums(const MegaAddSums& sums, int32_t passes, LoadFault& fault);
