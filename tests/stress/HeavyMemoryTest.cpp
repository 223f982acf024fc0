// The memory load over a share of the free memory, on a machine the test describes: the workers take what the
// plan says, stop at the floor when memory grows short meanwhile and keep testing what they got, and give all
// of it back soon after the switch goes off.
#include <gtest/gtest.h>

#include <windows.h>
#include <psapi.h>

#include "stress/HeavyMemory_win.h"
#include "stress/ProcessorTopology.h"
#include "stress/StressState.h"
#include "support/Scratch.h"
#include "support/TestRun.h"

namespace {

constexpr uint64_t kMiB = kMebibyte;

class HeavyMemoryWorkers : public testing::Test {
protected:
    void SetUp() override {
        BeginTestRun(1 << int(LoadType::Memory));
        Stress.memoryOn = 1;
        Stress.masterOn = 1;
    }
    void TearDown() override {
        Stress.masterOn = 0;
        EXPECT_TRUE(WaitFor([] { return HeavyMemory.heldBytes.load() == 0; }, 20000));
        EndTestRun();
        HeavyMemoryTestMebibytes = 0;
        TestFaults.memoryBitFlips = 0;
    }
};

}  // namespace

TEST_F(HeavyMemoryWorkers, NinetyPercentTakesWhatThePlanSaysAndGivesItBackWithinASecond) {
    // A 2 GiB machine: 512 MiB stay free, so 1536 MiB are tested, in 64 MiB blocks.
    HeavyMemoryTestMebibytes = 2048;
    const int processors = LogicalProcessorCount(ReadProcessorGroups());
    EXPECT_EQ(StartHeavyMemoryWorkers(nullptr, {MemorySizeKind::Percent, 90}), processors);
    const uint64_t planned = HeavyMemory.plannedBytes.load();
    EXPECT_GT(planned, 1536 * kMiB - uint64_t(processors) * 128 * kMiB);
    EXPECT_LE(planned, 1536 * kMiB);
    EXPECT_EQ(HeavyMemory.askedBytes.load() / kMiB, 2048 * 90 / 100);
    ASSERT_TRUE(WaitFor([&] { return HeavyMemory.obtainedBytes.load() == planned; }, 60000))
        << HeavyMemory.obtainedBytes.load() / kMiB << " MiB of " << planned / kMiB;
    EXPECT_EQ(HeavyMemory.heldBytes.load(), planned);
    EXPECT_EQ(HeavyMemory.stoppedShort.load(), 0);
    EXPECT_EQ(CurrentRun.loadRan[int(LoadType::Memory)].load(), 1);
    ASSERT_TRUE(WaitFor([&] { return HeavyMemory.testedBytes.load() == planned; }, 60000))
        << HeavyMemory.testedBytes.load() / kMiB << " MiB tested of " << planned / kMiB;

    // A bit that turns over at rest in one of the blocks is found by the verified pass, where it lies.
    TestFaults.memoryFlipOffset = 0x2345;
    TestFaults.memoryFlipBit = 2;
    TestFaults.memoryBitFlips = 1;
    ASSERT_TRUE(WaitFor([] { return CurrentRun.errorCount.load() > 0; }, 20000));
    Sleep(300);
    ASSERT_EQ(CurrentRun.errorCount.load(), 1) << "found once, then restored";
    EXPECT_EQ(CurrentRun.errors[0].source, ErrorSource::Memory);
    EXPECT_EQ(CurrentRun.errors[0].offset, 0x2340u);
    EXPECT_EQ(CurrentRun.errors[0].expected ^ CurrentRun.errors[0].actual, 1ull << (5 * 8 + 2));
    EXPECT_GE(CurrentRun.errors[0].processor, 0);
    EXPECT_EQ(HeavyMemory.testedBytes.load(), planned) << "each pair counted once, however many passes follow";

    PROCESS_MEMORY_COUNTERS counters = {};
    counters.cb = sizeof(counters);
    if (GetProcessMemoryInfo(GetCurrentProcess(), &counters, sizeof(counters))) {
        EXPECT_GE(uint64_t(counters.PagefileUsage), planned) << "the blocks are committed";
    }

    Stress.memoryOn = 0;
    const ULONGLONG off = GetTickCount64();
    EXPECT_TRUE(WaitFor([] { return HeavyMemory.heldBytes.load() == 0; }, 5000));
    EXPECT_LT(GetTickCount64() - off, 1000u) << "every block given back within a second";
}

TEST_F(HeavyMemoryWorkers, MemoryGrowingShortMeanwhileStopsTheTakingAtTheFloor) {
    HeavyMemoryTestMebibytes = 2048;
    ASSERT_GT(StartHeavyMemoryWorkers(nullptr, {MemorySizeKind::Mebibytes, 1536}), 0);
    // The machine shrinks at once: only 1024 - 512 MiB may be held now.
    HeavyMemoryTestMebibytes = 1024;
    ASSERT_TRUE(WaitFor([] { return HeavyMemory.stoppedShort.load() != 0; }, 60000));
    const uint64_t obtained = HeavyMemory.obtainedBytes.load();
    EXPECT_LT(obtained, HeavyMemory.plannedBytes.load());
    EXPECT_GT(obtained, 0u) << "blocks taken before memory grew short are kept";
    const int processors = LogicalProcessorCount(ReadProcessorGroups());
    // Blocks that were already being taken when the machine shrank may still come.
    EXPECT_LE(obtained, 512 * kMiB + uint64_t(processors) * 128 * kMiB);
    Sleep(300);
    EXPECT_EQ(HeavyMemory.heldBytes.load(), HeavyMemory.obtainedBytes.load()) << "what was obtained is tested on";
}

TEST_F(HeavyMemoryWorkers, NothingAboveTheFloorStartsNothingAndTheRunHearsTheLoadCouldNotRun) {
    HeavyMemoryTestMebibytes = 512;
    EXPECT_EQ(StartHeavyMemoryWorkers(nullptr, {MemorySizeKind::Percent, 90}), 0);
    EXPECT_EQ(HeavyMemory.plannedBytes.load(), 0u);
    EXPECT_EQ(CurrentRun.loadCouldNotRun[int(LoadType::Memory)].load(), 1);
    EXPECT_EQ(RunVerdict(CurrentRun), Verdict::Incomplete);
}
