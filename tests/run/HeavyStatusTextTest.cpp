// The heavy loads' words in the status bar's second part, in the current language.
#include <gtest/gtest.h>

#include <cmath>

#include "i18n/LanguageTables.h"
#include "run/HeavyStatusText.h"

class HeavyStatusTextTest : public testing::Test {
protected:
    static void SetUpTestSuite() { ASSERT_EQ(LoadLanguageResource(), 1); }
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
