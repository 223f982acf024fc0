// What the plain reference window (plain_window.exe) shares with the benchmark that starts it.
#pragma once

#include <windows.h>

#include <atomic>
#include <cstdint>
#include <string>

// The reference painter's counters, in a named section of the painter's process; the benchmark reads them
// without sending the window a message, and pauses the painter between its turns.
struct PainterCounters {
    std::atomic<int64_t> passes{0};
    std::atomic<int64_t> pixels{0};
    std::atomic<int32_t> running{1};
};

constexpr wchar_t kPlainWindowClass[] = L"KestrovanePlainWindow";
constexpr wchar_t kPlainWindowTitle[] = L"plain window // Processors";

inline std::wstring PainterCountersName(DWORD processId) {
    return L"Local\\KestrovanePlainPainter." + std::to_wstring(processId);
}
