// Measures the real kestrovane.exe as a user runs it (maximised, toolbars, status bar and timer, loads started by
// the master switch) beside plain_window.exe, the reference:
//   load_bench.exe paint [PAIRS] [TURN_MS]    the paint load's passes/s and MB/s against a plain painter in a
//                                             window of the same client size and bands, in alternating turns
//   load_bench.exe answer [RUNS] [SECONDS] [without-paint|paint-only]
//                                             with every load on (or, to compare, every load but the paint load,
//                                             or the paint load alone), WM_GETTEXT round trips to the status bar
//                                             against a plain window beside it, sampled in turns, and how late
//                                             each one's one-second timer ticks
// Without arguments it runs both. It prints figures only and never fails on a slow machine.
#include <windows.h>
#include <tlhelp32.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "PlainWindow.h"
#include "e2e/E2eSupport.h"
#include "support/Scratch.h"

namespace {

constexpr int kMasterCommand = 109;
constexpr DWORD kWarmUpMilliseconds = 1500;
constexpr DWORD kSettleMilliseconds = 300;
constexpr DWORD kAnswerTimeoutMilliseconds = 5000;

double NowMilliseconds() {
    LARGE_INTEGER now, frequency;
    QueryPerformanceCounter(&now);
    QueryPerformanceFrequency(&frequency);
    return double(now.QuadPart) * 1000.0 / double(frequency.QuadPart);
}

// The host's load average, read through Wine's drive Z:; empty on Windows.
std::string LoadAverage() {
    std::string text = ReadFileBytes(L"Z:\\proc\\loadavg");
    const size_t end = text.find(' ', text.find(' ', text.find(' ') + 1) + 1);
    return end == std::string::npos ? text : text.substr(0, end);
}

double Median(std::vector<double> values) {
    if (values.empty())
        return 0.0;
    std::sort(values.begin(), values.end());
    const size_t middle = values.size() / 2;
    return values.size() % 2 ? values[middle] : (values[middle - 1] + values[middle]) / 2.0;
}

double Percentile(std::vector<double> values, double share) {
    if (values.empty())
        return 0.0;
    std::sort(values.begin(), values.end());
    const size_t index = std::min(values.size() - 1, size_t(share * double(values.size())));
    return values[index];
}

double Ratio(double value, double reference) {
    return reference > 0.0 ? value / reference : 0.0;
}

int ScreenBits() {
    HDC screen = GetDC(nullptr);
    const int bits = GetDeviceCaps(screen, BITSPIXEL);
    ReleaseDC(nullptr, screen);
    return bits;
}

// plain_window.exe beside this benchmark, started with `arguments` and ended by Stop.
struct PlainWindow {
    PROCESS_INFORMATION process = {};
    HWND window = nullptr;

    bool Start(const std::wstring& arguments) {
        wchar_t path[MAX_PATH];
        GetModuleFileNameW(nullptr, path, MAX_PATH);
        std::wstring executable = path;
        executable = executable.substr(0, executable.find_last_of(L'\\') + 1) + L"plain_window.exe";
        std::wstring commandLine = L"\"" + executable + L"\" " + arguments;
        STARTUPINFOW startup = {};
        startup.cb = sizeof(startup);
        if (!CreateProcessW(executable.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                            &startup, &process))
            return false;
        return WaitFor([&] { return (window = FindTopLevelWindow(process.dwProcessId, kPlainWindowClass)) != nullptr; },
                       20000);
    }

    void Stop() {
        if (!process.hProcess)
            return;
        if (window)
            PostMessageW(window, WM_CLOSE, 0, 0);
        if (WaitForSingleObject(process.hProcess, 5000) != WAIT_OBJECT_0)
            TerminateProcess(process.hProcess, 1);
        CloseHandle(process.hProcess);
        CloseHandle(process.hThread);
        process = {};
        window = nullptr;
    }
};

// Where the program's bars end, as the strips must leave them: the rebar's bottom and the status bar's top.
struct Bands {
    int top = 24;
    int bottom = 24;
    int width = 0;
    int height = 0;
};

Bands ProgramBands(const Program& program) {
    RECT client;
    GetClientRect(program.mainWindow, &client);
    Bands bands;
    bands.top = RectInParent(program.rebar).bottom - client.top;
    bands.bottom = client.bottom - RectInParent(program.statusBar).top;
    bands.width = client.right - client.left;
    bands.height = client.bottom - client.top;
    return bands;
}

// The address of a global of kestrovane.exe inside its running process, from the executable's COFF symbol table
// (kept in the build; the release strips it) and the module's base; 0 when either is missing.
uintptr_t ProgramGlobalAddress(const Program& program, const char* name) {
    const std::string image = ReadFileBytes(program.folder + L"\\kestrovane.exe");
    if (image.size() < sizeof(IMAGE_DOS_HEADER))
        return 0;
    const auto* dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(image.data());
    if (size_t(dos->e_lfanew) + sizeof(IMAGE_NT_HEADERS64) > image.size())
        return 0;
    const auto* headers = reinterpret_cast<const IMAGE_NT_HEADERS64*>(image.data() + dos->e_lfanew);
    const auto* sections = IMAGE_FIRST_SECTION(headers);
    const size_t symbols = headers->FileHeader.PointerToSymbolTable;
    const size_t count = headers->FileHeader.NumberOfSymbols;
    const size_t strings = symbols + count * IMAGE_SIZEOF_SYMBOL;
    if (!symbols || strings > image.size())
        return 0;
    uint32_t rva = 0;
    for (size_t i = 0; i < count && !rva; ++i) {
        const auto* symbol = reinterpret_cast<const IMAGE_SYMBOL*>(image.data() + symbols + i * IMAGE_SIZEOF_SYMBOL);
        std::string symbolName =
            symbol->N.Name.Short ? std::string(reinterpret_cast<const char*>(symbol->N.ShortName),
                                               strnlen(reinterpret_cast<const char*>(symbol->N.ShortName), 8))
                                 : std::string(image.c_str() + std::min(image.size(), strings + symbol->N.Name.Long));
        if (symbolName == name && symbol->SectionNumber > 0 &&
            symbol->SectionNumber <= headers->FileHeader.NumberOfSections)
            rva = sections[symbol->SectionNumber - 1].VirtualAddress + symbol->Value;
        i += symbol->NumberOfAuxSymbols;
    }
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPMODULE, program.process.dwProcessId);
    if (!rva || snapshot == INVALID_HANDLE_VALUE)
        return 0;
    MODULEENTRY32W module = {};
    module.dwSize = sizeof(module);
    const bool found = Module32FirstW(snapshot, &module);
    CloseHandle(snapshot);
    return found ? reinterpret_cast<uintptr_t>(module.modBaseAddr) + rva : 0;
}

bool ReadRandomState(const Program& program, uintptr_t address, uint32_t* state) {
    SIZE_T read = 0;
    return ReadProcessMemory(program.process.hProcess, reinterpret_cast<LPCVOID>(address), state, sizeof(*state),
                             &read) &&
           read == sizeof(*state);
}

// The generator advances three steps per strip and is never reseeded: the steps between two readings of its
// state count the strips painted in between exactly, without a message to the program.
int64_t GeneratorSteps(uint32_t from, uint32_t to) {
    int64_t steps = 0;
    for (uint32_t state = from; state != to && steps < (int64_t(1) << 32); ++steps)
        state = state * 69069u + 1u;
    return steps;
}

// Brings the window to the top of the z-order, so that the other maximised window no longer covers it (a
// covered window's strips are clipped away), and waits until it is the window at its client area's centre.
bool BringToTop(HWND window) {
    SetWindowPos(window, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    const RECT client = ClientScreenRect(window);
    const POINT centre = {(client.left + client.right) / 2, (client.top + client.bottom) / 2};
    return WaitFor([&] { return GetAncestor(WindowFromPoint(centre), GA_ROOT) == window; }, 5000);
}

bool MasterOn(const Program& program) {
    return ToolbarButtonChecked(program.stressToolbar, kMasterCommand);
}

bool SetMaster(const Program& program, bool on) {
    if (MasterOn(program) != on)
        SendToolbarCommand(program, program.stressToolbar, kMasterCommand);
    return WaitFor([&] { return MasterOn(program) == on; }, 5000);
}

struct Turns {
    double passes = 0.0;
    double seconds = 0.0;
    std::vector<double> rates;

    void Add(double turnPasses, double turnSeconds) {
        passes += turnPasses;
        seconds += turnSeconds;
        rates.push_back(turnPasses / turnSeconds);
    }
    double Rate() const { return seconds > 0.0 ? passes / seconds : 0.0; }
};

// Both run for the whole measurement, each in its own maximised window of the same size; in turns one is
// brought to the top and paints while the other is stopped (the program by its master switch, the painter by its
// flag). Short turns in the order ABBA keep a changing load on the shared machine from favouring either side.
void RunPaint(int pairs, DWORD milliseconds) {
    std::printf(
        "paint load: %d pairs of %lu ms turns, program and plain painter in turns (ABBA), %d bits per pixel, "
        "load average %s\n",
        pairs, milliseconds, ScreenBits(), LoadAverage().c_str());
    ScratchFolder scratch;
    Program program;
    PlainWindow plain;
    std::string error;
    if (!StartProgram(program, scratch.path(), "[Program]\r\nlng=1\r\npaint=1\r\nmem=0\r\naggressiv=0\r\nhd=0\r\n",
                      &error)) {
        std::printf("  cannot start the program: %s\n", error.c_str());
        StopProgram(program);
        return;
    }
    const Bands bands = ProgramBands(program);
    const uintptr_t address = ProgramGlobalAddress(program, "paintRandomState");
    HANDLE section = nullptr;
    PainterCounters* counters = nullptr;
    if (plain.Start(L"paint " + std::to_wstring(bands.top) + L" " + std::to_wstring(bands.bottom)) &&
        WaitFor(
            [&] {
                section =
                    OpenFileMappingW(FILE_MAP_WRITE, FALSE, PainterCountersName(plain.process.dwProcessId).c_str());
                return section != nullptr;
            },
            10000))
        counters = static_cast<PainterCounters*>(MapViewOfFile(section, FILE_MAP_WRITE, 0, 0, 0));
    if (!address || !counters) {
        std::printf("  %s\n", address ? "cannot reach the plain painter's counters"
                                      : "the program's build keeps no symbol for its generator");
    } else {
        counters->running = 0;
        const int trimmed = bands.height - bands.top - bands.bottom;
        const int stripsPerPass = std::max((trimmed + 9) / 10, 1);
        Turns programTurns, plainTurns;
        std::vector<double> ratios;
        for (int pair = 0; pair < pairs; ++pair) {
            for (int turn = 0; turn < 2; ++turn) {
                const bool programTurn = (turn == 0) == (pair % 2 == 0);
                if (programTurn) {
                    BringToTop(program.mainWindow);
                    SetMaster(program, true);
                } else {
                    BringToTop(plain.window);
                    counters->running = 1;
                }
                // The program repaints its uncovered window first; a new worker starts.
                Sleep(kSettleMilliseconds);
                uint32_t first = 0, last = 0;
                const int64_t firstPasses = counters->passes.load();
                ReadRandomState(program, address, &first);
                const double start = NowMilliseconds();
                Sleep(milliseconds);
                const double seconds = (NowMilliseconds() - start) / 1000.0;
                ReadRandomState(program, address, &last);
                const int64_t lastPasses = counters->passes.load();
                if (programTurn) {
                    SetMaster(program, false);
                    programTurns.Add(double(GeneratorSteps(first, last)) / 3.0 / stripsPerPass, seconds);
                } else {
                    counters->running = 0;
                    plainTurns.Add(double(lastPasses - firstPasses), seconds);
                }
            }
            ratios.push_back(Ratio(programTurns.rates.back(), plainTurns.rates.back()));
            std::printf("  pair %2d: program %7.1f passes/s   plain painter %7.1f passes/s   ratio %.3f   load %s\n",
                        pair + 1, programTurns.rates.back(), plainTurns.rates.back(), ratios.back(),
                        LoadAverage().c_str());
        }
        const double megabytesPerPass = double(bands.width) * std::max(trimmed, 0) * ScreenBits() / 8.0 / 1048576.0;
        std::printf("client area %d x %d, strips between a %d-pixel top band and a %d-pixel bottom band\n", bands.width,
                    bands.height, bands.top, bands.bottom);
        std::printf("%-34s %12s %12s %8s\n", "all turns", "program", "reference", "ratio");
        std::printf("%-34s %12.1f %12.1f %8.3f\n", "paint passes/s", programTurns.Rate(), plainTurns.Rate(),
                    Ratio(programTurns.Rate(), plainTurns.Rate()));
        std::printf("%-34s %12.0f %12.0f %8.3f\n", "paint MB/s", programTurns.Rate() * megabytesPerPass,
                    plainTurns.Rate() * megabytesPerPass, Ratio(programTurns.Rate(), plainTurns.Rate()));
        std::printf("%-34s %12.1f %12.1f %8.3f   (goal >= 0.95)\n", "median turn, passes/s", Median(programTurns.rates),
                    Median(plainTurns.rates), Median(ratios));
        std::printf("load average after: %s\n", LoadAverage().c_str());
    }
    if (counters)
        UnmapViewOfFile(counters);
    if (section)
        CloseHandle(section);
    plain.Stop();
    PostMessageW(program.mainWindow, WM_CLOSE, 0, 0);
    DWORD exitCode = 0;
    WaitForExit(program, 5000, &exitCode);
    StopProgram(program);
}

// The moments a window's timer rewrote its title: the benchmark replaces the title with a probe and watches,
// without sending a message (GetWindowTextW reads another process's title directly), for the tick that puts it
// back.
struct TickWatch {
    HWND window;
    std::wstring title;
    std::vector<double> ticks;
    bool probed = false;
};

struct TickWatchers {
    TickWatch* watches;
    int count;
    volatile bool running;
};

DWORD WINAPI WatchTicks(LPVOID parameter) {
    auto& watchers = *static_cast<TickWatchers*>(parameter);
    wchar_t text[256];
    while (watchers.running) {
        for (int i = 0; i < watchers.count; ++i) {
            TickWatch& watch = watchers.watches[i];
            if (!watch.probed) {
                watch.probed = WriteWindowText(watch.window, L"probe", kAnswerTimeoutMilliseconds);
                continue;
            }
            GetWindowTextW(watch.window, text, 256);
            if (watch.title == text) {
                watch.ticks.push_back(NowMilliseconds());
                watch.probed = false;
            }
        }
        Sleep(1);
    }
    return 0;
}

struct TickLateness {
    int ticks = 0;
    double longestInterval = 0.0;
    double latest = 0.0;
};

// Wine and Windows keep a periodic timer on its first schedule: tick k is due k periods after the phase. The
// phase is taken from the earliest tick seen relative to that schedule, so a late first tick does not hide later
// lateness.
TickLateness Lateness(const std::vector<double>& ticks) {
    TickLateness result;
    result.ticks = int(ticks.size());
    if (ticks.size() < 2)
        return result;
    std::vector<double> offsets;
    for (double tick : ticks) {
        const double periods = std::max(0.0, double(std::llround((tick - ticks[0]) / 1000.0)));
        offsets.push_back(tick - 1000.0 * periods);
    }
    const double phase = *std::min_element(offsets.begin(), offsets.end());
    for (size_t i = 0; i < ticks.size(); ++i) {
        result.latest = std::max(result.latest, offsets[i] - phase);
        if (i)
            result.longestInterval = std::max(result.longestInterval, ticks[i] - ticks[i - 1]);
    }
    return result;
}

bool TimedGetText(HWND window, std::vector<double>& times) {
    wchar_t buffer[1024];
    DWORD_PTR length = 0;
    const double start = NowMilliseconds();
    const bool answered = SendMessageTimeoutW(window, WM_GETTEXT, 1024, reinterpret_cast<LPARAM>(buffer), SMTO_NORMAL,
                                              kAnswerTimeoutMilliseconds, &length) != 0;
    times.push_back(answered ? NowMilliseconds() - start : double(kAnswerTimeoutMilliseconds));
    return answered;
}

void PrintLatencies(const char* label, const std::vector<double>& program, const std::vector<double>& plain) {
    const double programP99 = Percentile(program, 0.99), plainP99 = Percentile(plain, 0.99);
    std::printf(
        "  %-10s program p50 %6.2f  p99 %6.2f  max %7.2f ms | plain p50 %6.2f  p99 %6.2f  max %7.2f ms | "
        "p99 ratio %.2f (%zu + %zu samples)\n",
        label, Percentile(program, 0.5), programP99, Percentile(program, 1.0), Percentile(plain, 0.5), plainP99,
        Percentile(plain, 1.0), Ratio(programP99, plainP99), program.size(), plain.size());
}

// The settings that select the loads for the answer runs: every load (the goal), or for comparison every load
// but the paint load, or the paint load alone.
const char* LoadSettings(const std::string& loads) {
    if (loads == "without-paint")
        return "[Program]\r\nlng=1\r\npaint=0\r\nmem=1\r\naggressiv=1\r\nhd=1\r\n";
    if (loads == "paint-only")
        return "[Program]\r\nlng=1\r\npaint=1\r\nmem=0\r\naggressiv=0\r\nhd=0\r\n";
    return "[Program]\r\nlng=1\r\npaint=1\r\nmem=1\r\naggressiv=1\r\nhd=1\r\n";
}

// Each run starts the program with its loads switched on by the master switch and a plain window beside it.
// First the round trips are sampled, in turns to each, for `milliseconds`; then, without those samples, the
// timers are watched for kTimerWatchMilliseconds (the probe that shows a tick writes the title, which repaints
// the caption, so it would distort the round trips).
void RunAnswers(int runs, DWORD milliseconds, const std::string& loads) {
    constexpr DWORD kTimerWatchMilliseconds = 12000;
    SYSTEM_INFO system;
    GetSystemInfo(&system);
    const std::wstring programTitle = L"Kestrovane 4.91 // Processors:" + std::to_wstring(system.dwNumberOfProcessors);
    std::printf(
        "answers with %s: %d runs of %lu s of WM_GETTEXT in turns to the program's status bar and to a plain "
        "window beside it, then %lu s of timer ticks; load average %s\n",
        loads.c_str(), runs, milliseconds / 1000, kTimerWatchMilliseconds / 1000, LoadAverage().c_str());
    std::vector<double> allProgram, allPlain, ratios;
    double programLatest = 0.0, plainLatest = 0.0;
    for (int run = 0; run < runs; ++run) {
        ScratchFolder scratch;
        Program program;
        PlainWindow plain;
        std::string error;
        if (!StartProgram(program, scratch.path(), LoadSettings(loads), &error) || !plain.Start(L"idle")) {
            std::printf("  cannot start the program or the plain window: %s\n", error.c_str());
            StopProgram(program);
            plain.Stop();
            continue;
        }
        SendToolbarCommand(program, program.stressToolbar, kMasterCommand);
        Sleep(kWarmUpMilliseconds);
        std::vector<double> programTimes, plainTimes;
        srand(unsigned(run + 1));
        const double end = NowMilliseconds() + milliseconds;
        for (int pair = 0; NowMilliseconds() < end; ++pair) {
            if (pair % 2 == 0) {
                TimedGetText(program.statusBar, programTimes);
                TimedGetText(plain.window, plainTimes);
            } else {
                TimedGetText(plain.window, plainTimes);
                TimedGetText(program.statusBar, programTimes);
            }
            // Irregular gaps, so that the samples do not lock onto the workers' rhythms.
            Sleep(DWORD(2 + rand() % 9));
        }
        TickWatch watches[] = {{program.mainWindow, programTitle, {}}, {plain.window, kPlainWindowTitle, {}}};
        TickWatchers watchers = {watches, 2, true};
        HANDLE watcher = CreateThread(nullptr, 0, WatchTicks, &watchers, 0, nullptr);
        Sleep(kTimerWatchMilliseconds);
        watchers.running = false;
        WaitForSingleObject(watcher, INFINITE);
        CloseHandle(watcher);
        SendToolbarCommand(program, program.stressToolbar, kMasterCommand);
        PostMessageW(program.mainWindow, WM_CLOSE, 0, 0);
        DWORD exitCode = 0;
        WaitForExit(program, 5000, &exitCode);
        StopProgram(program);
        plain.Stop();

        char label[32];
        std::snprintf(label, sizeof(label), "run %d:", run + 1);
        PrintLatencies(label, programTimes, plainTimes);
        const TickLateness programTicks = Lateness(watches[0].ticks), plainTicks = Lateness(watches[1].ticks);
        std::printf(
            "  %-10s timer: program %d ticks, latest %.1f ms late, longest interval %.0f ms | plain %d ticks, "
            "latest %.1f ms late, longest interval %.0f ms | load %s\n",
            "", programTicks.ticks, programTicks.latest, programTicks.longestInterval, plainTicks.ticks,
            plainTicks.latest, plainTicks.longestInterval, LoadAverage().c_str());
        programLatest = std::max(programLatest, programTicks.latest);
        plainLatest = std::max(plainLatest, plainTicks.latest);
        ratios.push_back(Ratio(Percentile(programTimes, 0.99), Percentile(plainTimes, 0.99)));
        allProgram.insert(allProgram.end(), programTimes.begin(), programTimes.end());
        allPlain.insert(allPlain.end(), plainTimes.begin(), plainTimes.end());
    }
    std::printf("%-34s %12s %12s %8s\n", "WM_GETTEXT round trip, all runs", "program", "plain window", "ratio");
    for (const auto& [label, share] :
         {std::pair{"p50, ms", 0.5}, std::pair{"p99, ms", 0.99}, std::pair{"max, ms", 1.0}})
        std::printf("%-34s %12.2f %12.2f %8.2f\n", label, Percentile(allProgram, share), Percentile(allPlain, share),
                    Ratio(Percentile(allProgram, share), Percentile(allPlain, share)));
    std::printf("%-34s %12s %12s %8.2f   (goal <= 1.5)\n", "median of the runs' p99 ratios", "", "", Median(ratios));
    std::printf("%-34s %12.1f %12.1f   (goal <= 50 ms)\n", "latest timer tick, ms late", programLatest, plainLatest);
    std::printf("load average after: %s\n", LoadAverage().c_str());
}

int Argument(int argc, char** argv, int index, int fallback) {
    return argc > index ? std::max(1, std::atoi(argv[index])) : fallback;
}

}  // namespace

int main(int argc, char** argv) {
    const bool paint = argc < 2 || std::strcmp(argv[1], "paint") == 0;
    const bool answer = argc < 2 || std::strcmp(argv[1], "answer") == 0;
    if (!paint && !answer) {
        std::fputs(
            "usage: load_bench.exe [paint [PAIRS] [TURN_MS] | answer [RUNS] [SECONDS] [without-paint|paint-only]]\n",
            stderr);
        return 2;
    }
    if (paint)
        RunPaint(Argument(argc, argv, 2, 20), DWORD(Argument(argc, argv, 3, 2000)));
    if (answer)
        RunAnswers(Argument(argc, argv, 2, 3), DWORD(Argument(argc, argv, 3, 20)) * 1000,
                   argc > 4 ? argv[4] : "every-load");
    return 0;
}
