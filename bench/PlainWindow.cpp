// The benchmarks' reference window: a maximised top-level window without children, menu or status bar.
//   plain_window.exe paint TOP BOTTOM  one thread at the highest priority paints the program's strips between a
//                                      band of TOP pixels at the top and BOTTOM pixels at the bottom, counting
//                                      its passes and pixels in a named section (PlainWindow.h), which also
//                                      lets the benchmark pause it
//   plain_window.exe idle              only a one-second timer that puts back its title, as the program's does; the
//                                      window opens small behind the others, so it covers no painting
#include "PlainWindow.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <new>

namespace {

constexpr int kStripHeight = 10;
constexpr UINT_PTR kTimer = 1;

int topBand = 24;
int bottomBand = 24;
PainterCounters* counters = nullptr;

LRESULT CALLBACK PlainWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_PAINT: {
            PAINTSTRUCT paint;
            BeginPaint(window, &paint);
            EndPaint(window, &paint);
            return 0;
        }
        case WM_ERASEBKGND:
            return 1;
        case WM_TIMER: {
            // Puts back a title changed from outside, as the program's timer does.
            wchar_t shown[64];
            GetWindowTextW(window, shown, 64);
            if (lstrcmpW(shown, kPlainWindowTitle) != 0)
                SetWindowTextW(window, kPlainWindowTitle);
            return 0;
        }
        case WM_DESTROY:
            PostQuitMessage(0);
            return 0;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

// The reference painter: per pass the window's DC, one colour change and one opaque fill per 10-pixel strip
// across the client width between the bands, the DC released. Nothing else.
DWORD WINAPI PaintStripsForever(LPVOID parameter) {
    HWND window = static_cast<HWND>(parameter);
    uint32_t state = 0xEA38A250;
    for (;;) {
        if (!counters->running.load(std::memory_order_relaxed)) {
            Sleep(5);
            continue;
        }
        RECT client;
        GetClientRect(window, &client);
        HDC dc = GetDC(window);
        if (!dc)
            return 0;
        const int top = client.top + topBand;
        const int bottom = client.bottom - bottomBand;
        for (int y = top; y < bottom; y += kStripHeight) {
            const uint32_t red = (state = state * 69069u + 1u) & 0x1F;
            const uint32_t green = (state = state * 69069u + 1u) % 222u;
            const uint32_t blue = (state = state * 69069u + 1u) & 0x1F;
            SetBkColor(dc, RGB(red, green, blue));
            const RECT strip = {client.left, y, client.right, std::min(y + kStripHeight, bottom)};
            ExtTextOutW(dc, 0, 0, ETO_OPAQUE, &strip, nullptr, 0, nullptr);
        }
        ReleaseDC(window, dc);
        counters->passes.fetch_add(1, std::memory_order_relaxed);
        counters->pixels.fetch_add(int64_t(client.right - client.left) * std::max(bottom - top, 0),
                                   std::memory_order_relaxed);
    }
}

bool StartPainter(HWND window) {
    HANDLE section = CreateFileMappingW(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0, sizeof(PainterCounters),
                                        PainterCountersName(GetCurrentProcessId()).c_str());
    if (!section)
        return false;
    void* view = MapViewOfFile(section, FILE_MAP_ALL_ACCESS, 0, 0, sizeof(PainterCounters));
    if (!view)
        return false;
    counters = new (view) PainterCounters;
    HANDLE thread = CreateThread(nullptr, 0, PaintStripsForever, window, 0, nullptr);
    if (!thread)
        return false;
    SetThreadPriority(thread, THREAD_PRIORITY_HIGHEST);
    CloseHandle(thread);
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    const bool paint = argc >= 4 && std::strcmp(argv[1], "paint") == 0;
    const bool idle = argc >= 2 && std::strcmp(argv[1], "idle") == 0;
    if (!paint && !idle) {
        std::fputs("usage: plain_window.exe paint TOP BOTTOM | idle\n", stderr);
        return 2;
    }
    if (paint) {
        topBand = std::atoi(argv[2]);
        bottomBand = std::atoi(argv[3]);
    }
    WNDCLASSEXW windowClass = {};
    windowClass.cbSize = sizeof(windowClass);
    windowClass.style = CS_HREDRAW | CS_VREDRAW;
    windowClass.lpfnWndProc = PlainWindowProc;
    windowClass.hInstance = GetModuleHandleW(nullptr);
    windowClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    windowClass.lpszClassName = kPlainWindowClass;
    RegisterClassExW(&windowClass);
    HWND window = CreateWindowExW(0, kPlainWindowClass, kPlainWindowTitle, WS_OVERLAPPEDWINDOW, CW_USEDEFAULT,
                                  CW_USEDEFAULT, 800, 600, nullptr, nullptr, windowClass.hInstance, nullptr);
    if (!window)
        return 1;
    if (idle) {
        SetWindowPos(window, HWND_BOTTOM, 0, 0, 400, 300, SWP_NOACTIVATE);
        ShowWindow(window, SW_SHOWNOACTIVATE);
    } else {
        ShowWindow(window, SW_SHOWMAXIMIZED);
    }
    UpdateWindow(window);
    if (idle)
        SetTimer(window, kTimer, 1000, nullptr);
    if (paint && !StartPainter(window))
        return 1;
    MSG message;
    while (GetMessageW(&message, nullptr, 0, 0) > 0) {
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
    return 0;
}
