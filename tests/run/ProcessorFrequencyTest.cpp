// The frequency counters' instance names and the effective clock.
#include <gtest/gtest.h>

#include <cmath>

#include "run/ProcessorFrequency.h"

TEST(ProcessorFrequency, InstanceNamesGiveGroupAndNumberAndTotalsAreLeftOut) {
    struct Case {
        const char16_t* name;
        bool parsed;
        int group, number;
    } cases[] = {
        {u"0,3", true, 0, 3},       {u"1,63", true, 1, 63},  {u"31,0", true, 31, 0}, {u"_Total", false, 0, 0},
        {u"0,_Total", false, 0, 0}, {u"", false, 0, 0},      {u",", false, 0, 0},    {u"0,", false, 0, 0},
        {u",5", false, 0, 0},       {u"a,1", false, 0, 0},   {u"0,3 ", false, 0, 0}, {u"123456,1", false, 0, 0},
        {u"-1,2", false, 0, 0},     {u"0,1,2", false, 0, 0},
    };
    for (const Case& c : cases) {
        int group = -1, number = -1;
        const std::u16string_view name(c.name);
        EXPECT_EQ(ParseProcessorInstance(name, group, number), c.parsed) << std::string(name.begin(), name.end());
        if (c.parsed) {
            EXPECT_EQ(group, c.group);
            EXPECT_EQ(number, c.number);
        }
    }
}

TEST(ProcessorFrequency, TheEffectiveClockIsTheNominalOneScaledByThePerformance) {
    EXPECT_DOUBLE_EQ(EffectiveMegahertz(3000, 100), 3000);
    EXPECT_DOUBLE_EQ(EffectiveMegahertz(3000, 142.5), 4275) << "boost above the nominal clock";
    EXPECT_DOUBLE_EQ(EffectiveMegahertz(2400, 50), 1200);
    EXPECT_TRUE(std::isnan(EffectiveMegahertz(0, 100)));
    EXPECT_TRUE(std::isnan(EffectiveMegahertz(3000, 0)));
    EXPECT_TRUE(std::isnan(EffectiveMegahertz(NAN, 100)));
    EXPECT_TRUE(std::isnan(EffectiveMegahertz(3000, INFINITY)));
}
