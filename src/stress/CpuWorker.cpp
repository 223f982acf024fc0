// The processor load's busy loop of integer additions and the arithmetic of its measured rate.
#include "stress/CpuWorker.h"

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
using Sum = int32_t;
#define KV_ADD(sum, cell) asm volatile("addl %1, %0" : "+r"(sum) : "m"(*reinterpret_cast<volatile int32_t*>(&cell)))
#else
// Signed 64-bit sums cannot overflow within a call (at most 25 × 333 per pass and sum); wrapping sums would let
// the optimiser regroup the additions, hoist all 100 loads of a pass and spill them.
using Sum = int64_t;
#define KV_ADD(sum, cell) (sum += cell.load(kRelaxed))
#endif

}  // namespace

MegaAddCalculator MegaAdder;

MegaAddCalculator::~MegaAddCalculator() = default;

int MegaAddCalculator::MegaAdd(int32_t passes) {
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
    return 0;
}

double MegaAddRateFor(int calls, int64_t milliseconds, int processors) {
    const double seconds = double(milliseconds) * 0.001;
    return double(calls) * 100.0 / seconds * double(processors);
}
