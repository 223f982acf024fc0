// The heavy loads' stored settings as the program takes them, including values edited by hand.
#include <gtest/gtest.h>

#include "stress/HeavyOptions.h"

TEST(HeavyOptions, StoredValuesAreTakenWithinTheirRanges) {
    EXPECT_EQ(CpuMethodFromSetting(0), CpuMethod::Additions);
    EXPECT_EQ(CpuMethodFromSetting(1), CpuMethod::FloatingPoint);
    EXPECT_EQ(CpuMethodFromSetting(2), CpuMethod::Additions) << "an unknown method is the specified one";
    EXPECT_EQ(CpuMethodFromSetting(-1), CpuMethod::Additions);

    EXPECT_EQ(CycleMillisecondsFromSetting(0), 0);
    EXPECT_EQ(CycleMillisecondsFromSetting(-6), 0);
    EXPECT_EQ(CycleMillisecondsFromSetting(6), 360000);
    EXPECT_EQ(CycleMillisecondsFromSetting(100000), int64_t(kMaxCycleMinutes) * 60000) << "at most a day";

    EXPECT_EQ(MemorySizeFromSetting(0).kind, MemorySizeKind::Standard);
    EXPECT_EQ(MemorySizeFromSetting(-50).kind, MemorySizeKind::Standard);
    const MemorySize share = MemorySizeFromSetting(75);
    EXPECT_EQ(share.kind, MemorySizeKind::Percent);
    EXPECT_EQ(share.amount, 75);
    EXPECT_EQ(MemorySizeFromSetting(99).amount, 90) << "never more than 90 % of the free memory";
}

TEST(HeavyOptions, TheHeavyProcessorLoadRunsForFloatingPointOrOneProcessorAtATime) {
    Heavy.cpuMethod = int32_t(CpuMethod::Additions);
    Heavy.cycleMilliseconds = 0;
    EXPECT_FALSE(HeavyCpuSelected());
    Heavy.cycleMilliseconds = 1000;
    EXPECT_TRUE(HeavyCpuSelected()) << "the moving worker is always the heavy one";
    Heavy.cycleMilliseconds = 0;
    Heavy.cpuMethod = int32_t(CpuMethod::FloatingPoint);
    EXPECT_TRUE(HeavyCpuSelected());
    Heavy.cpuMethod = int32_t(CpuMethod::Additions);
}
