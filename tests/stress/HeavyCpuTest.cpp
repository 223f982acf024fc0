// The heavy load's shared records: the first call's results become the reference for every worker, the check
// compares bits, the wrong result is described, the moving worker's schedule, and work counted per processor.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <string>
#include <thread>
#include <vector>

#include "stress/HeavyCpu.h"

namespace {

FmaRun* SmallRun(int workers, int processors = 8) {
    FmaKernel kernel;
    kernel.set = InstructionSet::Sse2;
    kernel.resultDoubles = 8;
    return NewFmaRun(kernel, workers, processors);
}

std::vector<double> Results(double value) {
    return std::vector<double>(8, value);
}

}  // namespace

TEST(HeavyCpu, TheReferenceIsWhatTwoProcessorsAgreeOnNotSimplyTheFirstCall) {
    // A processor that is wrong from its first call votes first; the two right ones outvote it.
    FmaRun* run = SmallRun(0);
    const std::vector<double> wrong = Results(1.5000001), right = Results(1.5);
    EXPECT_EQ(VoteForReference(*run, wrong.data(), 0), 0);
    EXPECT_EQ(AgreedReference(*run), nullptr) << "one call decides nothing";
    EXPECT_EQ(VoteForReference(*run, right.data(), 1), 1);
    EXPECT_EQ(AgreedReference(*run), nullptr);
    EXPECT_EQ(VoteForReference(*run, right.data(), 2), 1);
    ASSERT_NE(AgreedReference(*run), nullptr);
    EXPECT_EQ(FirstFmaMismatch(AgreedReference(*run), right.data(), 8), -1);
    EXPECT_EQ(FirstFmaMismatch(AgreedReference(*run), wrong.data(), 8), 0);
    EXPECT_EQ(VoteForReference(*run, wrong.data(), 0), 0);
    EXPECT_EQ(FirstFmaMismatch(AgreedReference(*run), right.data(), 8), -1) << "once agreed, it stays";
    ReleaseFmaRun(run);

    // Among several processors, one never agrees with itself however often it votes.
    run = SmallRun(0);
    for (int call = 0; call < 10; ++call)
        EXPECT_EQ(VoteForReference(*run, wrong.data(), 0), 0);
    EXPECT_EQ(AgreedReference(*run), nullptr);
    // Two processors that keep disagreeing: the one with more votes is settled on, so the run still fails.
    EXPECT_EQ(VoteForReference(*run, right.data(), 1), 1);
    ASSERT_NE(SettleReference(*run), nullptr);
    EXPECT_EQ(FirstFmaMismatch(AgreedReference(*run), wrong.data(), 8), -1);
    ReleaseFmaRun(run);

    // The only processor of a machine agrees with itself on its second call.
    run = SmallRun(0, 1);
    EXPECT_EQ(VoteForReference(*run, right.data(), 0), 0);
    EXPECT_EQ(AgreedReference(*run), nullptr);
    EXPECT_EQ(VoteForReference(*run, right.data(), 0), 0);
    EXPECT_NE(AgreedReference(*run), nullptr);
    EXPECT_EQ(SettleReference(*run), AgreedReference(*run)) << "settling keeps an agreed reference";
    ReleaseFmaRun(run);

    // Results that all differ fill the slots; one more is kept by nobody.
    run = SmallRun(0);
    for (int i = 0; i < kFmaCandidates; ++i)
        EXPECT_EQ(VoteForReference(*run, Results(1.0 + i).data(), i), i);
    EXPECT_EQ(VoteForReference(*run, Results(9.0).data(), 0), -1);
    EXPECT_EQ(AgreedReference(*run), nullptr);
    ReleaseFmaRun(run);
}

TEST(HeavyCpu, WorkersVotingAtOnceAgreeOnOneReference) {
    FmaRun* run = SmallRun(8);
    const std::vector<double> right = Results(1.25), wrong = Results(1.75);
    std::vector<std::thread> threads;
    for (int t = 0; t < 8; ++t) {
        threads.emplace_back([&, t] {
            // One worker in eight is wrong; every worker votes a few times.
            for (int call = 0; call < 3; ++call)
                VoteForReference(*run, t == 3 ? wrong.data() : right.data(), t);
            ReleaseFmaRun(run);
        });
    }
    for (std::thread& thread : threads)
        thread.join();
    ASSERT_NE(AgreedReference(*run), nullptr);
    EXPECT_EQ(FirstFmaMismatch(AgreedReference(*run), right.data(), 8), -1);
    ReleaseFmaRun(run);  // the starter's share; the sanitizers see a leak or a second free
}

TEST(HeavyCpu, TheCheckComparesBitsNotValues) {
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double reference[4] = {1.5, nan, 0.0, 1.25};
    double same[4];
    std::memcpy(same, reference, sizeof(same));
    EXPECT_EQ(FirstFmaMismatch(reference, same, 4), -1) << "a NaN with the same bits agrees";
    double negativeZero[4] = {1.5, nan, -0.0, 1.25};
    std::memcpy(&negativeZero[1], &reference[1], sizeof(double));
    EXPECT_EQ(FirstFmaMismatch(reference, negativeZero, 4), 2) << "-0.0 is not 0.0";
    double lastBit[4];
    std::memcpy(lastBit, reference, sizeof(lastBit));
    lastBit[3] = std::nextafter(1.25, 2.0);
    EXPECT_EQ(FirstFmaMismatch(reference, lastBit, 4), 3);
    EXPECT_EQ(FirstFmaMismatch(reference, lastBit, 3), -1) << "only the results of the call count";

    char detail[160];
    DescribeFmaMismatch(InstructionSet::Avx512F, 17, 0x3FF8000000000000ull, 0x3FF8010000000000ull, detail,
                        sizeof(detail));
    EXPECT_EQ(std::string(detail),
              "floating point (AVX-512F): result 17 is 0x3ff8010000000000 instead of 0x3ff8000000000000 "
              "(bits 0x10000000000 differ)");
    char tiny[12];
    DescribeFmaMismatch(InstructionSet::Sse2, 1, 0, 1, tiny, sizeof(tiny));
    EXPECT_EQ(std::strlen(tiny), sizeof(tiny) - 1) << "cut to its buffer and terminated";
}

TEST(HeavyCpu, InjectedFaultsLandOnlyOnTheirProcessor) {
    double results[4] = {1.5, 1.5, 1.5, 1.5};
    FmaTestFaults.wrongResultIndex = 2;
    FmaTestFaults.wrongResultProcessor = 3;
    FmaTestFaults.wrongResults = 1;
    InjectFmaFault(results, 4, 2);
    EXPECT_EQ(FmaTestFaults.wrongResults.load(), 1) << "processor 2 leaves processor 3's fault alone";
    InjectFmaFault(results, 4, 3);
    EXPECT_EQ(FmaTestFaults.wrongResults.load(), 0);
    const double clean[4] = {1.5, 1.5, 1.5, 1.5};
    EXPECT_EQ(FirstFmaMismatch(clean, results, 4), 2);
    FmaTestFaults.wrongResultProcessor = -1;
}

TEST(HeavyCpu, TheMovingWorkerVisitsEveryProcessorInTurnAndStartsOver) {
    const int64_t period = 6 * 60 * 1000;
    EXPECT_EQ(CycleProcessor(0, period, 4), 0);
    EXPECT_EQ(CycleProcessor(period - 1, period, 4), 0);
    EXPECT_EQ(CycleProcessor(period, period, 4), 1);
    EXPECT_EQ(CycleProcessor(4 * period - 1, period, 4), 3);
    EXPECT_EQ(CycleProcessor(4 * period, period, 4), 0) << "after the last, the first again";
    EXPECT_EQ(CycleProcessor(int64_t(100) * 24 * 3600 * 1000, 1000, 2048), (100 * 24 * 3600) % 2048)
        << "a hundred days of one-second periods";
    EXPECT_EQ(CycleProcessor(5000, 0, 4), 0);
    EXPECT_EQ(CycleProcessor(5000, period, 0), 0);
}

TEST(HeavyCpu, WorkIsCountedPerProcessorWithinTheTable) {
    ProcessorWork& work = ProcessorWorkFor(3);
    EXPECT_EQ(&ProcessorWorkFor(64), &work) << "made once; later calls get the same table";
    EXPECT_EQ(PublishedProcessorWork(), &work);
    const int count = work.count;
    const uint64_t before = work.operations[count - 1].load();
    AddProcessorWork(work, count - 1, 1000);
    AddProcessorWork(work, count, 1000);
    AddProcessorWork(work, -1, 1000);
    EXPECT_EQ(work.operations[count - 1].load(), before + 1000);
    EnterProcessor(work, 0);
    EnterProcessor(work, count);
    EXPECT_EQ(work.workers[0].load(), 1);
    LeaveProcessor(work, 0);
    EXPECT_EQ(work.workers[0].load(), 0);
}

TEST(HeavyCpu, RatesCountOnlySecondsAWorkerSpentWhollyOnItsProcessor) {
    std::atomic<uint64_t> operations[3] = {};
    std::atomic<int32_t> workers[3] = {};
    ProcessorWork work;
    work.count = 3;
    work.operations = operations;
    work.workers = workers;
    ProcessorRateSampler sampler;
    std::vector<double> rates;
    workers[0] = 1;
    workers[1] = 1;
    SampleProcessorRates(sampler, work, 1000, rates);
    ASSERT_EQ(rates.size(), 3u);
    for (double rate : rates)
        EXPECT_TRUE(std::isnan(rate)) << "the first sample has no interval";

    operations[0] += 40'000'000'000ull;
    operations[1] += 20'000'000'000ull;
    workers[1] = 0;  // the moving worker left processor 1 for processor 2 within the interval
    workers[2] = 1;
    operations[2] += 5'000'000'000ull;
    SampleProcessorRates(sampler, work, 2000, rates);
    EXPECT_DOUBLE_EQ(rates[0], 40.0) << "billions of operations per second";
    EXPECT_TRUE(std::isnan(rates[1])) << "left within the interval";
    EXPECT_TRUE(std::isnan(rates[2])) << "arrived within the interval";

    operations[0] += 10'000'000'000ull;
    operations[2] += 30'000'000'000ull;
    SampleProcessorRates(sampler, work, 2500, rates);
    EXPECT_DOUBLE_EQ(rates[0], 20.0);
    EXPECT_DOUBLE_EQ(rates[2], 60.0);
    SampleProcessorRates(sampler, work, 3500, rates);
    EXPECT_DOUBLE_EQ(rates[0], 0.0) << "a worker that did nothing in a whole second is at 0, not absent";
}
