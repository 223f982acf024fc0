// The heavy loads' words in the status bar's second part, in the current language.
#include <gtest/gtest.h>

#include <cmath>

#include "i18n/LanguageTables.h"
#include "run/HeavyStatusText.h"

class HeavyStatusTextTest : public testing::Test {
protected:
    static void SetUpTestSuite() { ASSERT_EQ(LoadLanguageResource(), 1); }
    // Other suites may leave another language behind (the status texts' tests end in German).
    void SetUp() override { CurrentLanguage = kReferenceLanguage; }
    void TearDown() override { CurrentLanguage = kReferenceLanguage; }
};

TEST_F(HeavyStatusTextTest, TheRateAndEachMarkedProcessorAreShownWhenThereIsSomethingToShow) {
    HeavyStatus status;
    EXPECT_EQ(ComposeHeavyStatus(status), u"") << "no heavy load, nothing marked";
    status.totalGigaflops = 81.25;
    EXPECT_EQ(ComposeHeavyStatus(status), u"81.2 GFLOPS");
    status.throttling = {3, 12, 1};
    EXPECT_EQ(ComposeHeavyStatus(status), u"81.2 GFLOPS \u00B7 processor 3 throttling (-12 %)");
    status.throttling.count = 3;
    status.slow = {5, 18, 1};
    EXPECT_EQ(ComposeHeavyStatus(status),
              u"81.2 GFLOPS \u00B7 processor 3 throttling (-12 %) +2 \u00B7 processor 5 slow (-18 %)");
    status.totalGigaflops = NAN;
    status.throttling = {};
    EXPECT_EQ(ComposeHeavyStatus(status), u"processor 5 slow (-18 %)");
    CurrentLanguage = 0;
    EXPECT_EQ(ComposeHeavyStatus(status), u"Prozessor 5 langsam (-18 %)");
}

// The status part reads both warnings in one load: what the monitor packs must come back as it was, a field too
// large for its bits held at its largest value rather than wrapped into another processor or drop.
TEST(HeavyStatusWord, BothWarningsComeBackAsPackedWithFieldsTooLargeHeldNotWrapped) {
    ProcessorWarning throttling, slow;
    UnpackProcessorWarnings(0, throttling, slow);
    EXPECT_EQ(throttling.processor, -1) << "0 is the word of no warning";
    EXPECT_EQ(slow.processor, -1);
    EXPECT_EQ(PackProcessorWarnings({}, {}), 0u);

    UnpackProcessorWarnings(PackProcessorWarnings({0, 12, 1}, {2047, 100, 2048}), throttling, slow);
    EXPECT_EQ(throttling.processor, 0) << "processor 0 is not none";
    EXPECT_EQ(throttling.dropPercent, 12);
    EXPECT_EQ(throttling.count, 1);
    EXPECT_EQ(slow.processor, 2047);
    EXPECT_EQ(slow.dropPercent, 100);
    EXPECT_EQ(slow.count, 2048);

    UnpackProcessorWarnings(PackProcessorWarnings({}, {8190, 300, 5000}), throttling, slow);
    EXPECT_EQ(throttling.processor, -1);
    EXPECT_EQ(slow.processor, 8190);
    EXPECT_EQ(slow.dropPercent, 127) << "a drop beyond its bits is held";
    EXPECT_EQ(slow.count, 4095) << "a count beyond its bits is held";

    UnpackProcessorWarnings(PackProcessorWarnings({8191, 10, 1}, {3, -5, -1}), throttling, slow);
    EXPECT_EQ(throttling.processor, -1) << "a processor beyond the bits packs as none, never as another one";
    EXPECT_EQ(slow.processor, 3);
    EXPECT_EQ(slow.dropPercent, 0) << "a negative drop is held at 0";
    EXPECT_EQ(slow.count, 0);
}
