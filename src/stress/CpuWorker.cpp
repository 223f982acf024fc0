// The processor load's busy loop of integer additions, the known value of its sums, and its measured rate.
#include "stress/CpuWorker.h"

#include <cinttypes>
#include <cstdio>

#include "stress/LoadFault.h"
#include "stress/StressState.h"

namespace {

// The cells every addition reads. Volatile and atomic: shared by all workers without a data race, and the
// compiler must load them anew for every single addition instead of keeping them in a register.
volatile std::atomic<int32_t> cellA{333};
volatile std::atomic<int32_t> cellB{333};
volatile std::atomic<int32_t> cellC{333};

// The sums are stored here at the end of each call so that no addition can be optimised away. Every worker
// stores into it at once: atomic, so that the stores do not race, and volatile, so that none is dropped.
volatile std::atomic<int32_t> sumSink{0};

#if defined(__GNUC__) && (defined(__x86_64__) || defined(__i386__))
// One "add register, [cell]" per addition. GCC never folds a volatile load into an addition, so plain C++ would
// cost a separate load instruction each; the asm reads the cell from memory every time and is never merged,
// moved or dropped. The 32-bit sums wrap in the processor, as the hardware adds do.
using Sum = MegaAddSum;
#define KV_ADD(sum, cell) asm volatile("addl %1, %0" : "+r"(sum) : "m"(*reinterpret_cast<volatile int32_t*>(&cell)))
#else
// Signed 64-bit sums cannot overflow within a call (at most 25 × 333 per pass and sum); wrapping sums would let
// the optimiser regroup the additions, hoist all 100 loads of a pass and spill them.
using Sum = MegaAddSum;
#define KV_ADD(sum, cell) (sum += cell.load(kRelaxed))
#endif

constexpr int32_t kCellValue = 333;
constexpr int32_t kReadsPerPassAndSum = 25;

}  // namespace

MegaAddCalculator MegaAdder;

MegaAddCalculator::~MegaAddCalculator() = default;

int MegaAddCalculator::MegaAdd(int32_t passes) {
    MegaAddSums sums;
    return MegaAdd(passes, sums);
}

int MegaAddCalculator::MegaAdd(int32_t passes, MegaAddSums& sums) {
    cellA.store(333, kRelaxed);
    cellB.store(333, kRelaxed);
    cellC.store(333, kRelaxed);
    Sum sum1 = 0, sum2 = 0, sum3 = 0, sum4 = 0;
    int32_t pass = 0;
    do {
#define KV_ROUND         \
    KV_ADD(sum1, cellB); \
    KV_ADD(sum2, cellC); \
    KV_ADD(sum3, cellA); \
    KV_ADD(sum4, cellB);
#define KV_FIVE_ROUNDS KV_ROUND KV_ROUND KV_ROUND KV_ROUND KV_ROUND
        // 25 rounds of four additions written out as one straight run: the loop costs one increment and one
        // compare per 100 additions.
        KV_FIVE_ROUNDS KV_FIVE_ROUNDS KV_FIVE_ROUNDS KV_FIVE_ROUNDS KV_FIVE_ROUNDS
#undef KV_FIVE_ROUNDS
#undef KV_ROUND
    } while (++pass < passes);
    sumSink.store(int32_t(sum1 + sum2 + sum3 + sum4), kRelaxed);
    sums.value[0] = sum1;
    sums.value[1] = sum2;
    sums.value[2] = sum3;
    sums.value[3] = sum4;
    return 0;
}

MegaAddSum ExpectedMegaAddSum(int32_t passes) {
    const uint64_t calls = passes < 1 ? 1 : uint64_t(passes);
    // Unsigned arithmetic wraps without undefined behaviour; the conversion back gives the processor's result.
    return MegaAddSum(calls * kReadsPerPassAndSum * kCellValue);
}

bool CheckMegaAddSums(const MegaAddSums& sums, int32_t passes, LoadFault& fault) {
    const MegaAddSum expected = ExpectedMegaAddSum(passes);
    for (int i = 0; i < kMegaAddSumCount; ++i) {
        if (sums.value[i] == expected)
            continue;
        fault.load = LoadType::Cpu;
        fault.expected = uint64_t(int64_t(expected));
        fault.actual = uint64_t(int64_t(sums.value[i]));
        std::snprintf(fault.detail, sizeof(fault.detail),
                      "additions: sum %d of %" PRId32 " passes is %" PRId64 ", expected %" PRId64, i + 1, passes,
                      int64_t(sums.value[i]), int64_t(expected));
        return false;
    }
    return true;
}

double MegaAddRateFor(int calls, int64_t milliseconds, int processors) {
    const double seconds = double(milliseconds) * 0.001;
    return double(calls) * 100.0 / seconds * double(processors);
}
