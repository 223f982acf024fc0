// The floating-point kernel for SSE2, which every x86-64 processor has: no fused multiply-add, so each step is a
// multiplication and an addition, on 14 accumulators of two doubles. Four dependent operations per round need
// that many chains to keep two multipliers and two adders busy, and 14 accumulators leave room in the 16
// registers for the two factors only: the addends come from the first-level cache, folded into the additions
// (the load ports have nothing else to do).
#include "stress/FmaKernel.h"

#if KV_FMA_KERNELS
#include <emmintrin.h>

#include <array>

#define KV_FOR_14(X) X(0) X(1) X(2) X(3) X(4) X(5) X(6) X(7) X(8) X(9) X(10) X(11) X(12) X(13)

namespace {

constexpr int kAccumulators = 14;

// b for every accumulator, then d for every accumulator: a separate address per use, so the compiler folds each
// load into its addition instead of keeping the addend in a register.
struct alignas(16) Addends {
    std::array<double, 4 * kAccumulators> value;
};

constexpr Addends MakeAddends(double b, double d) {
    Addends addends{};
    for (int i = 0; i < 2 * kAccumulators; ++i) {
        addends.value[size_t(i)] = b;
        addends.value[size_t(2 * kAccumulators + i)] = d;
    }
    return addends;
}

}  // namespace

void RunFmaRoundsSse2(uint64_t rounds, double* results) {
    static constexpr Addends addends = MakeAddends(kFmaConstants.b, kFmaConstants.d);
    const __m128d a = _mm_set1_pd(kFmaConstants.a);
    const __m128d c = _mm_set1_pd(kFmaConstants.c);
    const double* addend = addends.value.data();
#define KV_LOAD(i) __m128d x##i = _mm_loadu_pd(kFmaStartValues.data() + 2 * i);
    KV_FOR_14(KV_LOAD)
#undef KV_LOAD
    do {
        // The compiler no longer knows where `addend` points, so it cannot hoist the loads out of the loop into
        // registers it does not have (it would spill accumulators instead).
        __asm__("" : "+r"(addend));
#define KV_STEP_AB(i) x##i = _mm_add_pd(_mm_mul_pd(x##i, a), _mm_load_pd(addend + 2 * i));
#define KV_STEP_CD(i) x##i = _mm_add_pd(_mm_mul_pd(x##i, c), _mm_load_pd(addend + 2 * (kAccumulators + i)));
        KV_FOR_14(KV_STEP_AB)
        KV_FOR_14(KV_STEP_CD)
#undef KV_STEP_CD
#undef KV_STEP_AB
    } while (--rounds > 0);
#define KV_STORE(i) _mm_storeu_pd(results + 2 * i, x##i);
    KV_FOR_14(KV_STORE)
#undef KV_STORE
}
#endif
