// Prints the paint load's passes and megabytes per second in a maximised window against a plain loop of the
// same opaque fills, and how punctually the main thread's timer ticks while the load runs.
#include <windows.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <vector>

#include "stress/PaintWorker.h"
#include "stress/StressControl.h"

namespace {

constexpr int kRounds = 3;
constexpr double kRoundSeconds = 3.0;
constexpr UINT kTickMilliseconds = 100;

// Filled by the window procedure while the paint load runs.
std::vector<double> tickTimes;
double rateSum = 0.0;
double megabyteSum = 0.0;
int rateSamples = 0;

double NowSeconds() {
    LARGE_INTEGER now, frequency;
    QueryPerformanceCounter(&now);
    QueryPerformanceFrequency(&frequency);
    return double(now.QuadPart) / double(frequency.QuadPart);
}

LRESULT CALLBACK BenchWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_PAINT:
            ValidateRect(window, nullptr);
            return 0;
        case WM_ERASEBKGND:
            return 1;
        case WM_TIMER:
            tickTimes.push_back(NowSeconds());
            if (Stress.paintLoopRate.load() > 0.0) {
                rateSum += Stress.paintLoopRate.load();
                megabyteSum += Stress.paintMegabytesPerSecond.load();
                ++rateSamples;
            }
            return 0;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

HWND CreateMaximisedWindow() {
    WNDCLASSEXW windowClass = {};
    windowClass.cbSize = sizeof(windowClass);
    windowClass.lpfnWndProc = BenchWindowProc;
    windowClass.hInstance = GetModuleHandleW(nullptr);
    windowClass.lpszClassName = L"KestrovanePaintBench";
    RegisterClassExW(&windowClass);
    HWND window = CreateWindowExW(0, windowClass.lpszClassName, L"paint bench", WS_OVERLAPPEDWINDOW, CW_USEDEFAULT,
                                  CW_USEDEFAULT, 800, 600, nullptr, nullptr, windowClass.hInstance, nullptr);
    ShowWindow(window, SW_SHOWMAXIMIZED);
    UpdateWindow(window);
    return window;
}

// Handles the window's messages until the deadline.
void PumpUntil(double deadline) {
    while (NowSeconds() < deadline) {
        const DWORD wait = DWORD(std::max(1.0, (deadline - NowSeconds()) * 1000.0));
        MsgWaitForMultipleObjects(0, nullptr, FALSE, wait, QS_ALLINPUT);
        MSG message;
        while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE))
            DispatchMessageW(&message);
    }
}

int ScreenBits() {
    HDC screen = GetDC(nullptr);
    const int bits = GetDeviceCaps(screen, BITSPIXEL);
    ReleaseDC(nullptr, screen);
    return bits;
}

struct Rates {
    double passes = 0.0;
    double megabytes = 0.0;
};

struct PlainLoop {
    HWND window;
    std::atomic<bool> running{true};
    long long passes = 0;
    double pixels = 0.0;
};

// The reference: the same device-context use and opaque fills per pass, without counters, polling or
// measurements.
DWORD WINAPI PlainFills(LPVOID parameter) {
    auto& loop = *static_cast<PlainLoop*>(parameter);
    uint32_t state = kPaintRandomSeed;
    while (loop.running.load(std::memory_order_relaxed)) {
        RECT client;
        GetClientRect(loop.window, &client);
        HDC dc = GetDC(loop.window);
        const int bottom = client.bottom - kBandHeight;
        for (int top = client.top + kBandHeight; top < bottom; top += kStripHeight) {
            const uint32_t red = (state = state * 69069u + 1u) & 0x1F;
            const uint32_t green = (state = state * 69069u + 1u) % 222u;
            const uint32_t blue = (state = state * 69069u + 1u) & 0x1F;
            SetBkColor(dc, RGB(red, green, blue));
            const RECT strip = {client.left, top, client.right, std::min(top + kStripHeight, bottom)};
            ExtTextOutW(dc, 0, 0, ETO_OPAQUE, &strip, nullptr, 0, nullptr);
        }
        ReleaseDC(loop.window, dc);
        ++loop.passes;
        loop.pixels += PassPixels(client.right - client.left, bottom - client.top - kBandHeight);
    }
    return 0;
}

Rates RunPlainLoop(HWND window) {
    PlainLoop plain;
    plain.window = window;
    const double start = NowSeconds();
    HANDLE thread = CreateThread(nullptr, 0, PlainFills, &plain, 0, nullptr);
    PumpUntil(start + kRoundSeconds);
    plain.running = false;
    WaitForSingleObject(thread, INFINITE);
    CloseHandle(thread);
    const double seconds = NowSeconds() - start;
    return {double(plain.passes) / seconds, plain.pixels * ScreenBits() / 8.0 / 1048576.0 / seconds};
}

// The paint load as the program runs it; its rates are the published ones, sampled at every timer tick.
Rates RunPaintLoad(HWND window) {
    rateSum = megabyteSum = 0.0;
    rateSamples = 0;
    Stress.paintLoopRate = 0.0;
    Stress.paintOn = 1;
    Stress.masterOn = 1;
    SetTimer(window, 1, kTickMilliseconds, nullptr);
    StartLoadWorkers(window, LoadType::Paint);
    PumpUntil(NowSeconds() + kRoundSeconds);
    Stress.masterOn = 0;
    KillTimer(window, 1);
    // Lets the worker see the switch and end before the next round.
    PumpUntil(NowSeconds() + 0.2);
    if (!rateSamples)
        return {};
    return {rateSum / rateSamples, megabyteSum / rateSamples};
}

}  // namespace

int main() {
    HWND window = CreateMaximisedWindow();
    RECT client;
    GetClientRect(window, &client);
    std::printf("client area %ld x %ld, %d bits per pixel, %d alternating rounds of %.0f s\n", client.right,
                client.bottom, ScreenBits(), kRounds, kRoundSeconds);

    Rates bestPlain, bestLoad;
    for (int round = 0; round < kRounds; ++round) {
        const Rates plain = RunPlainLoop(window);
        const Rates load = RunPaintLoad(window);
        std::printf("round %d: plain %.1f passes/s, paint load %.1f passes/s\n", round + 1, plain.passes, load.passes);
        if (plain.passes > bestPlain.passes)
            bestPlain = plain;
        if (load.passes > bestLoad.passes)
            bestLoad = load;
    }
    std::printf("%-52s %10s %10s\n", "best round", "passes/s", "MB/s");
    std::printf("%-52s %10.1f %10.1f\n", "plain loop, one thread, normal priority", bestPlain.passes,
                bestPlain.megabytes);
    std::printf("%-52s %10.1f %10.1f\n", "paint load (published rates)", bestLoad.passes, bestLoad.megabytes);
    if (bestPlain.passes > 0.0)
        std::printf("%-52s %10.3f\n", "ratio (goal >= 0.95)", bestLoad.passes / bestPlain.passes);

    // Timer ticks were recorded only while the load ran; the pauses between rounds are left out.
    double longest = 0.0, sum = 0.0;
    int intervals = 0;
    for (size_t i = 1; i < tickTimes.size(); ++i) {
        const double interval = (tickTimes[i] - tickTimes[i - 1]) * 1000.0;
        if (interval > 2000.0)
            continue;
        longest = std::max(longest, interval);
        sum += interval;
        ++intervals;
    }
    std::printf(
        "main thread's %u ms timer under the load: %zu ticks in %.0f s, mean interval %.1f ms, longest %.1f ms\n",
        kTickMilliseconds, tickTimes.size(), kRounds * kRoundSeconds, intervals ? sum / intervals : 0.0, longest);
    DestroyWindow(window);
    return 0;
}
