// The options in the real program's system menu, driven from outside: choosing "Memory-Stress" switches the
// memory load, which the settings file and the memory workers' threads show, and "Check the error detection…"
// shows the detectors' self-test. The menu's items cannot be read
// from another process under Wine: the choice arrives as the system command the menu sends, or through the
// keyboard in the opened menu.
#include <gtest/gtest.h>

#include <windows.h>

#include <string>

#include "e2e/E2eSupport.h"
#include "run/OptionsMenu.h"
#include "stress/StressState.h"
#include "support/Scratch.h"

namespace {

int Processors() {
    SYSTEM_INFO system;
    GetSystemInfo(&system);
    return int(system.dwNumberOfProcessors);
}

// Alt+Space, as a user opens the window menu: both keys down, then both up.
void PressAltSpace(HWND window) {
    SetForegroundWindow(window);
    WaitFor([&] { return GetForegroundWindow() == window; }, 2000);
    INPUT keys[4] = {};
    const WORD codes[4] = {VK_MENU, VK_SPACE, VK_SPACE, VK_MENU};
    for (int i = 0; i < 4; ++i) {
        keys[i].type = INPUT_KEYBOARD;
        keys[i].ki.wVk = codes[i];
        keys[i].ki.dwFlags = i < 2 ? 0 : KEYEVENTF_KEYUP;
    }
    SendInput(4, keys, sizeof(INPUT));
}

class OptionsMenuE2e : public testing::Test {
protected:
    void TearDown() override { StopProgram(program_); }

    ScratchFolder scratch_;
    Program program_;
};

}  // namespace

TEST_F(OptionsMenuE2e, MemoryStressSwitchesTheMemoryLoadAndStoresIt) {
    std::string error;
    ASSERT_TRUE(StartProgram(program_, scratch_.path(), "[Program]\r\naggressiv=0\r\n", &error)) << error;
    const unsigned memoryItem = OptionMenuIdForCommand(OptionRows(), kCommandMemory);
    ASSERT_NE(memoryItem, 0u);
    const DWORD processId = program_.process.dwProcessId;
    const int idleThreads = CountProcessThreads(processId);

    PostMessageW(program_.mainWindow, WM_SYSCOMMAND, memoryItem, 0);
    EXPECT_TRUE(WaitFor([&] { return ReadIniFile(program_) == "[Program]\r\naggressiv=0\r\nmem=1\r\n"; }, 5000))
        << ReadIniFile(program_);

    // With the memory load selected the master switch runs it, one worker per processor, and nothing else.
    SendToolbarCommand(program_, program_.stressToolbar, kCommandMaster);
    EXPECT_TRUE(WaitFor([&] { return CountProcessThreads(processId) == idleThreads + Processors(); }, 5000))
        << CountProcessThreads(processId) << " threads";
    EXPECT_FALSE(ToolbarButtonChecked(program_.stressToolbar, kCommandPaint)) << "a load was selected";

    PostMessageW(program_.mainWindow, WM_SYSCOMMAND, memoryItem, 0);
    EXPECT_TRUE(WaitFor([&] { return ReadIniFile(program_) == "[Program]\r\naggressiv=0\r\nmem=0\r\n"; }, 5000))
        << ReadIniFile(program_);
    EXPECT_TRUE(WaitFor([&] { return CountProcessThreads(processId) == idleThreads; }, 15000))
        << "the memory workers end with their switch";
}

TEST_F(OptionsMenuE2e, MemoryStressIsChosenInTheWindowMenuWithTheKeyboard) {
    std::string error;
    ASSERT_TRUE(StartProgram(program_, scratch_.path(), "[Program]\r\nmem=1\r\n", &error)) << error;
    PressAltSpace(program_.mainWindow);
    EXPECT_TRUE(WaitFor([&] { return FindTopLevelWindow(program_.process.dwProcessId, L"#32768") != nullptr; }, 5000))
        << "the window menu did not open";
    // Up from the first item wraps to the last one; Memory-Stress is the first of the options, which end the menu.
    for (size_t row = 0; row < OptionRows().size(); ++row)
        PressKey(program_.mainWindow, VK_UP, 50);
    PressKey(program_.mainWindow, VK_RETURN, 50);
    EXPECT_TRUE(WaitFor([&] { return ReadIniFile(program_) == "[Program]\r\nmem=0\r\n"; }, 5000))
        << ReadIniFile(program_);
}

TEST_F(OptionsMenuE2e, CheckTheErrorDetectionBeforeTheDiskLoadSubmenuShowsEveryDetectorCaught) {
    std::string error;
    ASSERT_TRUE(StartProgram(program_, scratch_.path(), "[Program]\r\n", &error)) << error;
    PressAltSpace(program_.mainWindow);
    EXPECT_TRUE(WaitFor([&] { return FindTopLevelWindow(program_.process.dwProcessId, L"#32768") != nullptr; }, 5000))
        << "the window menu did not open";
    // Up from the first item wraps to the last one, the Disk load submenu; the check is the item above it.
    PressKey(program_.mainWindow, VK_UP, 50);
    PressKey(program_.mainWindow, VK_UP, 50);
    PressKey(program_.mainWindow, VK_RETURN, 50);
    HWND box = nullptr;
    EXPECT_TRUE(WaitFor(
        [&] {
            return (box = FindTopLevelWindow(program_.process.dwProcessId, L"#32770", L"Error detection check")) !=
                   nullptr;
        },
        20000))
        << "no result of the detectors' check";
    const std::wstring text = box ? MessageBoxText(box) : std::wstring();
    EXPECT_EQ(text.rfind(L"Error detection check\nprocessor load: a wrong sum: caught (", 0), 0u);
    EXPECT_NE(text.find(L"\nmemory load: a flipped bit: caught ("), std::wstring::npos);
    EXPECT_NE(text.find(L"\nhardware error log: a recorded WHEA event: caught ("), std::wstring::npos);
    EXPECT_NE(text.find(L"\nEvery detector caught its fault."), std::wstring::npos);
}
