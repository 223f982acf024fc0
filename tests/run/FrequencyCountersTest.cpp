// The frequency counters on this system: either every processor gets a plausible clock, or the counters say
// they are absent and give nothing (Wine has no Processor Information object).
#include <gtest/gtest.h>

#include <windows.h>

#include <cmath>

#include "run/ProcessorFrequency.h"

TEST(FrequencyCounters, EveryProcessorHasAPlausibleClockOrTheCountersSayTheyAreAbsent) {
    FrequencyCounters counters;
    const bool opened = OpenFrequencyCounters(counters);
    EXPECT_EQ(opened, counters.available);
    const ProcessorGroups groups = ReadProcessorGroups();
    std::vector<double> megahertz;
    if (!opened) {
        EXPECT_FALSE(ReadFrequencies(counters, groups, megahertz)) << "absent counters read nothing";
        EXPECT_TRUE(megahertz.empty());
        return;
    }
    Sleep(1100);
    ASSERT_TRUE(ReadFrequencies(counters, groups, megahertz));
    ASSERT_EQ(int(megahertz.size()), LogicalProcessorCount(groups));
    for (size_t i = 0; i < megahertz.size(); ++i)
        EXPECT_TRUE(megahertz[i] > 100 && megahertz[i] < 10000) << "processor " << i << ": " << megahertz[i];
    CloseFrequencyCounters(counters);
    EXPECT_FALSE(counters.available);
}
