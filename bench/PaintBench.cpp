// Where the paint load's time goes: the cost of each call a pass makes, in a bare maximised window and in one
// laid out like the program's (rebar with toolbars along the top, status bar along the bottom), with and without
// WS_CLIPCHILDREN, with the class's cache DC and with a DC of its own; then the colour-depth query, the yield
// after a measurement, and the flush of the painted strips that the user-interface thread does each time it goes
// idle. Prints figures only; load_bench.exe measures the program itself against the reference painter.
#include <windows.h>
#include <commctrl.h>

#include <algorithm>
#include <cstdio>
#include <vector>

#include "stress/PaintWorker.h"
#include "stress/StressState.h"

namespace {

constexpr int kPasses = 400;
constexpr int kBand = 24;

double NowMicroseconds() {
    LARGE_INTEGER now, frequency;
    QueryPerformanceCounter(&now);
    QueryPerformanceFrequency(&frequency);
    return double(now.QuadPart) * 1e6 / double(frequency.QuadPart);
}

double Median(std::vector<double> values) {
    if (values.empty())
        return 0.0;
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

double Mean(const std::vector<double>& values) {
    double sum = 0.0;
    for (double value : values)
        sum += value;
    return values.empty() ? 0.0 : sum / double(values.size());
}

LRESULT CALLBACK BenchWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_PAINT:
            ValidateRect(window, nullptr);
            return 0;
        case WM_ERASEBKGND:
            return 1;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

void RegisterClasses() {
    WNDCLASSEXW windowClass = {};
    windowClass.cbSize = sizeof(windowClass);
    windowClass.style = CS_HREDRAW | CS_VREDRAW;
    windowClass.lpfnWndProc = BenchWindowProc;
    windowClass.hInstance = GetModuleHandleW(nullptr);
    windowClass.hCursor = LoadCursorW(nullptr, MAKEINTRESOURCEW(32512));
    windowClass.lpszClassName = L"PaintBenchCache";
    RegisterClassExW(&windowClass);
    windowClass.style |= CS_OWNDC;
    windowClass.lpszClassName = L"PaintBenchOwn";
    RegisterClassExW(&windowClass);
}

void Pump() {
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE))
        DispatchMessageW(&message);
}

// The program's controls with its style values: a rebar holding two toolbars at the top, a status bar at the
// bottom, laid out over the client area's bands.
void AddProgramControls(HWND window) {
    constexpr DWORD kRebarStyle = 0x56002640;
    constexpr DWORD kBarStyle = 0x5600194C;
    HINSTANCE instance = GetModuleHandleW(nullptr);
    RECT client;
    GetClientRect(window, &client);
    HWND rebar = CreateWindowExW(0, REBARCLASSNAMEW, nullptr, kRebarStyle, 0, 0, client.right, kBand, window, nullptr,
                                 instance, nullptr);
    HWND stress = CreateWindowExW(0, TOOLBARCLASSNAMEW, L"", kBarStyle, 0, 0, client.right, kBand, rebar, nullptr,
                                  instance, nullptr);
    HWND commands = CreateWindowExW(0, TOOLBARCLASSNAMEW, L"", kBarStyle, client.right - 400, 0, client.right, kBand,
                                    rebar, nullptr, instance, nullptr);
    HWND status = CreateWindowExW(0, STATUSCLASSNAMEW, L"", kBarStyle, 0, client.bottom - kBand, client.right, kBand,
                                  window, nullptr, instance, nullptr);
    for (HWND control : {rebar, stress, commands, status})
        SetWindowPos(control, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
    SetWindowPos(rebar, HWND_TOP, 0, 0, client.right, kBand, 0);
    SetWindowPos(status, HWND_TOP, 0, client.bottom - kBand, client.right, kBand, 0);
    SetWindowTextW(status, L"Stress:ON // Paint-Loops = Sek 0.0 = 0 MB");
}

struct PassCosts {
    std::vector<double> getDc, strips, release, whole;
    int stripsPerPass = 0;
};

struct PainterJob {
    HWND window;
    PassCosts costs;
};

// The paint load's pass, timed call by call: client rectangle and DC, the strips, the release.
DWORD WINAPI TimedPasses(LPVOID parameter) {
    auto& job = *static_cast<PainterJob*>(parameter);
    for (int pass = 0; pass < kPasses; ++pass) {
        const double start = NowMicroseconds();
        RECT client;
        GetClientRect(job.window, &client);
        HDC dc = GetDC(job.window);
        const double gotDc = NowMicroseconds();
        int strips = 0;
        ForEachStrip(client.top + kBand, client.bottom - kBand, [&](int top, int bottom) {
            SetBkColor(dc, COLORREF(NextStripColour()));
            const RECT strip = {client.left, top, client.right, bottom};
            ExtTextOutW(dc, 0, 0, ETO_OPAQUE, &strip, nullptr, 0, nullptr);
            ++strips;
            return true;
        });
        const double painted = NowMicroseconds();
        ReleaseDC(job.window, dc);
        const double released = NowMicroseconds();
        job.costs.getDc.push_back(gotDc - start);
        job.costs.strips.push_back(painted - gotDc);
        job.costs.release.push_back(released - painted);
        job.costs.whole.push_back(released - start);
        job.costs.stripsPerPass = strips;
    }
    return 0;
}

PassCosts MeasureWindow(const wchar_t* className, bool controls, bool clipChildren) {
    const DWORD style = WS_OVERLAPPEDWINDOW | (clipChildren ? WS_CLIPCHILDREN : 0);
    HWND window = CreateWindowExW(0, className, L"paint bench", style, CW_USEDEFAULT, CW_USEDEFAULT, 800, 600, nullptr,
                                  nullptr, GetModuleHandleW(nullptr), nullptr);
    ShowWindow(window, SW_SHOWMAXIMIZED);
    UpdateWindow(window);
    if (controls)
        AddProgramControls(window);
    Pump();
    PainterJob job = {window, {}};
    HANDLE thread = CreateThread(nullptr, 0, TimedPasses, &job, 0, nullptr);
    SetThreadPriority(thread, THREAD_PRIORITY_HIGHEST);
    while (MsgWaitForMultipleObjects(1, &thread, FALSE, INFINITE, QS_ALLINPUT) != WAIT_OBJECT_0)
        Pump();
    CloseHandle(thread);
    DestroyWindow(window);
    Pump();
    return job.costs;
}

int ScreenBitsPerPixel() {
    HDC screen = GetDC(nullptr);
    const int bits = GetDeviceCaps(screen, BITSPIXEL);
    ReleaseDC(nullptr, screen);
    return bits;
}

template <typename Call>
std::vector<double> TimeCalls(int count, Call call) {
    std::vector<double> times;
    for (int i = 0; i < count; ++i) {
        const double start = NowMicroseconds();
        call();
        times.push_back(NowMicroseconds() - start);
    }
    return times;
}

// The idle flush: painting one pass on this thread leaves the strips to be copied to the display, and the next
// wait for messages copies them (Wine flushes every window surface of the process before a thread waits).
void MeasureIdleFlush() {
    HWND window = CreateWindowExW(0, L"PaintBenchCache", L"paint bench", WS_OVERLAPPEDWINDOW, CW_USEDEFAULT,
                                  CW_USEDEFAULT, 800, 600, nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
    ShowWindow(window, SW_SHOWMAXIMIZED);
    UpdateWindow(window);
    Pump();
    std::vector<double> dirty, clean;
    for (int i = 0; i < 100; ++i) {
        RECT client;
        GetClientRect(window, &client);
        HDC dc = GetDC(window);
        ForEachStrip(client.top + kBand, client.bottom - kBand, [&](int top, int bottom) {
            SetBkColor(dc, COLORREF(NextStripColour()));
            const RECT strip = {client.left, top, client.right, bottom};
            ExtTextOutW(dc, 0, 0, ETO_OPAQUE, &strip, nullptr, 0, nullptr);
            return true;
        });
        ReleaseDC(window, dc);
        double start = NowMicroseconds();
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 0, QS_ALLINPUT);
        dirty.push_back(NowMicroseconds() - start);
        start = NowMicroseconds();
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 0, QS_ALLINPUT);
        clean.push_back(NowMicroseconds() - start);
        Pump();
    }
    std::printf("%-58s %9.1f %9.1f\n", "wait for messages after a painted pass (flushes it)", Median(dirty),
                Mean(dirty));
    std::printf("%-58s %9.1f %9.1f\n", "wait for messages with nothing to flush", Median(clean), Mean(clean));
    DestroyWindow(window);
    Pump();
}

}  // namespace

int main() {
    InitCommonControls();
    RegisterClasses();
    std::printf("%d passes per case, painted by a thread at the highest priority; microseconds\n", kPasses);
    std::printf("%-40s %8s %8s %8s %8s %8s %8s\n", "window", "DC", "strip", "release", "pass p50", "pass mean",
                "passes/s");
    const struct {
        const char* label;
        const wchar_t* className;
        bool controls;
        bool clipChildren;
    } cases[] = {
        {"bare, cache DC", L"PaintBenchCache", false, false},
        {"program's controls, cache DC", L"PaintBenchCache", true, false},
        {"program's controls, WS_CLIPCHILDREN", L"PaintBenchCache", true, true},
        {"bare, own DC (CS_OWNDC)", L"PaintBenchOwn", false, false},
        {"program's controls, own DC", L"PaintBenchOwn", true, false},
    };
    for (int round = 0; round < 2; ++round) {
        for (const auto& c : cases) {
            const PassCosts costs = MeasureWindow(c.className, c.controls, c.clipChildren);
            const double strip = Median(costs.strips) / std::max(costs.stripsPerPass, 1);
            std::printf("%-40s %8.1f %8.2f %8.1f %8.1f %8.1f %8.0f\n", c.label, Median(costs.getDc), strip,
                        Median(costs.release), Median(costs.whole), Mean(costs.whole), 1e6 / Mean(costs.whole));
        }
    }
    std::printf("%-58s %9s %9s\n", "per call", "median", "mean");
    const auto bits = TimeCalls(300, [] { ScreenBitsPerPixel(); });
    std::printf("%-58s %9.1f %9.1f\n", "colour depth: GetDC(nullptr) + GetDeviceCaps + ReleaseDC", Median(bits),
                Mean(bits));
    const auto yields = TimeCalls(1000, [] { Sleep(0); });
    std::printf("%-58s %9.1f %9.1f\n", "Sleep(0) after a measurement", Median(yields), Mean(yields));
    MeasureIdleFlush();
    return 0;
}
