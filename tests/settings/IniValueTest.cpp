// INI values parse like the C runtime's text-to-long conversion, and huge values saturate instead of wrapping.
#include <gtest/gtest.h>

#include <climits>

#include "settings/IniValue.h"

TEST(IniValue, ParsesLikeTextToLong) {
    const struct {
        const char16_t* text;
        int32_t expected;
    } cases[] = {
        {u"7x", 7},
        {u"x7", 0},
        {u" -3", -3},
        {u"+5", 5},
        {u"\t 12", 12},
        {u"0", 0},
        {u"- 3", 0},
        {u"--3", 0},
        {u"", 0},
        {u"1 2", 1},
        {u"007", 7},
        {u"-0", 0},
        {u"\x00e4"
         u"1",
         0},
        {u"12\x00ff", 12},
    };
    for (const auto& c : cases)
        EXPECT_EQ(ParseIniInteger(c.text), c.expected) << "case " << testing::PrintToString(std::u16string(c.text));
    EXPECT_EQ(ParseIniInteger(nullptr), 0);
}

TEST(IniValue, HugeValuesSaturateAtTheThirtyTwoBitRange) {
    EXPECT_EQ(ParseIniInteger(u"2147483647"), INT32_MAX);
    EXPECT_EQ(ParseIniInteger(u"2147483648"), INT32_MAX);
    EXPECT_EQ(ParseIniInteger(u"-2147483648"), INT32_MIN);
    EXPECT_EQ(ParseIniInteger(u"-2147483649"), INT32_MIN);
    EXPECT_EQ(ParseIniInteger(u"99999999999999999999999999999999999999"), INT32_MAX);
    EXPECT_EQ(ParseIniInteger(u"-99999999999999999999999999999999999999"), INT32_MIN);
}
