// Prints the paint load's passes and megabytes per second in a maximised window against a plain loop of the
// same opaque fills, and how punctually the main thread's timer ticks while the load runs.
#include <windows.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <vector>

#include "app/ClientArea.h"
#include "stress/PaintWorker.h"
#include "stress/StressControl.h"

namespace {

constexpr DWORD kRunMilliseconds = 5000;
constexpr UINT kTickMilliseconds = 100;

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

// Handles messages until the deadline or, if given, until the thread ends.
void PumpUntil(double deadline, HANDLE thread = nullptr) {
    while (NowSeconds() < deadline) {
        const DWORD wait = DWORD(std::max(1.0, (deadline - NowSeconds()) * 1000.0));
        const DWORD result = MsgWaitForMultipleObjects(thread ? 1 : 0, &thread, FALSE, wait, QS_ALLINPUT);
        if (thread && result == WAIT_OBJECT_0)
            return;
        MSG message;
        while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE))
            DispatchMessageW(&message);
    }
}

struct PlainLoop {
    HWND window;
    std::atomic<bool> running{true};
    long long passes = 0;
    double pixels = 0.0;
};

// The reference: the same device-context use and opaque fills per pass, without counters or polling.
DWORD WINAPI PlainFills(LPVOID parameter) {
    auto& loop = *static_cast<PlainLoop*>(parameter);
    uint32_t state = kPaintRandomSeed;
    while (loop.running.load(std::memory_order_relaxed)) {
        RECT client;
        GetClientRect(loop.window, &client);
        HDC dc = GetDC(loop.window);
        for (int top = client.top + kBandHeight; top < client.bottom - kBandHeight; top += kStripHeight) {
            const uint32_t red = (state = state * 69069u + 1u) & 0x1F;
            const uint32_t green = (state = state * 69069u + 1u) % 222u;
            const uint32_t blue = (state = state * 69069u + 1u) & 0x1F;
            SetBkColor(dc, RGB(red, green, blue));
            const RECT strip = {client.left, top, client.right,
                                std::min(top + kStripHeight, int(client.bottom) - kBandHeight)};
            ExtTextOutW(dc, 0, 0, ETO_OPAQUE, &strip, nullptr, 0, nullptr);
        }
        ReleaseDC(loop.window, dc);
        ++loop.passes;
        loop.pixels += PassPixels(client.right - client.left, client.bottom - client.top - 2 * kBandHeight);
    }
    return 0;
}

int ScreenBits() {
    HDC screen = GetDC(nullptr);
    const int bits = GetDeviceCaps(screen, BITSPIXEL);
    ReleaseDC(nullptr, screen);
    return bits;
}

}  // namespace

int main() {
    HWND window = CreateMaximisedWindow();
    RECT client;
    GetClientRect(window, &client);
    std::printf("client area %ld x %ld, %d bits per pixel, %lu s per run\n", client.right, client.bottom, ScreenBits(),
                kRunMilliseconds / 1000);

    PlainLoop plain;
    plain.window = window;
    HANDLE plainThread = CreateThread(nullptr, 0, PlainFills, &plain, 0, nullptr);
    const double plainStart = NowSeconds();
    PumpUntil(plainStart + kRunMilliseconds / 1000.0);
    plain.running = false;
    WaitForSingleObject(plainThread, INFINITE);
    CloseHandle(plainThread);
    const double plainSeconds = NowSeconds() - plainStart;
    const double plainPasses = double(plain.passes) / plainSeconds;
    const double plainMegabytes = plain.pixels * ScreenBits() / 8.0 / 1048576.0 / plainSeconds;

    Stress.paintOn = 1;
    Stress.masterOn = 1;
    SetTimer(window, 1, kTickMilliseconds, nullptr);
    StartLoadWorkers(window, LoadType::Paint);
    const double loadStart = NowSeconds();
    PumpUntil(loadStart + kRunMilliseconds / 1000.0);
    Stress.masterOn = 0;
    KillTimer(window, 1);

    const double loadPasses = rateSamples ? rateSum / rateSamples : 0.0;
    const double loadMegabytes = rateSamples ? megabyteSum / rateSamples : 0.0;
    std::printf("%-52s %10s %10s\n", "", "passes/s", "MB/s");
    std::printf("%-52s %10.1f %10.1f\n", "plain loop, one thread, normal priority", plainPasses, plainMegabytes);
    std::printf("%-52s %10.1f %10.1f\n", "paint load (published rates, mean of timer samples)", loadPasses,
                loadMegabytes);
    if (plainPasses > 0.0)
        std::printf("%-52s %10.3f\n", "ratio (goal >= 0.95)", loadPasses / plainPasses);

    double latest = 0.0, sum = 0.0;
    for (size_t i = 1; i < tickTimes.size(); ++i) {
        const double interval = (tickTimes[i] - tickTimes[i - 1]) * 1000.0;
        latest = std::max(latest, interval);
        sum += interval;
    }
    const size_t intervals = tickTimes.empty() ? 0 : tickTimes.size() - 1;
    std::printf("main thread timer of %u ms under the load: %zu ticks of %lu expected, mean %.1f ms, longest %.1f ms\n",
                kTickMilliseconds, tickTimes.size(), kRunMilliseconds / kTickMilliseconds,
                intervals ? sum / intervals : 0.0, latest);
    DestroyWindow(window);
    return 0;
}
