// The throttling and slow-processor rules on synthetic series of per-second rates.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <vector>

#include "run/ProcessorWatch.h"

namespace {

const double kNone = std::numeric_limits<double>::quiet_NaN();

// A steady rate with a small wobble that never comes near the rules' thresholds.
double Steady(double rate, int64_t second) {
    return rate * (1.0 + 0.02 * std::sin(double(second)));
}

// Feeds `seconds` seconds from `from` on, the rates of each processor given by rate(processor, second).
template <typename Rate>
size_t Feed(ProcessorWatch& watch, int processors, int64_t from, int64_t seconds, Rate rate) {
    size_t began = 0;
    std::vector<double> rates(static_cast<size_t>(processors));
    for (int64_t second = from; second < from + seconds; ++second) {
        for (int i = 0; i < processors; ++i)
            rates[size_t(i)] = rate(i, second);
        began += AddProcessorSecond(watch, second, rates);
    }
    return began;
}

}  // namespace

TEST(ProcessorWatch, ARateTenPercentBelowItsFirstMinuteForTenSecondsIsThrottling) {
    struct Case {
        const char* name;
        double factor;
        int seconds;
        bool throttling;
    } cases[] = {
        {"15 % below for 10 s", 0.85, 10, true}, {"15 % below for 9 s", 0.85, 9, false},
        {"exactly 10 % below", 0.90, 30, true},  {"9.5 % below", 0.905, 30, false},
        {"halved for a minute", 0.5, 60, true},  {"faster than before", 1.2, 60, false},
    };
    for (const Case& c : cases) {
        ProcessorWatch watch;
        StartProcessorWatch(watch, 2);
        Feed(watch, 2, 0, 120, [](int, int64_t s) { return Steady(40.0, s); });
        const double baseline = watch.tracks[1].baseline;
        const size_t began = Feed(watch, 2, 120, c.seconds,
                                  [&](int p, int64_t s) { return p == 1 ? baseline * c.factor : Steady(40.0, s); });
        ASSERT_EQ(began, c.throttling ? 1u : 0u) << c.name;
        EXPECT_EQ(watch.throttlingNow, c.throttling ? 1 : 0) << c.name;
        if (!c.throttling)
            continue;
        const ProcessorEvent& event = watch.events.at(0);
        EXPECT_EQ(event.kind, ProcessorEventKind::Throttling) << c.name;
        EXPECT_EQ(event.processor, 1) << c.name;
        EXPECT_EQ(event.startSecond, 120) << "the stretch's first second: " << c.name;
        EXPECT_EQ(event.seconds, c.seconds) << c.name;
        EXPECT_NEAR(event.drop, 1.0 - c.factor, 1e-9) << c.name;
        EXPECT_TRUE(event.ongoing) << c.name;
        Feed(watch, 2, 120 + c.seconds, 5, [](int, int64_t s) { return Steady(40.0, s); });
        EXPECT_FALSE(watch.events[0].ongoing) << "back at its rate: " << c.name;
        EXPECT_EQ(watch.throttlingNow, 0) << c.name;
        EXPECT_EQ(watch.events[0].seconds, c.seconds) << c.name;
    }
}

TEST(ProcessorWatch, TheBaselineIsTheFirstMinutesMedianAndSecondsWithoutARateAreSkipped) {
    ProcessorWatch watch;
    StartProcessorWatch(watch, 1);
    // A start-up second at nothing, a stall, and the processor absent for a while: the median does not care.
    Feed(watch, 1, 0, 70, [](int, int64_t s) { return s == 1 ? 0.0 : s == 7 ? 3.0 : s < 20 ? kNone : 20.0; });
    EXPECT_FALSE(watch.tracks[0].hasBaseline) << "50 seconds with a rate so far";
    Feed(watch, 1, 70, 10, [](int, int64_t) { return 20.0; });
    ASSERT_TRUE(watch.tracks[0].hasBaseline);
    EXPECT_DOUBLE_EQ(watch.tracks[0].baseline, 20.0);

    // Eight seconds low, a gap without rates, three more low: one stretch of eleven seconds.
    Feed(watch, 1, 80, 8, [](int, int64_t) { return 15.0; });
    Feed(watch, 1, 88, 20, [](int, int64_t) { return kNone; });
    EXPECT_EQ(watch.events.size(), 0u);
    EXPECT_EQ(Feed(watch, 1, 108, 3, [](int, int64_t) { return 15.0; }), 1u);
    EXPECT_EQ(watch.events[0].startSecond, 80);
    EXPECT_EQ(watch.events[0].seconds, 11);
    EXPECT_NEAR(watch.events[0].drop, 0.25, 1e-12);
}

TEST(ProcessorWatch, AProcessorFifteenPercentBelowTheOthersOverAMinuteIsSlow) {
    ProcessorWatch watch;
    StartProcessorWatch(watch, 4);
    // Processor 2 runs 20 % below the others, processor 3 10 % below: only 2 is slow.
    auto rate = [](int p, int64_t s) { return Steady(p == 2 ? 32.0 : p == 3 ? 36.0 : 40.0, s); };
    EXPECT_EQ(Feed(watch, 4, 0, 60, rate), 0u) << "a minute is judged once it is over";
    EXPECT_EQ(Feed(watch, 4, 60, 1, rate), 1u);
    ASSERT_EQ(watch.events.size(), 1u);
    const ProcessorEvent& event = watch.events[0];
    EXPECT_EQ(event.kind, ProcessorEventKind::Slow);
    EXPECT_EQ(event.processor, 2);
    EXPECT_EQ(event.startSecond, 0);
    EXPECT_NEAR(event.drop, 1.0 - 32.0 / 38.0, 0.01) << "against the median of all four processors' medians";
    EXPECT_EQ(watch.slowNow, 1);

    // Two more slow minutes lengthen the same event; a minute at full speed ends it.
    Feed(watch, 4, 61, 120, rate);
    ASSERT_EQ(watch.events.size(), 1u);
    EXPECT_EQ(watch.events[0].seconds, 180);
    EXPECT_TRUE(watch.events[0].ongoing);
    Feed(watch, 4, 181, 60, [](int, int64_t s) { return Steady(40.0, s); });
    EXPECT_FALSE(watch.events[0].ongoing);
    EXPECT_EQ(watch.slowNow, 0);
    EXPECT_EQ(watch.throttlingNow, 0) << "slower than the others from the start is not throttling";
}

TEST(ProcessorWatch, OneProcessorAtATimeIsNeverSlowAndEachHasItsOwnBaseline) {
    ProcessorWatch watch;
    StartProcessorWatch(watch, 3);
    // The moving worker: two minutes on each processor, processor 2 half as fast as the others.
    const size_t began =
        Feed(watch, 3, 0, 360, [](int p, int64_t s) { return p == s / 120 ? Steady(p == 2 ? 20.0 : 40.0, s) : kNone; });
    EXPECT_EQ(began, 0u) << "alone in its minute, no processor is compared with others";
    for (int p = 0; p < 3; ++p) {
        ASSERT_TRUE(watch.tracks[size_t(p)].hasBaseline) << p;
        EXPECT_NEAR(watch.tracks[size_t(p)].baseline, p == 2 ? 20.0 : 40.0, 0.5) << p;
    }
    // Back on processor 0, now throttled: its own first minute is the measure.
    EXPECT_EQ(Feed(watch, 3, 360, 15, [](int p, int64_t) { return p == 0 ? 30.0 : kNone; }), 1u);
    EXPECT_EQ(watch.events.at(0).processor, 0);
    EXPECT_EQ(watch.events.at(0).startSecond, 360);
}

TEST(ProcessorWatch, MedianOfRates) {
    EXPECT_DOUBLE_EQ(MedianOfRates({3, 1, 2}), 2);
    EXPECT_DOUBLE_EQ(MedianOfRates({4, 1, 3, 2}), 2.5);
    EXPECT_DOUBLE_EQ(MedianOfRates({kNone, 5, kNone}), 5);
    EXPECT_TRUE(std::isnan(MedianOfRates({kNone})));
    EXPECT_TRUE(std::isnan(MedianOfRates({})));
}
