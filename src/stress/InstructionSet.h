// Which vector instruction set the floating-point load runs on: what the processor offers (cpuid), what the
// system saves and restores across thread switches (xgetbv), and the widest set both allow.
#pragma once

#include <cstdint>

// Ordered from narrow to wide: a wider set is always preferred.
enum class InstructionSet : int { None = 0, Sse2 = 1, Avx2Fma = 2, Avx512F = 3 };
constexpr int kInstructionSetCount = 4;

// What cpuid reports and the system's extended-state mask; the flags are a seam, so that tests can describe any
// processor and system.
struct ProcessorFeatures {
    bool sse2 = false;
    // The system has enabled xgetbv (cpuid 1 ecx bit 27); without it xcr0 means nothing.
    bool osxsave = false;
    bool avx = false;
    bool fma = false;
    bool avx2 = false;
    bool avx512f = false;
    // XCR0: bit 1 SSE state, bit 2 AVX state, bits 5-7 the AVX-512 opmask and upper register state.
    uint64_t xcr0 = 0;
};

// Bits of XCR0 the system must save for each set's registers.
constexpr uint64_t kXcr0AvxState = 0x6;
constexpr uint64_t kXcr0Avx512State = 0xE6;

// Asks this processor and system; all false on a processor that is not x86.
ProcessorFeatures ReadProcessorFeatures();

// Whether the processor has the set's instructions and the system saves its registers.
bool InstructionSetUsable(InstructionSet set, const ProcessorFeatures& features);

// The widest usable set; None when not even SSE2 is there.
InstructionSet WidestInstructionSet(const ProcessorFeatures& features);

// "SSE2", "AVX2+FMA", "AVX-512F", "none": the set as the log, the report and the benchmark name it.
const char* InstructionSetName(InstructionSet set);
