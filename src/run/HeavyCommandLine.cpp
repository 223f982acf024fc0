// The heavy loads' options from the command line.
#include "run/HeavyCommandLine.h"

void ApplyHeavyCommandLine(const CommandLine& options, HeavyOptions& heavy) {
    constexpr auto kRelaxed = std::memory_order_relaxed;
    switch (options.cpuMethod) {
        case CpuMethodChoice::Stored:
            break;
        case CpuMethodChoice::Additions:
            heavy.cpuMethod.store(int32_t(CpuMethod::Additions), kRelaxed);
            break;
        case CpuMethodChoice::FloatingPoint:
            heavy.cpuMethod.store(int32_t(CpuMethod::FloatingPoint), kRelaxed);
            break;
    }
    switch (options.memorySize) {
        case MemorySizeChoice::Stored:
            break;
        case MemorySizeChoice::Percent:
            heavy.memorySizeKind.store(int32_t(MemorySizeKind::Percent), kRelaxed);
            heavy.memoryAmount.store(options.memoryAmount, kRelaxed);
            break;
        case MemorySizeChoice::Mebibytes:
            heavy.memorySizeKind.store(int32_t(MemorySizeKind::Mebibytes), kRelaxed);
            heavy.memoryAmount.store(options.memoryAmount, kRelaxed);
            break;
    }
    if (options.cycleSeconds > 0)
        heavy.cycleMilliseconds.store(options.cycleSeconds * 1000, kRelaxed);
}
