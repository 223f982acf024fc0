// The real kestrovane.exe driven from outside: what its window shows, what its buttons and keys do, what lands
// in its settings file, how it ends, and that it keeps answering while every load runs.
#include <gtest/gtest.h>

#include <windows.h>
#include <tlhelp32.h>

#include <algorithm>
#include <cstdlib>
#include <set>
#include <string>

#include "e2e/E2eSupport.h"
#include "support/Scratch.h"

namespace {

constexpr int kExit = 105;
constexpr int kUnhandled = 106;
constexpr int kCpu = 107;
constexpr int kPaint = 108;
constexpr int kMaster = 109;
constexpr int kDisk = 110;
constexpr int kMemory = 111;
constexpr int kTaskManager = 121;
constexpr int kDivider = 130;
constexpr int kLanguage = 131;
constexpr int kDonate = 12323;
constexpr int kFaq = 12324;

int Processors() {
    SYSTEM_INFO system;
    GetSystemInfo(&system);
    return int(system.dwNumberOfProcessors);
}

std::wstring ExpectedTitle() {
    return L"Kestrovane 4.91 // Processors:" + std::to_wstring(Processors());
}

std::wstring ExpectedStatusLine(const wchar_t* master, const wchar_t* cpu, const wchar_t* disk) {
    return std::wstring(L"Stress:") + master + L" // Paint-Loops = Sek 0.0 = 0 MB // CPU-Stress:" + cpu +
           L" // HD-Stress:" + disk + L" // MEGA-ADD = Sek:0.0 // CPU-s:" + std::to_wstring(Processors());
}

// The status line is ASCII; this makes it printable in a failure message.
std::string Narrow(const std::wstring& text) {
    std::string narrow;
    for (wchar_t unit : text)
        narrow += unit < 128 ? char(unit) : '?';
    return narrow;
}

// The MEGA-ADD figure of a status line; -1 when the line has none.
double MegaAddOf(const std::wstring& line) {
    const size_t at = line.find(L"MEGA-ADD = Sek:");
    if (at == std::wstring::npos)
        return -1;
    return wcstod(line.c_str() + at + 15, nullptr);
}

class ProgramTest : public testing::Test {
protected:
    void TearDown() override { StopProgram(program_); }

    void Start(const std::string& iniText) {
        std::string error;
        ASSERT_TRUE(StartProgram(program_, scratch_.path(), iniText, &error)) << error;
    }

    std::wstring Text(HWND window) {
        std::wstring text;
        EXPECT_TRUE(ReadWindowText(window, &text)) << "the window did not answer WM_GETTEXT";
        return text;
    }

    // Waits until the window's text satisfies the condition; returns the text last read.
    template <typename Condition>
    std::wstring WaitForText(HWND window, Condition condition, DWORD timeout = 5000) {
        std::wstring text;
        WaitFor([&] { return ReadWindowText(window, &text) && condition(text); }, timeout);
        return text;
    }

    std::wstring WaitForStatusLine(const std::wstring& expected) {
        return WaitForText(program_.statusBar, [&](const std::wstring& text) { return text == expected; });
    }

    std::wstring Caption(HWND toolbar, int command) {
        std::wstring text;
        EXPECT_TRUE(ToolbarButtonText(program_, toolbar, command, &text)) << "no caption for command " << command;
        return text;
    }

    bool WaitForIni(const std::string& expected) {
        return WaitFor([&] { return ReadIniFile(program_) == expected; }, 5000);
    }

    bool WaitForChecked(int command, bool checked) {
        return WaitFor([&] { return ToolbarButtonChecked(program_.stressToolbar, command) == checked; }, 5000);
    }

    void Click(HWND toolbar, int command) {
        ASSERT_TRUE(ClickToolbarButton(program_, toolbar, command)) << "cannot find the button of " << command;
    }

    void ExpectExitCodeZero(const char* how) {
        DWORD exitCode = 99;
        ASSERT_TRUE(WaitForExit(program_, 10000, &exitCode)) << "the program did not end after " << how;
        EXPECT_EQ(exitCode, 0u) << how;
    }

    ScratchFolder scratch_;
    Program program_;
};

TEST_F(ProgramTest, OpensMaximisedWithTitleToolbarsAndStatusLine) {
    Start("[Program]\r\nlng=1\r\n");
    EXPECT_TRUE(IsZoomed(program_.mainWindow));
    EXPECT_EQ(GetMenu(program_.mainWindow), nullptr);
    EXPECT_NE(program_.rebar, nullptr) << "no rebar with id 11111";
    EXPECT_EQ(GetParent(program_.stressToolbar), program_.rebar);
    EXPECT_EQ(GetParent(program_.commandToolbar), program_.rebar);
    EXPECT_EQ(Text(program_.mainWindow), ExpectedTitle());
    EXPECT_EQ(WaitForStatusLine(ExpectedStatusLine(L"OFF", L"ON", L"OFF")), ExpectedStatusLine(L"OFF", L"ON", L"OFF"));

    const struct {
        HWND toolbar;
        int command;
        const wchar_t* caption;
    } buttons[] = {
        {program_.stressToolbar, kMaster, L"# Kestrovane >>"},
        {program_.stressToolbar, kPaint, L"// Paint-Stress"},
        {program_.stressToolbar, kDivider, L"#"},
        {program_.stressToolbar, kCpu, L"// Aggressiv CPU-Stress"},
        {program_.stressToolbar, kDisk, L"// HD-Stress"},
        {program_.commandToolbar, kDonate, L"# Donate"},
        {program_.commandToolbar, kFaq, L"# FAQ"},
        {program_.commandToolbar, kLanguage, L"# LNG"},
        {program_.commandToolbar, kTaskManager, L"# Task-Manager"},
        {program_.commandToolbar, kExit, L"[x] Exit"},
    };
    ASSERT_EQ(ToolbarButtonCount(program_.stressToolbar), 5);
    ASSERT_EQ(ToolbarButtonCount(program_.commandToolbar), 5);
    for (int i = 0; i < 10; ++i) {
        const auto& button = buttons[i];
        EXPECT_EQ(ToolbarCommandAt(program_, button.toolbar, i % 5), button.command) << "button " << i;
        EXPECT_EQ(Caption(button.toolbar, button.command), button.caption);
    }
    // Without stored switches only the processor load is selected.
    EXPECT_TRUE(ToolbarButtonChecked(program_.stressToolbar, kCpu));
    for (int command : {kMaster, kPaint, kDisk})
        EXPECT_FALSE(ToolbarButtonChecked(program_.stressToolbar, command)) << command;
}

// The caption shows the class's small icon: the gauge on its dark blue tile (RGB 1D 2B 53, opaque inside).
TEST_F(ProgramTest, TheTitleBarShowsTheProgramsIcon) {
    Start("[Program]\r\nlng=1\r\n");
    RECT frame;
    GetWindowRect(program_.mainWindow, &frame);
    const RECT client = ClientScreenRect(program_.mainWindow);
    int tilePixels = 0;
    for (int y = std::max<int>(frame.top, 0); y < client.top; ++y) {
        for (int x = std::max<int>(frame.left, 0); x < frame.left + 40; ++x)
            tilePixels += ScreenPixel(POINT{x, y}) == RGB(0x1D, 0x2B, 0x53);
    }
    EXPECT_GE(tilePixels, 10) << "no pixel of the icon's tile in the caption's left end";
}

TEST_F(ProgramTest, ShowsTheStoredLanguageAndTheStoredSwitches) {
    Start("[Program]\r\nlng=0\r\naggressiv=0\r\nhd=1\r\npaint=1\r\n");
    EXPECT_EQ(Caption(program_.stressToolbar, kCpu), L"// Aggressiver CPU-Stress");
    EXPECT_EQ(Caption(program_.commandToolbar, kDonate), L"# Spenden");
    EXPECT_EQ(Caption(program_.commandToolbar, kExit), L"[x] Beenden");
    EXPECT_EQ(Caption(program_.commandToolbar, kLanguage), L"# LNG");
    EXPECT_FALSE(ToolbarButtonChecked(program_.stressToolbar, kCpu));
    EXPECT_TRUE(ToolbarButtonChecked(program_.stressToolbar, kDisk));
    EXPECT_TRUE(ToolbarButtonChecked(program_.stressToolbar, kPaint));
    // The status line is not translated.
    EXPECT_EQ(WaitForStatusLine(ExpectedStatusLine(L"OFF", L"OFF", L"ON")), ExpectedStatusLine(L"OFF", L"OFF", L"ON"));
}

TEST_F(ProgramTest, ClickedSwitchesShowTheirStateAndAreStoredAtOnce) {
    Start("[Program]\r\nlng=1\r\n");
    Click(program_.stressToolbar, kCpu);
    EXPECT_TRUE(WaitForChecked(kCpu, false));
    EXPECT_TRUE(WaitForIni("[Program]\r\nlng=1\r\naggressiv=0\r\n")) << ReadIniFile(program_);
    EXPECT_EQ(WaitForStatusLine(ExpectedStatusLine(L"OFF", L"OFF", L"OFF")),
              ExpectedStatusLine(L"OFF", L"OFF", L"OFF"));

    Click(program_.stressToolbar, kCpu);
    EXPECT_TRUE(WaitForChecked(kCpu, true));
    Click(program_.stressToolbar, kPaint);
    EXPECT_TRUE(WaitForChecked(kPaint, true));
    Click(program_.stressToolbar, kDisk);
    EXPECT_TRUE(WaitForChecked(kDisk, true));
    EXPECT_TRUE(WaitForIni("[Program]\r\nlng=1\r\naggressiv=1\r\npaint=1\r\nhd=1\r\n")) << ReadIniFile(program_);
    EXPECT_EQ(WaitForStatusLine(ExpectedStatusLine(L"OFF", L"ON", L"ON")), ExpectedStatusLine(L"OFF", L"ON", L"ON"));

    Click(program_.stressToolbar, kDisk);
    EXPECT_TRUE(WaitForChecked(kDisk, false));
    // The memory load has no button; another window can still send its command.
    SendToolbarCommand(program_, program_.stressToolbar, kMemory);
    EXPECT_TRUE(WaitForIni("[Program]\r\nlng=1\r\naggressiv=1\r\npaint=1\r\nhd=0\r\nmem=1\r\n"))
        << ReadIniFile(program_);
    EXPECT_TRUE(ToolbarButtonChecked(program_.stressToolbar, kCpu));
    EXPECT_TRUE(ToolbarButtonChecked(program_.stressToolbar, kPaint));
    EXPECT_FALSE(ToolbarButtonChecked(program_.stressToolbar, kMaster));
}

TEST_F(ProgramTest, TheMasterSwitchWithNothingSelectedRunsPaintWithoutStoringIt) {
    const std::string ini = "[Program]\r\nlng=1\r\naggressiv=0\r\n";
    Start(ini);
    Click(program_.stressToolbar, kMaster);
    EXPECT_TRUE(WaitForChecked(kMaster, true));
    EXPECT_TRUE(ToolbarButtonChecked(program_.stressToolbar, kPaint));
    EXPECT_EQ(
        WaitForText(program_.statusBar, [](const std::wstring& text) { return text.rfind(L"Stress:ON //", 0) == 0; })
            .substr(0, 12),
        L"Stress:ON //");
    Click(program_.stressToolbar, kMaster);
    EXPECT_TRUE(WaitForChecked(kMaster, false));
    EXPECT_TRUE(ToolbarButtonChecked(program_.stressToolbar, kPaint)) << "paint stays selected for this run";
    EXPECT_EQ(
        WaitForText(program_.statusBar, [](const std::wstring& text) { return text.rfind(L"Stress:OFF //", 0) == 0; })
            .substr(0, 13),
        L"Stress:OFF //");
    EXPECT_EQ(ReadIniFile(program_), ini) << "neither the master switch nor the chosen paint load is stored";
}

TEST_F(ProgramTest, TheLanguageKeysStoreTheLanguageAndEscEndsTheProgram) {
    Start("[Program]\r\nlng=1\r\n");
    PressKey(program_.mainWindow, 'D');
    EXPECT_TRUE(WaitForIni("[Program]\r\nlng=0\r\n")) << ReadIniFile(program_);
    // The keys change the language of the view only; the captions wait for the next relabelling.
    EXPECT_EQ(Caption(program_.commandToolbar, kExit), L"[x] Exit");
    PressKey(program_.mainWindow, 'E');
    EXPECT_TRUE(WaitForIni("[Program]\r\nlng=1\r\n")) << ReadIniFile(program_);
    // Any other key only blanks the view: nothing is stored and the program goes on.
    PressKey(program_.mainWindow, 'A');
    EXPECT_EQ(Text(program_.mainWindow), ExpectedTitle());
    EXPECT_EQ(ReadIniFile(program_), "[Program]\r\nlng=1\r\n");
    PressKey(program_.mainWindow, VK_ESCAPE);
    ExpectExitCodeZero("Esc");
}

TEST_F(ProgramTest, TheExitButtonEndsTheProgramWithExitCodeZero) {
    Start("[Program]\r\nlng=1\r\n");
    Click(program_.commandToolbar, kExit);
    ExpectExitCodeZero("a click on Exit");
}

TEST_F(ProgramTest, ClosingTheWindowEndsTheProgramWithExitCodeZero) {
    Start("[Program]\r\nlng=1\r\n");
    PostMessageW(program_.mainWindow, WM_SYSCOMMAND, SC_CLOSE, 0);
    ExpectExitCodeZero("closing the window");
}

TEST_F(ProgramTest, ALayoutFollowsEveryResizeWithTheCommandToolbarFlushRight) {
    Start("[Program]\r\nlng=1\r\n");
    ShowWindow(program_.mainWindow, SW_RESTORE);
    for (int width : {700, 250}) {
        SetWindowPos(program_.mainWindow, nullptr, 0, 0, width, 400, SWP_NOZORDER | SWP_NOMOVE);
        RECT client = {};
        ASSERT_TRUE(WaitFor(
            [&] {
                GetClientRect(program_.mainWindow, &client);
                return client.bottom < 400 && RectInParent(program_.statusBar).bottom == client.bottom;
            },
            5000))
            << "no layout after resizing to width " << width;
        const RECT stress = RectInParent(program_.stressToolbar);
        const RECT command = RectInParent(program_.commandToolbar);
        const RECT status = RectInParent(program_.statusBar);
        const RECT rebar = RectInParent(program_.rebar);
        EXPECT_EQ(rebar.left, 0);
        EXPECT_EQ(rebar.right - rebar.left, client.right);
        EXPECT_EQ(stress.left, 0);
        EXPECT_EQ(stress.bottom - stress.top, 24);
        EXPECT_EQ(status.left, 0);
        EXPECT_EQ(status.right, client.right);
        EXPECT_EQ(status.top, client.bottom - 24);

        RECT first, last;
        ASSERT_TRUE(ToolbarButtonScreenRect(program_, program_.commandToolbar, kDonate, &first));
        ASSERT_TRUE(ToolbarButtonScreenRect(program_, program_.commandToolbar, kExit, &last));
        const int span = last.right - first.left;
        EXPECT_EQ(command.left, client.right - span) << "width " << width;
        EXPECT_EQ(command.right - command.left, client.right);
        if (width < span) {
            EXPECT_LT(command.left, 0);
        } else {
            // Flush right: the Exit button ends where the client area ends.
            RECT commandOnScreen;
            GetWindowRect(program_.commandToolbar, &commandOnScreen);
            EXPECT_EQ(last.right - (first.left - commandOnScreen.left), ClientScreenRect(program_.mainWindow).right);
        }
        // Placed last, the command toolbar lies above the stress toolbar.
        HWND above = program_.stressToolbar;
        while (above && above != program_.commandToolbar)
            above = GetWindow(above, GW_HWNDPREV);
        EXPECT_EQ(above, program_.commandToolbar);
    }
}

TEST_F(ProgramTest, UnhandledCommandsAndTheDividerDoNothing) {
    const std::string ini = "[Program]\r\nlng=1\r\n";
    Start(ini);
    const std::wstring line = WaitForStatusLine(ExpectedStatusLine(L"OFF", L"ON", L"OFF"));
    SendToolbarCommand(program_, program_.stressToolbar, kUnhandled);
    SendToolbarCommand(program_, program_.stressToolbar, kDivider);
    Click(program_.stressToolbar, kDivider);
    Sleep(1500);
    DWORD exitCode = 0;
    EXPECT_FALSE(WaitForExit(program_, 0, &exitCode)) << "the program ended with exit code " << exitCode;
    EXPECT_EQ(Text(program_.statusBar), line);
    EXPECT_EQ(Text(program_.mainWindow), ExpectedTitle());
    EXPECT_EQ(ReadIniFile(program_), ini);
    EXPECT_TRUE(ToolbarButtonChecked(program_.stressToolbar, kCpu));
    for (int command : {kMaster, kPaint, kDisk})
        EXPECT_FALSE(ToolbarButtonChecked(program_.stressToolbar, command)) << command;
}

// The task manager is a child of the program; the test ends it by its id.
DWORD FindChildProcess(DWORD parentId, const wchar_t* name) {
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    DWORD found = 0;
    PROCESSENTRY32W entry = {};
    entry.dwSize = sizeof(entry);
    for (BOOL more = Process32FirstW(snapshot, &entry); more && !found; more = Process32NextW(snapshot, &entry)) {
        if (entry.th32ParentProcessID == parentId && lstrcmpiW(entry.szExeFile, name) == 0)
            found = entry.th32ProcessID;
    }
    CloseHandle(snapshot);
    return found;
}

TEST_F(ProgramTest, TheTaskManagerButtonStartsTheTaskManager) {
    Start("[Program]\r\nlng=1\r\n");
    Click(program_.commandToolbar, kTaskManager);
    DWORD taskManager = 0;
    EXPECT_TRUE(WaitFor(
        [&] { return (taskManager = FindChildProcess(program_.process.dwProcessId, L"taskmgr.exe")) != 0; }, 10000));
    if (taskManager) {
        HANDLE process = OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, taskManager);
        TerminateProcess(process, 0);
        WaitForSingleObject(process, 5000);
        CloseHandle(process);
    }
    EXPECT_EQ(Text(program_.mainWindow), ExpectedTitle());
}

// Thirty seconds with every load on: the window answers every message at once, the title is written back
// every second, and the status line shows the loads and the measured rate.
TEST_F(ProgramTest, KeepsAnsweringWhileEveryLoadRuns) {
    Start("[Program]\r\nlng=1\r\npaint=1\r\nmem=1\r\naggressiv=1\r\nhd=1\r\n");
    const int idleThreads = CountProcessThreads(program_.process.dwProcessId);
    Click(program_.stressToolbar, kMaster);
    ASSERT_TRUE(WaitForChecked(kMaster, true));
    EXPECT_TRUE(WaitFor(
        [&] { return CountProcessThreads(program_.process.dwProcessId) >= idleThreads + 2 * Processors(); }, 5000))
        << "fewer workers than one processor and one memory worker per processor";

    std::set<std::wstring> lines;
    double bestMegaAdd = 0;
    const ULONGLONG end = GetTickCount64() + 30000;
    while (GetTickCount64() < end) {
        ASSERT_TRUE(WriteWindowText(program_.mainWindow, L"probe")) << "the window did not answer WM_SETTEXT";
        const ULONGLONG probed = GetTickCount64();
        std::wstring title;
        bool answered = true;
        const bool restored = WaitFor(
            [&] {
                answered = ReadWindowText(program_.mainWindow, &title, 2000);
                return !answered || title == ExpectedTitle();
            },
            2500);
        ASSERT_TRUE(answered) << "the window did not answer WM_GETTEXT within 2 s";
        ASSERT_TRUE(restored && title == ExpectedTitle())
            << "no timer tick rewrote the title within 2.5 s, " << (probed + 30000 - end) / 1000 << " s into the run";
        std::wstring line;
        ASSERT_TRUE(ReadWindowText(program_.statusBar, &line)) << "the status bar did not answer";
        lines.insert(line);
        bestMegaAdd = std::max(bestMegaAdd, MegaAddOf(line));
        EXPECT_EQ(line.rfind(L"Stress:ON //", 0), 0u) << Narrow(line);
        EXPECT_NE(line.find(L"// CPU-Stress:ON // HD-Stress:ON //"), std::wstring::npos) << Narrow(line);
        // One probe per second at most, so that every probe needs a tick of its own.
        const ULONGLONG next = probed + 1000;
        while (GetTickCount64() < next)
            Sleep(10);
    }
    EXPECT_GT(bestMegaAdd, 0.0) << "the processor load never published a rate";
    EXPECT_GE(lines.size(), 2u) << "the status line never changed while the loads ran";

    Click(program_.stressToolbar, kMaster);
    EXPECT_TRUE(WaitForChecked(kMaster, false));
    EXPECT_TRUE(WaitFor([&] { return CountProcessThreads(program_.process.dwProcessId) <= idleThreads; }, 15000))
        << "the workers did not end after the master switch went off";
    PressKey(program_.mainWindow, VK_ESCAPE);
    ExpectExitCodeZero("Esc after a run under full load");
}

}  // namespace
