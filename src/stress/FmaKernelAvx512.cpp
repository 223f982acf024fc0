// The floating-point kernel for AVX-512F: 16 accumulators of eight doubles, one fused multiply-add per
// accumulator and step, with the four constants 20 of the 32 registers. Built for AVX-512F by a target attribute
// on this function alone (see FmaKernelAvx2.cpp).
#include "stress/FmaKernel.h"

#if KV_FMA_KERNELS
#include <immintrin.h>

#define KV_FOR_16(X) X(0) X(1) X(2) X(3) X(4) X(5) X(6) X(7) X(8) X(9) X(10) X(11) X(12) X(13) X(14) X(15)

#if defined(__GNUC__)
__attribute__((target("avx512f")))
#endif
void RunFmaRoundsAvx512(uint64_t rounds, double* results) {
    const __m512d a = _mm512_set1_pd(kFmaConstants.a);
    const __m512d b = _mm512_set1_pd(kFmaConstants.b);
    const __m512d c = _mm512_set1_pd(kFmaConstants.c);
    const __m512d d = _mm512_set1_pd(kFmaConstants.d);
#define KV_LOAD(i) __m512d x##i = _mm512_loadu_pd(kFmaStartValues.data() + 8 * i);
    KV_FOR_16(KV_LOAD)
#undef KV_LOAD
    do {
#define KV_STEP_AB(i) x##i = _mm512_fmadd_pd(x##i, a, b);
#define KV_STEP_CD(i) x##i = _mm512_fmadd_pd(x##i, c, d);
        KV_FOR_16(KV_STEP_AB)
        KV_FOR_16(KV_STEP_CD)
#undef KV_STEP_CD
#undef KV_STEP_AB
    } while (--rounds > 0);
#define KV_STORE(i) _mm512_storeu_pd(results + 8 * i, x##i);
    KV_FOR_16(KV_STORE)
#undef KV_STORE
}
#endif
