// The heavy loads' settings: how the processor load works, whether one processor at a time, and how much memory
// the memory load takes. Read from the settings file (cpu_method, cycle_min, mem_share), changed by the options
// menu's rows and, for one run, by the command line; read by the workers' starters.
#pragma once

#include <atomic>
#include <cstdint>

#include "stress/HeavyCpu.h"
#include "stress/MemoryShare.h"

// Commands of the options menu's rows (WM_COMMAND).
enum HeavyCommand : int {
    kCommandCpuAdditions = 190,
    kCommandCpuFloatingPoint = 191,
    kCommandCpuCycle = 192,
    kCommandMemoryStandard = 193,
    kCommandMemoryHalf = 194,
    kCommandMemoryThreeQuarters = 195,
    kCommandMemoryNinetyPercent = 196,
};

// Written by the user-interface thread; read when a load starts.
struct HeavyOptions {
    std::atomic<int32_t> cpuMethod{int32_t(CpuMethod::Additions)};
    // 0: a worker on every processor; else the single moving worker's period.
    std::atomic<int64_t> cycleMilliseconds{0};
    std::atomic<int32_t> memorySizeKind{int32_t(MemorySizeKind::Standard)};
    std::atomic<int64_t> memoryAmount{0};
};
extern HeavyOptions Heavy;

// The settings' stored values as the program takes them. cpu_method: 1 floating point, anything else additions.
// cycle_min: minutes of each processor's turn, 0 (or less) off, at most a day. mem_share: a share of the free
// memory from 1 to 90 percent (more is taken as 90), 0 or less the standard size.
CpuMethod CpuMethodFromSetting(int value);
int64_t CycleMillisecondsFromSetting(int minutes);
MemorySize MemorySizeFromSetting(int share);

constexpr int kMaxCycleMinutes = 24 * 60;
constexpr int kMaxMemorySharePercent = 90;
// The period the options row switches on: 6 minutes.
constexpr int kDefaultCycleMinutes = 6;

// The heavy processor load runs when floating point is chosen or one processor at a time is on.
bool HeavyCpuSelected();
MemorySize SelectedMemorySize();

// Reads the three settings into Heavy (Windows: the settings file).
void LoadHeavySettings();

// Carries out an options row's command: changes Heavy and stores the setting; true when the command was one of
// these. A running load keeps its workers; the choice counts from the load's next start.
bool HandleHeavyCommand(int command);
