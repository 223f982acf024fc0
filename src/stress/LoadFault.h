// A fault that one of the loads' checks found, as its worker describes it to the run.
#pragma once

#include <cstdint>

#include "stress/StressState.h"

constexpr int kLoadFaultDetailCapacity = 160;

struct LoadFault {
    LoadType load = LoadType::Cpu;
    // The logical processor the check ran on (across groups); -1 when not known.
    int32_t processor = -1;
    // Where in the block the fault lies, in bytes; 0 where that means nothing.
    uint64_t offset = 0;
    uint64_t expected = 0;
    uint64_t actual = 0;
    // A short English description for the log and the report, ASCII, always terminated.
    char detail[kLoadFaultDetailCapacity] = {};
};
