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

// "123.4 GFLOPS · processor 3 throttling (-12 %) +2 · processor 5 slow (-18 %)" in the current language, the
// parts that apply; empty when none does.
std::u16string ComposeHeavyStatus(const HeavyStatus& status);
