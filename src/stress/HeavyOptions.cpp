// The heavy loads' settings as stored values and as the starters read them.
#include "stress/HeavyOptions.h"

#include <algorithm>

HeavyOptions Heavy;

CpuMethod CpuMethodFromSetting(int value) {
    return value == int(CpuMethod::FloatingPoint) ? CpuMethod::FloatingPoint : CpuMethod::Additions;
}

int64_t CycleMillisecondsFromSetting(int minutes) {
    if (minutes <= 0)
        return 0;
    return int64_t(std::min(minutes, kMaxCycleMinutes)) * 60 * 1000;
}

MemorySize MemorySizeFromSetting(int share) {
    if (share <= 0)
        return {};
    return {MemorySizeKind::Percent, std::min(share, kMaxMemorySharePercent)};
}

bool HeavyCpuSelected() {
    return Heavy.cpuMethod.load(std::memory_order_relaxed) == int32_t(CpuMethod::FloatingPoint) ||
           Heavy.cycleMilliseconds.load(std::memory_order_relaxed) > 0;
}

MemorySize SelectedMemorySize() {
    return {MemorySizeKind(Heavy.memorySizeKind.load(std::memory_order_relaxed)),
            Heavy.memoryAmount.load(std::memory_order_relaxed)};
}
