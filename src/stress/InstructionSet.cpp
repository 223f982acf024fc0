// Reading the processor's vector features and the system's saved register state, and choosing the widest set.
#include "stress/InstructionSet.h"

#if defined(_MSC_VER) && (defined(_M_X64) || defined(_M_IX86))
#include <immintrin.h>
#include <intrin.h>
#define KV_X86 1
#elif defined(__GNUC__) && (defined(__x86_64__) || defined(__i386__))
#include <cpuid.h>
#define KV_X86 1
#endif

namespace {

#if KV_X86
struct CpuidRegisters {
    uint32_t eax = 0, ebx = 0, ecx = 0, edx = 0;
};

// Leaf and subleaf; all zero for a leaf the processor does not have.
CpuidRegisters Cpuid(uint32_t leaf, uint32_t subleaf) {
    CpuidRegisters r;
#if defined(_MSC_VER)
    int values[4] = {};
    __cpuid(values, 0);
    if (uint32_t(values[0]) < leaf)
        return r;
    __cpuidex(values, int(leaf), int(subleaf));
    r = {uint32_t(values[0]), uint32_t(values[1]), uint32_t(values[2]), uint32_t(values[3])};
#else
    if (!__get_cpuid_count(leaf, subleaf, &r.eax, &r.ebx, &r.ecx, &r.edx))
        r = {};
#endif
    return r;
}

// Only called once cpuid said the system enabled xgetbv: on other systems the instruction faults.
uint64_t ReadXcr0() {
#if defined(_MSC_VER)
    return _xgetbv(0);
#else
    // Written out rather than _xgetbv(), which would need the whole file built for the xsave extension.
    uint32_t low = 0, high = 0;
    __asm__ volatile("xgetbv" : "=a"(low), "=d"(high) : "c"(0));
    return uint64_t(high) << 32 | low;
#endif
}

bool Bit(uint32_t value, int bit) {
    return (value >> bit & 1) != 0;
}
#endif

bool HasState(const ProcessorFeatures& features, uint64_t state) {
    return features.osxsave && (features.xcr0 & state) == state;
}

}  // namespace

ProcessorFeatures ReadProcessorFeatures() {
    ProcessorFeatures features;
#if KV_X86
    const CpuidRegisters basic = Cpuid(1, 0);
    features.sse2 = Bit(basic.edx, 26);
    features.osxsave = Bit(basic.ecx, 27);
    features.avx = Bit(basic.ecx, 28);
    features.fma = Bit(basic.ecx, 12);
    const CpuidRegisters extended = Cpuid(7, 0);
    features.avx2 = Bit(extended.ebx, 5);
    features.avx512f = Bit(extended.ebx, 16);
    if (features.osxsave)
        features.xcr0 = ReadXcr0();
#endif
    return features;
}

bool InstructionSetUsable(InstructionSet set, const ProcessorFeatures& features) {
    switch (set) {
        case InstructionSet::None:
            return true;
        case InstructionSet::Sse2:
            // Every 64-bit system saves the SSE registers (with fxsave where xsave is missing).
            return features.sse2;
        case InstructionSet::Avx2Fma:
            return features.avx && features.avx2 && features.fma && HasState(features, kXcr0AvxState);
        case InstructionSet::Avx512F:
            return features.avx512f && HasState(features, kXcr0Avx512State);
    }
    return false;
}

InstructionSet WidestInstructionSet(const ProcessorFeatures& features) {
    for (int set = kInstructionSetCount - 1; set > 0; --set) {
        if (InstructionSetUsable(InstructionSet(set), features))
            return InstructionSet(set);
    }
    return InstructionSet::None;
}

const char* InstructionSetName(InstructionSet set) {
    switch (set) {
        case InstructionSet::None:
            return "none";
        case InstructionSet::Sse2:
            return "SSE2";
        case InstructionSet::Avx2Fma:
            return "AVX2+FMA";
        case InstructionSet::Avx512F:
            return "AVX-512F";
    }
    return "none";
}
