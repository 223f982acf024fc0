// Prints how fast kestrovane.exe shows its window after the process starts, and how punctually its one-second
// timer ticks while idle and while every load runs. Prints figures only; it never fails on a slow machine.
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "e2e/E2eSupport.h"
#include "support/Scratch.h"

namespace {

constexpr int kStartRuns = 7;
constexpr DWORD kIdleTickMilliseconds = 6000;
constexpr DWORD kLoadedTickMilliseconds = 15000;
constexpr int kMasterCommand = 109;

double NowMilliseconds() {
    LARGE_INTEGER now, frequency;
    QueryPerformanceCounter(&now);
    QueryPerformanceFrequency(&frequency);
    return double(now.QuadPart) * 1000.0 / double(frequency.QuadPart);
}

// Milliseconds from just before CreateProcessW to the main window being visible; negative on failure.
double TimeToWindow(const std::string& iniText) {
    ScratchFolder scratch;
    Program program;
    std::string error;
    const double start = NowMilliseconds();
    if (!LaunchProgram(program, scratch.path(), iniText, &error)) {
        std::printf("  launch failed: %s\n", error.c_str());
        return -1;
    }
    double shown = -1;
    while (NowMilliseconds() - start < 20000) {
        if (FindMainWindow(program.process.dwProcessId)) {
            shown = NowMilliseconds() - start;
            break;
        }
        Sleep(1);
    }
    PostMessageW(FindMainWindow(program.process.dwProcessId), WM_CLOSE, 0, 0);
    DWORD exitCode = 0;
    WaitForExit(program, 5000, &exitCode);
    StopProgram(program);
    return shown;
}

// The same measure for Wine's own Notepad: what any program pays under Wine before its first line runs.
double NotepadTimeToWindow() {
    wchar_t path[MAX_PATH + 16];
    GetSystemDirectoryW(path, MAX_PATH);
    lstrcatW(path, L"\\notepad.exe");
    STARTUPINFOW startup = {};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION process = {};
    const double start = NowMilliseconds();
    if (!CreateProcessW(path, nullptr, nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process))
        return -1;
    HWND notepad = nullptr;
    double shown = -1;
    while (NowMilliseconds() - start < 20000) {
        notepad = FindTopLevelWindow(process.dwProcessId, L"Notepad");
        if (notepad) {
            shown = NowMilliseconds() - start;
            break;
        }
        Sleep(1);
    }
    if (notepad)
        PostMessageW(notepad, WM_CLOSE, 0, 0);
    if (WaitForSingleObject(process.hProcess, 5000) != WAIT_OBJECT_0)
        TerminateProcess(process.hProcess, 0);
    CloseHandle(process.hProcess);
    CloseHandle(process.hThread);
    return shown;
}

void PrintStartTimes(const char* label, std::vector<double> times) {
    if (times.empty()) {
        std::printf("%-34s no window seen\n", label);
        return;
    }
    std::sort(times.begin(), times.end());
    std::printf("%-34s median %.0f ms, fastest %.0f ms, slowest %.0f ms (%zu runs)\n", label, times[times.size() / 2],
                times.front(), times.back(), times.size());
}

// The moments the timer rewrote the title: the title is replaced by a probe, and the next tick puts it back.
// GetWindowTextW reads another process's title without sending it a message, so polling does not delay ticks.
std::vector<double> TickTimes(const Program& program, const std::wstring& title, DWORD duration) {
    std::vector<double> ticks;
    wchar_t text[512];
    WriteWindowText(program.mainWindow, L"probe");
    const double end = NowMilliseconds() + duration;
    while (NowMilliseconds() < end) {
        GetWindowTextW(program.mainWindow, text, 512);
        if (title == text) {
            ticks.push_back(NowMilliseconds());
            WriteWindowText(program.mainWindow, L"probe");
        }
        Sleep(1);
    }
    return ticks;
}

void PrintTickSpread(const char* label, const std::vector<double>& ticks) {
    if (ticks.size() < 3) {
        std::printf("%-28s too few ticks seen (%zu)\n", label, ticks.size());
        return;
    }
    double shortest = 1e9, longest = 0, latest = 0;
    for (size_t i = 1; i < ticks.size(); ++i) {
        const double interval = ticks[i] - ticks[i - 1];
        shortest = std::min(shortest, interval);
        longest = std::max(longest, interval);
        // Lateness against the schedule the first tick set: tick k is due k seconds after it.
        latest = std::max(latest, ticks[i] - (ticks[0] + 1000.0 * double(i)));
    }
    std::printf("%-28s %zu ticks, interval %.0f..%.0f ms, latest tick %.0f ms past its second\n", label, ticks.size(),
                shortest, longest, latest);
}

}  // namespace

int main() {
    const std::string idleIni = "[Program]\r\nlng=1\r\n";
    std::vector<double> starts, notepadStarts;
    for (int run = 0; run < kStartRuns; ++run) {
        const double milliseconds = TimeToWindow(idleIni);
        if (milliseconds >= 0)
            starts.push_back(milliseconds);
        const double notepad = NotepadTimeToWindow();
        if (notepad >= 0)
            notepadStarts.push_back(notepad);
    }
    PrintStartTimes("process start to window shown:", starts);
    PrintStartTimes("the same for Wine's notepad.exe:", notepadStarts);

    SYSTEM_INFO system;
    GetSystemInfo(&system);
    const std::wstring title = L"Kestrovane 4.91 // Processors:" + std::to_wstring(system.dwNumberOfProcessors);
    ScratchFolder scratch;
    Program program;
    std::string error;
    if (!StartProgram(program, scratch.path(), "[Program]\r\nlng=1\r\npaint=1\r\nmem=1\r\naggressiv=1\r\nhd=1\r\n",
                      &error)) {
        std::printf("cannot start the program: %s\n", error.c_str());
        StopProgram(program);
        return 0;
    }
    PrintTickSpread("timer ticks, idle:", TickTimes(program, title, kIdleTickMilliseconds));
    SendToolbarCommand(program, program.stressToolbar, kMasterCommand);
    Sleep(1000);
    std::printf("threads while every load runs: %d\n", CountProcessThreads(program.process.dwProcessId));
    PrintTickSpread("timer ticks, every load on:", TickTimes(program, title, kLoadedTickMilliseconds));
    SendToolbarCommand(program, program.stressToolbar, kMasterCommand);
    PostMessageW(program.mainWindow, WM_CLOSE, 0, 0);
    DWORD exitCode = 0;
    WaitForExit(program, 5000, &exitCode);
    StopProgram(program);
    return 0;
}
