// The processor load's rate arithmetic and its workers publishing a rate.
#include <gtest/gtest.h>

#include <string>

#include "run/RunRecord.h"
#include "stress/CpuWorker.h"
#include "stress/LoadCheck.h"
#include "stress/StressControl.h"
#include "stress/Workers.h"
#include "support/Scratch.h"
#include "support/TestRun.h"

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

TEST(CpuWorker, EachSumOfACallHasItsKnownValueAndAWrongOneIsDescribed) {
    for (int32_t passes : {0, 1, 1000, 1000000}) {
        MegaAddSums sums;
        MegaAdder.MegaAdd(passes, sums);
        for (MegaAddSum sum : sums.value)
            EXPECT_EQ(sum, ExpectedMegaAddSum(passes)) << passes << " passes";
        LoadFault error;
        EXPECT_TRUE(CheckMegaAddSums(sums, passes, error));
        sums.value[2] ^= 4;
        ASSERT_FALSE(CheckMegaAddSums(sums, passes, error));
        EXPECT_EQ(error.load, LoadType::Cpu);
        EXPECT_EQ(int64_t(error.expected), int64_t(ExpectedMegaAddSum(passes)));
        EXPECT_EQ(int64_t(error.actual), int64_t(sums.value[2]));
        EXPECT_NE(std::string(error.detail).find("sum 3"), std::string::npos) << error.detail;
    }
    // 25 × 333 × 1,000,000 = 8,325,000,000 does not fit 32 bits: the x86 build's sums wrap as the processor's do.
    if (sizeof(MegaAddSum) == 4)
        EXPECT_EQ(ExpectedMegaAddSum(1000000), MegaAddSum(-264934592));
    else
        EXPECT_EQ(int64_t(ExpectedMegaAddSum(1000000)), 8325000000);
}

TEST(CpuWorker, AWrongSumIsRecordedWithTheProcessorThatRanTheCall) {
    SYSTEM_INFO info;
    GetSystemInfo(&info);
    const int processor = info.dwNumberOfProcessors > 1 ? 1 : 0;
    BeginTestRun(1 << int(LoadType::Cpu));
    Stress.processorCount = 1;
    Stress.cpuOn = 1;
    Stress.masterOn = 1;
    TestFaults.wrongSums = 1;
    HANDLE thread = CreateThread(nullptr, 0, CpuWorker, nullptr, CREATE_SUSPENDED, nullptr);
    ASSERT_NE(thread, nullptr);
    SetThreadAffinityMask(thread, DWORD_PTR(1) << processor);
    ResumeThread(thread);
    EXPECT_TRUE(WaitFor([] { return CurrentRun.errorCount.load() > 0; }, 60000));
    EXPECT_TRUE(WaitFor([] { return CurrentRun.loadRan[int(LoadType::Cpu)].load() == 1; }, 60000));
    Stress.masterOn = 0;
    EXPECT_EQ(WaitForSingleObject(thread, 20000), WAIT_OBJECT_0);
    CloseHandle(thread);
    EndTestRun();
    EXPECT_EQ(CurrentRun.errorCount.load(), 1) << "one injected fault, one error";
    ASSERT_EQ(CurrentRun.errorSlotReady[0].load(), 1);
    const RunError& error = CurrentRun.errors[0];
    EXPECT_EQ(error.source, ErrorSource::Additions);
    EXPECT_EQ(error.processor, processor);
    EXPECT_EQ(error.actual, error.expected + 1);
    EXPECT_EQ(CurrentRun.processorErrors[processor].load(), 1);
    EXPECT_EQ(RunVerdict(CurrentRun), Verdict::Failed);
    EXPECT_EQ(TestFaults.wrongSums.load(), 0);
}
