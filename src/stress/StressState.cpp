// The process-wide stress state, the workers' clock and the multi-line status text shown in the client area.
#include "stress/StressState.h"

#include <chrono>
#include <cstdio>

StressState Stress;

namespace {

const auto kProcessStart = std::chrono::steady_clock::now();

}  // namespace

int64_t ClockMilliseconds() {
    return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - kProcessStart)
        .count();
}

void ComposeStressStatus() {
    // The text is plain ASCII, so it is formatted narrow and widened unit by unit.
    char narrow[sizeof(Stress.stressStatusText) / sizeof(char16_t)];
    int length = std::snprintf(narrow, sizeof(narrow),
                               "Stress : %s \nPaint-Stress : %s\nCPU-Stress : %s\nHD-Stress : %s\nCPU-s :%d",
                               OnOffText(Stress.masterOn), OnOffText(Stress.paintOn), OnOffText(Stress.cpuOn),
                               OnOffText(Stress.diskOn), int(Stress.processorCount.load(kRelaxed)));
    if (length < 0)
        length = 0;
    int i = 0;
    for (; i < length && narrow[i]; ++i)
        Stress.stressStatusText[i] = char16_t(static_cast<unsigned char>(narrow[i]));
    Stress.stressStatusText[i] = 0;
}
