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

// Publishes the rates of the passes counted since `start` and moves `start` on. Passes counted within the same
// millisecond have no rate yet: they go back to the counters, so the next measurement covers them.
bool PublishRates(int64_t& start) {
    bitsPerPixel.store(ScreenBitsPerPixel(), kRelaxed);
    const int passes = paintPassCount.exchange(0, kRelaxed);
    const double pixels = paintPixelSum.exchange(0.0, kRelaxed);
    const int64_t now = ClockMilliseconds();
    PaintRates rates;
    if (!ComputePaintRates(passes, pixels, bitsPerPixel.load(kRelaxed), now - start, rates)) {
        paintPassCount.fetch_add(passes, kRelaxed);
        paintPixelSum.fetch_add(pixels, kRelaxed);
        return false;
    }
    Stress.paintMegabytesPerSecond.store(rates.megabytesPerSecond, kRelaxed);
    Stress.paintLoopRate.store(rates.loopRate, kRelaxed);
    start = now;
    return true;
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
        // The yield after each measurement is the worker's only one: it runs at the highest priority.
        if (paintPassCount.load(kRelaxed) > kPassesBeforeMeasurement && PublishRates(start) &&
            Stress.paintMode.load(kRelaxed) == 1)
            Sleep(0);
    } while (LoadKeepsRunning(Stress.paintOn));
    return 1;
}
