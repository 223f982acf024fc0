// The floating-point kernel for AVX2 with FMA: 12 accumulators of four doubles, one fused multiply-add per
// accumulator and step; with the four constants, all 16 registers. Built for AVX2 and FMA by a target attribute
// on this function alone, so that nothing else of the program (no inline function a header brings) is built
// with instructions an older processor lacks.
#include "stress/FmaKernel.h"

#if KV_FMA_KERNELS
#include <immintrin.h>

#define KV_FOR_12(X) X(0) X(1) X(2) X(3) X(4) X(5) X(6) X(7) X(8) X(9) X(10) X(11)

#if defined(__GNUC__)
__attribute__((target("avx2,fma")))
#endif
void RunFmaRoundsAvx2(uint64_t rounds, double* results) {
    const __m256d a = _mm256_set1_pd(kFmaConstants.a);
    const __m256d b = _mm256_set1_pd(kFmaConstants.b);
    const __m256d c = _mm256_set1_pd(kFmaConstants.c);
    const __m256d d = _mm256_set1_pd(kFmaConstants.d);
#define KV_LOAD(i) __m256d x##i = _mm256_loadu_pd(kFmaStartValues.data() + 4 * i);
    KV_FOR_12(KV_LOAD)
#undef KV_LOAD
    do {
#define KV_STEP_AB(i) x##i = _mm256_fmadd_pd(x##i, a, b);
#define KV_STEP_CD(i) x##i = _mm256_fmadd_pd(x##i, c, d);
        KV_FOR_12(KV_STEP_AB)
        KV_FOR_12(KV_STEP_CD)
#undef KV_STEP_CD
#undef KV_STEP_AB
    } while (--rounds > 0);
    // Unaligned stores: GCC for Windows does not align the stack to 32 bytes, so nothing here may assume it.
#define KV_STORE(i) _mm256_storeu_pd(results + 4 * i, x##i);
    KV_FOR_12(KV_STORE)
#undef KV_STORE
}
#endif
