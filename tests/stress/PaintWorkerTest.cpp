// The paint load on a real window: strips and bands read back as pixels, the pass counters, and a running
// worker's published rates, priority and end.
#include <gtest/gtest.h>

#include <windows.h>

#include <cmath>

#include "stress/PaintWorker.h"
#include "stress/StressControl.h"
#include "stress/Workers.h"
#include "support/Scratch.h"
#include "support/TestWindow.h"

namespace {

constexpr COLORREF kMarker = RGB(0x40, 0x80, 0xC0);

// Threads of this process that run at THREAD_PRIORITY_HIGHEST.
int CountHighestPriorityThreads() {
    int count = 0;
    for (DWORD id : ProcessThreadIds()) {
        HANDLE thread = OpenThread(THREAD_QUERY_INFORMATION, FALSE, id);
        if (!thread)
            continue;
        if (GetThreadPriority(thread) == THREAD_PRIORITY_HIGHEST)
            ++count;
        CloseHandle(thread);
    }
    return count;
}

class PaintWorkerTest : public testing::Test {
protected:
    void SetUp() override {
        paintRandomState = kPaintRandomSeed;
        paintPassCount = 0;
        paintPixelSum = 0.0;
        Stress.paintMode = 0;
        Stress.topBandHeight = kBandHeight;
        Stress.bottomBandHeight = kBandHeight;
        Stress.paintOn = 1;
        Stress.masterOn = 1;
    }

    void TearDown() override {
        Stress.paintOn = 0;
        Stress.masterOn = 0;
        if (window_)
            DestroyWindow(window_);
        PumpMessages();
    }

    // A window whose client area is width × height, filled with the marker colour.
    HWND Open(int width, int height) {
        window_ = CreatePaintTestWindow(width, height);
        if (window_)
            FillClient(window_, kMarker);
        return window_;
    }

    static COLORREF Colour(uint32_t stripColour) { return COLORREF(stripColour); }

    // Runs a worker thread on the window; returns its handle for the test to wait on.
    HANDLE StartWorker() { return CreateThread(nullptr, 0, PaintWorker, window_, 0, nullptr); }

    HWND window_ = nullptr;
};

}  // namespace

TEST_F(PaintWorkerTest, APassPaintsStripsBetweenTheBandsAndCountsItsPixels) {
    ASSERT_TRUE(Open(300, 110));  // trimmed height 62: six strips of 10 and one of 2
    PaintStrips(window_);

    EXPECT_EQ(ClientPixel(window_, 150, 24), RGB(17, 48, 7)) << "the first strip after start";
    EXPECT_EQ(ClientPixel(window_, 0, 33), RGB(17, 48, 7)) << "from the left edge";
    EXPECT_EQ(ClientPixel(window_, 299, 33), RGB(17, 48, 7)) << "to the right edge";
    EXPECT_EQ(ClientPixel(window_, 150, 34), RGB(28, 135, 10)) << "the second strip";
    paintRandomState = kPaintRandomSeed;
    for (int top = 24; top < 84; top += 10) {
        const COLORREF expected = Colour(NextStripColour());
        EXPECT_EQ(ClientPixel(window_, 77, top), expected) << "strip at " << top;
        EXPECT_EQ(ClientPixel(window_, 77, top + 9), expected) << "strip at " << top;
    }
    const COLORREF last = Colour(NextStripColour());
    EXPECT_EQ(ClientPixel(window_, 10, 84), last);
    EXPECT_EQ(ClientPixel(window_, 10, 85), last) << "the last strip is 2 pixels high";
    for (int x : {0, 150, 299}) {
        for (int y : {0, 23, 86, 109})
            EXPECT_EQ(ClientPixel(window_, x, y), kMarker) << "band pixel " << x << "," << y;
    }
    EXPECT_EQ(paintPassCount, 1);
    EXPECT_DOUBLE_EQ(paintPixelSum, 300.0 * 62);
    EXPECT_EQ(Stress.paintMode, 1);

    PaintStrips(window_);
    EXPECT_EQ(paintPassCount, 2);
    EXPECT_DOUBLE_EQ(paintPixelSum, 2 * 300.0 * 62);
}

TEST_F(PaintWorkerTest, APassKeepsOutOfTheBarsTheLayoutPublished) {
    // Bars grown at 150 %: 36 pixels at the top, 30 at the bottom.
    Stress.topBandHeight = 36;
    Stress.bottomBandHeight = 30;
    ASSERT_TRUE(Open(300, 110));
    PaintStrips(window_);
    EXPECT_EQ(ClientPixel(window_, 150, 35), kMarker) << "the toolbar band is untouched";
    EXPECT_EQ(ClientPixel(window_, 150, 36), RGB(17, 48, 7)) << "the first strip starts at the bars' bottom";
    EXPECT_NE(ClientPixel(window_, 150, 79), kMarker) << "the last strip ends at the status bar's top";
    EXPECT_EQ(ClientPixel(window_, 150, 80), kMarker) << "the status band is untouched";
    EXPECT_DOUBLE_EQ(paintPixelSum, 300.0 * 44);
}

TEST_F(PaintWorkerTest, APassStopsAfterTheStripDuringWhichASwitchWentOff) {
    ASSERT_TRUE(Open(200, 100));
    Stress.paintOn = 0;
    PaintStrips(window_);
    EXPECT_EQ(ClientPixel(window_, 100, 30), RGB(17, 48, 7)) << "the current strip is finished";
    EXPECT_EQ(ClientPixel(window_, 100, 40), kMarker) << "no strip after it";
    EXPECT_EQ(paintPassCount, 1) << "the broken-off pass still counts";

    Stress.paintOn = 1;
    Stress.masterOn = 0;
    PaintStrips(window_);
    EXPECT_EQ(ClientPixel(window_, 100, 30), RGB(28, 135, 10));
    EXPECT_EQ(ClientPixel(window_, 100, 40), kMarker);
}

TEST_F(PaintWorkerTest, PassesWithNothingToPaintCountWithoutPixels) {
    ASSERT_TRUE(Open(200, 48));
    PaintStrips(window_);
    EXPECT_EQ(paintPassCount, 1);
    EXPECT_EQ(paintPixelSum, 0.0);
    EXPECT_EQ(ClientPixel(window_, 100, 24), kMarker);
    EXPECT_EQ(paintRandomState, kPaintRandomSeed) << "no strip, no colour drawn";

    DestroyWindow(window_);
    const HWND gone = window_;
    window_ = nullptr;
    EXPECT_FALSE(PaintStrips(gone)) << "no device context";
    EXPECT_EQ(paintPassCount, 1) << "a pass without a device context is not counted";
    EXPECT_EQ(Stress.paintMode, 1);
}

TEST_F(PaintWorkerTest, AWorkerPublishesConsistentRatesAndEndsWithItsSwitch) {
    ASSERT_TRUE(Open(300, 110));
    Stress.paintLoopRate = 0.0;
    HANDLE worker = StartWorker();
    ASSERT_NE(worker, nullptr);
    EXPECT_TRUE(WaitFor([] { return Stress.paintLoopRate > 0.0 && Stress.paintMegabytesPerSecond > 0.0; }, 30000));
    Stress.paintOn = 0;
    EXPECT_EQ(WaitForSingleObject(worker, 10000), WAIT_OBJECT_0);
    DWORD exitCode = 0;
    GetExitCodeThread(worker, &exitCode);
    EXPECT_EQ(exitCode, 1u);
    CloseHandle(worker);

    // Both rates come from the same passes of 300 × 62 pixels, so their ratio is the bytes of one pass.
    EXPECT_GT(bitsPerPixel, 0);
    const double megabytesPerPass = 300.0 * 62 * bitsPerPixel * 0.125 / 1048576.0;
    EXPECT_NEAR(Stress.paintMegabytesPerSecond / Stress.paintLoopRate, megabytesPerPass, megabytesPerPass * 1e-9);
}

TEST_F(PaintWorkerTest, AWorkerWithNothingToPaintPublishesFinitePassRatesAndNoMegabytes) {
    ASSERT_TRUE(Open(200, 40));
    Stress.paintLoopRate = 0.0;
    Stress.paintMegabytesPerSecond = 123.0;
    HANDLE worker = StartWorker();
    ASSERT_NE(worker, nullptr);
    int samples = 0;
    bool finite = true;
    // Empty passes are quick enough for 51 of them to end within one clock tick: every value seen on the way
    // must be finite.
    const bool published = WaitFor(
        [&] {
            ++samples;
            finite = finite && std::isfinite(Stress.paintLoopRate.load()) &&
                     std::isfinite(Stress.paintMegabytesPerSecond.load());
            return !finite || Stress.paintLoopRate > 0.0;
        },
        30000);
    Stress.paintOn = 0;
    EXPECT_EQ(WaitForSingleObject(worker, 10000), WAIT_OBJECT_0);
    CloseHandle(worker);
    EXPECT_TRUE(published);
    EXPECT_TRUE(finite) << "after " << samples << " samples";
    EXPECT_TRUE(std::isfinite(Stress.paintLoopRate.load()));
    EXPECT_EQ(Stress.paintMegabytesPerSecond, 0.0) << "reset when the worker starts; no pixels since";
}

TEST_F(PaintWorkerTest, AWorkerWhoseWindowIsGoneEndsInsteadOfSpinning) {
    ASSERT_TRUE(Open(300, 110));
    HANDLE worker = StartWorker();
    ASSERT_NE(worker, nullptr);
    SetThreadPriority(worker, THREAD_PRIORITY_HIGHEST);
    EXPECT_TRUE(WaitFor([] { return paintPassCount > 0 || Stress.paintLoopRate > 0.0; }, 5000)) << "it paints";
    // Exit pressed while the load runs: the window goes, both switches stay on.
    DestroyWindow(window_);
    window_ = nullptr;
    EXPECT_EQ(WaitForSingleObject(worker, 5000), WAIT_OBJECT_0) << "the worker spins without a window";
    DWORD exitCode = 0;
    GetExitCodeThread(worker, &exitCode);
    EXPECT_EQ(exitCode, 1u);
    Stress.paintOn = 0;
    WaitForSingleObject(worker, 5000);
    CloseHandle(worker);
}

TEST_F(PaintWorkerTest, StartingThePaintLoadRunsOneWorkerAtTheHighestPriority) {
    ASSERT_TRUE(Open(200, 100));
    const int threadsBefore = CountProcessThreads();
    const int highestBefore = CountHighestPriorityThreads();
    Stress.paintLoopRate = 0.0;
    StartLoadWorkers(window_, LoadType::Paint);
    EXPECT_TRUE(WaitFor([&] { return CountProcessThreads() == threadsBefore + 1; }, 5000));
    EXPECT_TRUE(WaitFor([&] { return CountHighestPriorityThreads() == highestBefore + 1; }, 5000));
    EXPECT_TRUE(WaitFor([&] { return paintPassCount > 0 || Stress.paintLoopRate > 0.0; }, 5000)) << "it paints";
    Stress.masterOn = 0;
    EXPECT_TRUE(WaitFor([&] { return CountProcessThreads() == threadsBefore; }, 10000));
}
