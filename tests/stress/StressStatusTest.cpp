// The multi-line stress status composed from the switches and the processor count.
#include <gtest/gtest.h>

#include <string>

#include "stress/StressState.h"

namespace {

std::u16string ComposedStatus(int master, int paint, int cpu, int disk, int memory, int processors) {
    Stress.masterOn = master;
    Stress.paintOn = paint;
    Stress.cpuOn = cpu;
    Stress.diskOn = disk;
    Stress.memoryOn = memory;
    Stress.processorCount = processors;
    ComposeStressStatus();
    return Stress.stressStatusText;
}

}  // namespace

TEST(StressStatus, ShowsEachSwitchAndTheProcessorCount) {
    EXPECT_EQ(ComposedStatus(1, 0, 1, 0, 0, 8),
              u"Stress : ON \nPaint-Stress : OFF\nCPU-Stress : ON\nHD-Stress : OFF\nCPU-s :8");
    EXPECT_EQ(ComposedStatus(0, 1, 0, 1, 0, 1),
              u"Stress : OFF \nPaint-Stress : ON\nCPU-Stress : OFF\nHD-Stress : ON\nCPU-s :1");
}

TEST(StressStatus, LeavesTheMemorySwitchOutAndStaysShort) {
    const std::u16string withoutMemory = ComposedStatus(1, 1, 1, 1, 0, 2147483647);
    const std::u16string withMemory = ComposedStatus(1, 1, 1, 1, 1, 2147483647);
    EXPECT_EQ(withoutMemory, withMemory);
    EXPECT_LT(withMemory.size(), 100u);
    EXPECT_EQ(withMemory.substr(withMemory.size() - 17), u"CPU-s :2147483647");
}
