// The run record: errors from many threads are all counted and the first ones kept whole, late workers of an
// earlier run are turned away, and the verdict follows errors and loads that could not run.
#include <gtest/gtest.h>

#include <cstring>
#include <thread>
#include <vector>

#include "run/RunRecord.h"

namespace {

RunError ErrorOn(int processor, uint64_t offset) {
    RunError error;
    error.source = ErrorSource::Memory;
    error.processor = processor;
    error.offset = offset;
    std::memset(error.detail, 'x', sizeof(error.detail));
    return error;
}

}  // namespace

TEST(RunRecord, ErrorsFromManyThreadsAreCountedAndTheFirstKeptWhole) {
    const uint32_t id = BeginRun(1 << 3, 100, 1'700'000'000);
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t)
        threads.emplace_back([id, t] {
            for (int i = 0; i < 400; ++i)
                RecordRunError(id, ErrorOn(t, uint64_t(i)));
        });
    for (std::thread& thread : threads)
        thread.join();
    EXPECT_EQ(CurrentRun.errorCount.load(), 1600);
    EXPECT_EQ(CurrentRun.sourceErrors[int(ErrorSource::Memory)].load(), 1600);
    EXPECT_EQ(CurrentRun.processorErrors[2].load(), 400);
    for (int slot = 0; slot < kKeptRunErrors; ++slot) {
        ASSERT_EQ(CurrentRun.errorSlotReady[slot].load(), 1) << "slot " << slot;
        EXPECT_EQ(CurrentRun.errors[slot].detail[kRunErrorDetailCapacity - 1], 0) << "a detail is always terminated";
    }
    EXPECT_EQ(RunVerdict(CurrentRun), Verdict::Failed);
    EndRun(200);
}

TEST(RunRecord, ALateWorkerOfAnEarlierRunIsTurnedAway) {
    const uint32_t first = BeginRun(1 << 1, 0, 0);
    const uint32_t second = BeginRun(1 << 1, 10, 0);
    EXPECT_FALSE(RecordRunError(first, ErrorOn(0, 0)));
    EXPECT_EQ(CurrentRun.errorCount.load(), 0);
    EndRun(20);
    EXPECT_FALSE(RecordRunError(second, ErrorOn(0, 0))) << "nothing is recorded after the end";
    EXPECT_EQ(RunVerdict(CurrentRun), Verdict::Passed);
}

TEST(RunRecord, ASelectedLoadThatNeverRanMakesTheRunIncomplete) {
    uint32_t id = BeginRun(1 << 2 | 1 << 1, 0, 0);
    MarkLoadRan(id, 1);
    MarkLoadCouldNotRun(id, 2);
    EXPECT_EQ(RunVerdict(CurrentRun), Verdict::Incomplete);
    EXPECT_STREQ(VerdictName(RunVerdict(CurrentRun)), "INCOMPLETE");

    id = BeginRun(1 << 2, 0, 0);
    MarkLoadRan(id, 2);
    MarkLoadCouldNotRun(id, 2);
    EXPECT_EQ(RunVerdict(CurrentRun), Verdict::Passed) << "a load that ran once did run";

    id = BeginRun(1 << 1, 0, 0);
    MarkLoadCouldNotRun(id, 2);
    EXPECT_EQ(RunVerdict(CurrentRun), Verdict::Passed) << "a load that was not selected does not count";

    id = BeginRun(1 << 2, 0, 0);
    MarkLoadRan(id, 2);
    MarkLoadInterrupted(id, 2);
    EXPECT_EQ(RunVerdict(CurrentRun), Verdict::Incomplete) << "a load that ran, then lost its folder";
    id = BeginRun(1 << 2, 0, 0);
    EXPECT_EQ(RunVerdict(CurrentRun), Verdict::Passed) << "a new run starts without it";
    EndRun(0);
}

TEST(RunRecord, TheDiskLoadIsVerifiedOnlyAsTheRealDiskLoad) {
    RunCheckSettings settings;
    BeginRun(1 << 2, 0, 0, settings);
    EXPECT_FALSE(LoadIsVerified(CurrentRun, 2)) << "the temporary-file load's writes may never leave the cache";
    settings.realDisk = true;
    settings.verify = false;
    BeginRun(1 << 2, 0, 0, settings);
    EXPECT_TRUE(LoadIsVerified(CurrentRun, 2)) << "the real-disk load checks what it reads back, always";
    EXPECT_FALSE(LoadIsVerified(CurrentRun, 1));
    EndRun(0);
}
