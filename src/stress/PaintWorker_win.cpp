// The paint load: one worker fills the main window's client area with strips of random colour, pass after
// pass, and publishes its passes per second and megabytes per second.
#include "stress/LoadCheck.h"
#include "stress/PaintWorker.h"
#include "stress/StressState.h"
#include "stress/Workers.h"

namespace {

constexpr DWORD kNoDeviceContextPauseMilliseconds = 10;

int ScreenBitsPerPixel() {
    HDC screen = GetDC(nullptr);
    if (!screen)
        return 0;
    const int bits = GetDeviceCaps(screen, BITSPIXEL);
    ReleaseDC(nullptr, screen);
    return bits;
}

// Under Wine the screen's device context and GetDeviceCaps cost about 300 µs (a millisecond on a busy machine),
// a few per cent of the 51 passes between measurements; the depth changes only with the display's mode. A depth
// that could not be had is asked for again at the next measurement.
int CachedBitsPerPixel() {
    int bits = bitsPerPixel.load(kRelaxed);
    if (bits <= 0) {
        bits = ScreenBitsPerPixel();
        bitsPerPixel.store(bits, kRelaxed);
    }
    return bits;
}

// Publishes the rates of the passes counted since `start` and moves `start` on. Passes counted within the same
// millisecond have no rate yet: they go back to the counters, so the next measurement covers them.
bool PublishRates(int64_t& start) {
    const int bits = CachedBitsPerPixel();
    const int passes = paintPassCount.exchange(0, kRelaxed);
    const double pixels = paintPixelSum.exchange(0.0, kRelaxed);
    const int64_t now = ClockMilliseconds();
    PaintRates rates;
    if (!ComputePaintRates(passes, pixels, bits, now - start, rates)) {
        paintPassCount.fetch_add(passes, kRelaxed);
        paintPixelSum.fetch_add(pixels, kRelaxed);
        return false;
    }
    Stress.paintMegabytesPerSecond.store(rates.megabytesPerSecond, kRelaxed);
    Stress.paintLoopRate.store(rates.loopRate, kRelaxed);
    start = now;
    return true;
}

// Between two passes the worker holds no device context and none of the system's drawing locks; within a strip
// it holds the window's drawing locks, which the user-interface thread needs to answer a message and to go idle.
// Wine 8 does not pass thread priorities on to the system's scheduler, so with every load on this worker is
// preempted as often as the busy normal-priority workers, and, preempted within a strip, it keeps the window
// locked until its next turn on a processor: the window then answered 2-3 times slower than a plain window (p99,
// load_bench). Offered here, the switch happens where nothing is held. With no other thread ready to run, Sleep(0)
// returns at once (about 2 µs, against 125 µs or more for a pass).
void GiveWayBetweenPasses() {
    Sleep(0);
}

}  // namespace

bool PaintStrips(HWND window) {
    RECT client = {};
    GetClientRect(window, &client);
    HDC dc = GetDC(window);
    // The bars' heights as the window's layout published them: the strips never cover the toolbars or the
    // status bar, whatever their size.
    const int areaTop = client.top + Stress.topBandHeight.load(kRelaxed);
    const int areaBottom = client.bottom - Stress.bottomBandHeight.load(kRelaxed);
    Stress.paintMode.store(1, kRelaxed);
    if (!dc)
        return false;
    paintPixelSum.fetch_add(PassPixels(client.right - client.left, areaBottom - areaTop), kRelaxed);
    paintPassCount.fetch_add(1, kRelaxed);
    // One colour change and one opaque fill per strip: no brush or other object is created.
    ForEachStrip(areaTop, areaBottom, [&](int top, int bottom) {
        SetBkColor(dc, COLORREF(NextStripColour()));
        const RECT strip = {client.left, top, client.right, bottom};
        ExtTextOutW(dc, 0, 0, ETO_OPAQUE, &strip, nullptr, 0, nullptr);
        return LoadKeepsRunning(Stress.paintOn);
    });
    ReleaseDC(window, dc);
    return true;
}

void ForgetScreenColourDepth() {
    bitsPerPixel.store(0, kRelaxed);
}

DWORD WINAPI PaintWorker(LPVOID mainWindow) {
    HWND window = static_cast<HWND>(mainWindow);
    const WorkerRun run = JoinCurrentRun(window);
    bool told = false;
    int64_t start = ClockMilliseconds();
    paintPassCount.store(0, kRelaxed);
    paintPixelSum.store(0.0, kRelaxed);
    Stress.paintMegabytesPerSecond.store(0.0, kRelaxed);
    do {
        // A pass without a device context draws and counts nothing, so no measurement and no yield would ever
        // come: at the highest priority the worker would starve the user-interface thread. A window that is gone
        // (Exit pressed while the load runs) never gives one again; otherwise wait a moment and try again.
        if (!PaintStrips(window)) {
            if (!IsWindow(window))
                break;
            Sleep(kNoDeviceContextPauseMilliseconds);
            continue;
        }
        if (!told) {
            ReportLoadOutcome(run, LoadType::Paint, true);
            told = true;
        }
        if (paintPassCount.load(kRelaxed) > kPassesBeforeMeasurement && PublishRates(start) &&
            Stress.paintMode.load(kRelaxed) == 1)
            Sleep(0);
        GiveWayBetweenPasses();
    } while (LoadKeepsRunning(Stress.paintOn));
    return 1;
}
