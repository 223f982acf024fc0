// The shared stress state: the switches, the processor count and the rates the load workers publish.
#pragma once

#include <atomic>
#include <cstdint>

// Command identifiers of the load switches (toolbar buttons and WM_COMMAND).
enum StressCommand : int {
    kCommandCpu = 107,
    kCommandPaint = 108,
    kCommandMaster = 109,
    kCommandDisk = 110,
    kCommandMemory = 111,
};

// The height of the toolbar strip at the top and of the status bar at the bottom of the client area at 96 DPI,
// and the bands' height until the window's layout publishes the real ones.
constexpr int kBandHeight = 24;

// Only the user-interface thread writes the switches; workers read them once per poll. Every field that two
// threads touch is atomic and accessed with relaxed order: a value stale for one poll is harmless.
struct StressState {
    std::atomic<int32_t> masterOn{0};
    std::atomic<int32_t> paintOn{0};
    std::atomic<int32_t> cpuOn{1};
    std::atomic<int32_t> diskOn{0};
    std::atomic<int32_t> memoryOn{0};
    std::atomic<int32_t> paintMode{0};
    std::atomic<int32_t> processorCount{0};
    std::atomic<double> paintLoopRate{0.0};
    std::atomic<double> paintMegabytesPerSecond{0.0};
    std::atomic<double> megaAddRate{0.0};
    // The bars' real heights at the top and the bottom of the client area, published by the window's layout:
    // the paint load and the client painting keep out of these bands. Written by the user-interface thread.
    std::atomic<int32_t> topBandHeight{kBandHeight};
    std::atomic<int32_t> bottomBandHeight{kBandHeight};
    // Read and written by the user-interface thread only.
    char16_t stressStatusText[1024] = {};
};

extern StressState Stress;

enum class LoadType : int { Paint = 0, Cpu = 1, Disk = 2, Memory = 3 };

constexpr auto kRelaxed = std::memory_order_relaxed;

// True while both the load's own switch and the master switch are on: the condition every worker polls.
inline bool LoadKeepsRunning(const std::atomic<int32_t>& loadSwitch) {
    return loadSwitch.load(kRelaxed) != 0 && Stress.masterOn.load(kRelaxed) != 0;
}

// A switch as the status texts show it.
inline const char* OnOffText(const std::atomic<int32_t>& value) {
    return value.load(kRelaxed) == 1 ? "ON" : "OFF";
}

// Milliseconds of wall time since the process started; the time base of every measured rate.
int64_t ClockMilliseconds();

// Rewrites Stress.stressStatusText from the switches and the processor count.
void ComposeStressStatus();
