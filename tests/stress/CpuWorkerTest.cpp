// The processor load's rate arithmetic and its workers publishing a rate.
#include <gtest/gtest.h>

#include "stress/CpuWorker.h"
#include "stress/StressControl.h"
#include "stress/Workers.h"
#include "support/Scratch.h"

TEST(CpuWorker, RateIsMillionsOfAdditionsPerSecondForAllProcessors) {
    EXPECT_DOUBLE_EQ(MegaAddRateFor(11, 2200, 1), 500.0);
    EXPECT_DOUBLE_EQ(MegaAddRateFor(11, 2200, 4), 2000.0);
    EXPECT_DOUBLE_EQ(MegaAddRateFor(11, 1100, 8), 8000.0);
}

TEST(CpuWorker, MegaAddReturnsZeroForAnyPassCount) {
    EXPECT_EQ(MegaAdder.MegaAdd(1), 0);
    EXPECT_EQ(MegaAdder.MegaAdd(0), 0) << "a call performs at least one pass";
    EXPECT_EQ(MegaAdder.MegaAdd(1000), 0);
}

TEST(CpuWorker, AWorkerPublishesAPositiveRateAndEndsOnItsSwitch) {
    Stress.megaAddRate = 0.0;
    Stress.processorCount = 1;
    Stress.cpuOn = 1;
    Stress.masterOn = 1;
    HANDLE thread = CreateThread(nullptr, 0, CpuWorker, nullptr, 0, nullptr);
    ASSERT_NE(thread, nullptr);
    EXPECT_TRUE(WaitFor([] { return Stress.megaAddRate.load() > 0.0; }, 60000));
    Stress.cpuOn = 0;
    EXPECT_EQ(WaitForSingleObject(thread, 20000), WAIT_OBJECT_0);
    DWORD exitCode = 99;
    GetExitCodeThread(thread, &exitCode);
    EXPECT_EQ(exitCode, 0u);
    CloseHandle(thread);
    const double published = Stress.megaAddRate.load();
    EXPECT_GT(published, 0.0);
    EXPECT_EQ(Stress.megaAddRate.load(), published) << "the rate keeps its last value after the stop";
    Stress.masterOn = 0;
}
