// The heavy loads' settings in the settings file, and the options rows' commands that change them.
#include "settings/IniStore.h"
#include "stress/HeavyOptions.h"

namespace {

constexpr auto kRelaxed = std::memory_order_relaxed;

const wchar_t kCpuMethodKey[] = L"cpu_method";
const wchar_t kCycleKey[] = L"cycle_min";
const wchar_t kMemoryShareKey[] = L"mem_share";

void SetMemorySize(const MemorySize& size) {
    Heavy.memorySizeKind.store(int32_t(size.kind), kRelaxed);
    Heavy.memoryAmount.store(size.amount, kRelaxed);
}

void ChooseCpuMethod(CpuMethod method) {
    Heavy.cpuMethod.store(int32_t(method), kRelaxed);
    WriteSetting(kCpuMethodKey, int(method));
}

void ToggleCycle() {
    const int minutes = Heavy.cycleMilliseconds.load(kRelaxed) > 0 ? 0 : kDefaultCycleMinutes;
    Heavy.cycleMilliseconds.store(CycleMillisecondsFromSetting(minutes), kRelaxed);
    WriteSetting(kCycleKey, minutes);
}

void ChooseMemoryShare(int percent) {
    SetMemorySize(MemorySizeFromSetting(percent));
    WriteSetting(kMemoryShareKey, percent);
}

}  // namespace

void LoadHeavySettings() {
    Heavy.cpuMethod.store(int32_t(CpuMethodFromSetting(ReadSetting(kCpuMethodKey, 0))), kRelaxed);
    Heavy.cycleMilliseconds.store(CycleMillisecondsFromSetting(ReadSetting(kCycleKey, 0)), kRelaxed);
    SetMemorySize(MemorySizeFromSetting(ReadSetting(kMemoryShareKey, 0)));
}

bool HandleHeavyCommand(int command) {
    switch (command) {
        case kCommandCpuAdditions:
            ChooseCpuMethod(CpuMethod::Additions);
            return true;
        case kCommandCpuFloatingPoint:
            ChooseCpuMethod(CpuMethod::FloatingPoint);
            return true;
        case kCommandCpuCycle:
            ToggleCycle();
            return true;
        case kCommandMemoryStandard:
            ChooseMemoryShare(0);
            return true;
        case kCommandMemoryHalf:
            ChooseMemoryShare(50);
            return true;
        case kCommandMemoryThreeQuarters:
            ChooseMemoryShare(75);
            return true;
        case kCommandMemoryNinetyPercent:
            ChooseMemoryShare(90);
            return true;
    }
    return false;
}
