// The paint load's generator, strip colours, strip layout and rate arithmetic.
#include <gtest/gtest.h>

#include <utility>
#include <vector>

#include "stress/PaintWorker.h"

namespace {

uint32_t Rgb(uint32_t red, uint32_t green, uint32_t blue) {
    return blue << 16 | green << 8 | red;
}

std::vector<std::pair<int, int>> StripsOf(int areaTop, int areaBottom, size_t stopAfter = 1000) {
    std::vector<std::pair<int, int>> strips;
    ForEachStrip(areaTop, areaBottom, [&](int top, int bottom) {
        strips.emplace_back(top, bottom);
        return strips.size() < stopAfter;
    });
    return strips;
}

}  // namespace

TEST(PaintArithmetic, TheGeneratorGivesTheKnownFirstStripsAndGreenDominantColours) {
    paintRandomState = kPaintRandomSeed;
    EXPECT_EQ(NextStripColour(), Rgb(17, 48, 7)) << "first strip after start";
    EXPECT_EQ(NextStripColour(), Rgb(28, 135, 10)) << "second strip";
    EXPECT_EQ(NextStripColour(), Rgb(3, 160, 9)) << "third strip";
    paintRandomState = 0xFFFFFFFFu;
    EXPECT_EQ(NextRandom(), 4294898228u) << "wraps modulo 2^32";
    paintRandomState = kPaintRandomSeed;

    EXPECT_EQ(StripColour(0xFFFFFFFFu, 0xFFFFFFFFu, 0xFFFFFFFFu), Rgb(31, 117, 31))
        << "green is the unsigned remainder by 222";
    EXPECT_EQ(StripColour(0x20, 222, 0x40), Rgb(0, 0, 0));
}

TEST(PaintArithmetic, StripsAreTenPixelsHighAndTheLastEndsAtTheArea) {
    using Strips = std::vector<std::pair<int, int>>;
    EXPECT_EQ(StripsOf(24, 49), (Strips{{24, 34}, {34, 44}, {44, 49}})) << "trimmed height 25: 10, 10 and 5";
    EXPECT_EQ(StripsOf(24, 54), (Strips{{24, 34}, {34, 44}, {44, 54}})) << "a multiple of 10";
    EXPECT_EQ(StripsOf(24, 25), (Strips{{24, 25}}));
    EXPECT_TRUE(StripsOf(24, 24).empty()) << "client height 48: no strip";
    EXPECT_TRUE(StripsOf(24, 0).empty()) << "a minimised window: no strip";
    EXPECT_EQ(StripsOf(24, 1000, 2), (Strips{{24, 34}, {34, 44}})) << "stops when the fill says so";
}

TEST(PaintArithmetic, APassCountsTheWidthTimesTheTrimmedHeight) {
    EXPECT_DOUBLE_EQ(PassPixels(1000, 500), 500000.0);
    EXPECT_DOUBLE_EQ(PassPixels(1000, 0), 0.0);
    EXPECT_DOUBLE_EQ(PassPixels(1000, -48), 0.0) << "an empty client rectangle trims to a negative height";
    EXPECT_DOUBLE_EQ(PassPixels(65536, 65536), 4294967296.0) << "no integer overflow";
}

TEST(PaintArithmetic, RatesArePassesAndMegabytesPerSecond) {
    PaintRates rates;
    ASSERT_TRUE(ComputePaintRates(51, 51 * 500000.0, 32, 1000, rates));
    EXPECT_DOUBLE_EQ(rates.loopRate, 51.0);
    EXPECT_NEAR(rates.megabytesPerSecond, 97.27, 0.005);

    ASSERT_TRUE(ComputePaintRates(51, 51 * 500000.0, 24, 2000, rates));
    EXPECT_DOUBLE_EQ(rates.loopRate, 25.5);
    EXPECT_NEAR(rates.megabytesPerSecond, 36.48, 0.005);

    ASSERT_TRUE(ComputePaintRates(51, 0.0, 32, 1, rates)) << "passes that paint nothing";
    EXPECT_DOUBLE_EQ(rates.loopRate, 51000.0);
    EXPECT_EQ(rates.megabytesPerSecond, 0.0);
}

TEST(PaintArithmetic, AnIntervalOfNoTimeKeepsTheLastRates) {
    PaintRates rates;
    rates.loopRate = 12.5;
    rates.megabytesPerSecond = 40.0;
    EXPECT_FALSE(ComputePaintRates(51, 0.0, 32, 0, rates));
    EXPECT_FALSE(ComputePaintRates(51, 51 * 500000.0, 32, 0, rates));
    EXPECT_FALSE(ComputePaintRates(51, 51 * 500000.0, 32, -5, rates)) << "a clock that stepped back";
    EXPECT_EQ(rates.loopRate, 12.5);
    EXPECT_EQ(rates.megabytesPerSecond, 40.0);
}
