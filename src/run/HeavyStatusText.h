// What the status bar's second part says of the heavy loads while a run lasts: the floating-point load's total
// rate, and a warning for a processor throttling or slow (never an error: the run can still pass).
#pragma once

#include <cstdint>
#include <string>

// A processor the watch marked, with how far below its measure it runs, in whole percent; -1: none.
struct ProcessorWarning {
    int32_t processor = -1;
    int32_t dropPercent = 0;
    // How many processors are so marked now.
    int32_t count = 0;
};

struct HeavyStatus {
    // The floating-point load's GFLOPS over all processors; NaN or below 0 when it does not run.
    double totalGigaflops = -1;
    ProcessorWarning throttling;
    ProcessorWarning slow;
};

// Both warnings in one word, so that the status part reads them with one load as the second that wrote them left
// them: per warning 13 bits for the processor plus one (0: none), 7 for the drop, 12 for the count, the drop and
// the count held to their fields' largest values. A processor beyond 8190 (more than Windows has) packs as none.
uint64_t PackProcessorWarnings(const ProcessorWarning& throttling, const ProcessorWarning& slow);
void UnpackProcessorWarnings(uint64_t packed, ProcessorWarning& throttling, ProcessorWarning& slow);

// "123.4 GFLOPS · processor 3 throttling (-12 %) +2 · processor 5 slow (-18 %)" in the current language, the
// parts that apply; empty when none does.
std::u16string ComposeHeavyStatus(const HeavyStatus& status);
