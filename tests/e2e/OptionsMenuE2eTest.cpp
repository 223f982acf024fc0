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
#include "run/RunOptions.h"
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

// Up presses that reach the top-level row sending `command` (a submenu: showing text `textIndex`) from a freshly
// opened window menu: the first press wraps to the last item, and keys skip separators.
int UpPressesTo(int command, int textIndex = 0) {
    const auto rows = OptionRows();
    int presses = 0;
    for (size_t i = rows.size(); i-- > 0;) {
        if (rows[i].kind != OptionKind::Separator)
            ++presses;
        if (command != 0 ? rows[i].command == command : rows[i].textIndex == textIndex)
            return presses;
    }
    return -1;
}

// The Disk load submenu's caption.
constexpr int kDiskLoadText = 215;

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

    // With the memory load selected the master switch runs it, one worker per processor, and nothing else but the
    // run's log thread.
    SendToolbarCommand(program_, program_.stressToolbar, kCommandMaster);
    EXPECT_TRUE(WaitFor([&] { return CountProcessThreads(processId) == idleThreads + Processors() + 1; }, 5000))
        << CountProcessThreads(processId) << " threads";
    EXPECT_FALSE(ToolbarButtonChecked(program_.stressToolbar, kCommandPaint)) << "a load was selected";

    PostMessageW(program_.mainWindow, WM_SYSCOMMAND, memoryItem, 0);
    EXPECT_TRUE(WaitFor([&] { return ReadIniFile(program_) == "[Program]\r\naggressiv=0\r\nmem=0\r\n"; }, 5000))
        << ReadIniFile(program_);
    EXPECT_TRUE(WaitFor([&] { return CountProcessThreads(processId) == idleThreads + 1; }, 15000))
        << "the memory workers end with their switch; the run and its log go on";
    SendToolbarCommand(program_, program_.stressToolbar, kCommandMaster);
    EXPECT_TRUE(WaitFor([&] { return CountProcessThreads(processId) == idleThreads; }, 15000))
        << "the log thread ends once the run's report is written";
}

TEST_F(OptionsMenuE2e, MemoryStressIsReachedByKeysFromTheEndOfTheWindowMenu) {
    std::string error;
    ASSERT_TRUE(StartProgram(program_, scratch_.path(), "[Program]\r\nmem=1\r\n", &error)) << error;
    PressAltSpace(program_.mainWindow);
    EXPECT_TRUE(WaitFor([&] { return FindTopLevelWindow(program_.process.dwProcessId, L"#32768") != nullptr; }, 5000))
        << "the window menu did not open";
    const int presses = UpPressesTo(kCommandMemory);
    ASSERT_GT(presses, 0) << "no row switches the memory load";
    for (int press = 0; press < presses; ++press)
        PressKey(program_.mainWindow, VK_UP, 50);
    PressKey(program_.mainWindow, VK_RETURN, 50);
    EXPECT_TRUE(WaitFor([&] { return ReadIniFile(program_) == "[Program]\r\nmem=0\r\n"; }, 5000))
        << ReadIniFile(program_);
}

TEST_F(OptionsMenuE2e, CheckTheErrorDetectionIsReachedByKeysAndShowsEveryDetectorCaught) {
    std::string error;
    ASSERT_TRUE(StartProgram(program_, scratch_.path(), "[Program]\r\n", &error)) << error;
    PressAltSpace(program_.mainWindow);
    EXPECT_TRUE(WaitFor([&] { return FindTopLevelWindow(program_.process.dwProcessId, L"#32768") != nullptr; }, 5000))
        << "the window menu did not open";
    const int presses = UpPressesTo(kCommandCheckErrorDetection);
    ASSERT_GT(presses, 0) << "no row checks the error detection";
    for (int press = 0; press < presses; ++press)
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
    EXPECT_NE(text.find(L"\nprocessor load (floating point): a wrong result: caught ("), std::wstring::npos);
    EXPECT_NE(text.find(L"\nEvery detector caught its fault."), std::wstring::npos);
}

// The Disk load submenu with the keyboard, as a user opens it: "Real disk (verified)" is stored as disk_mode=1, and
// "Choose the folder…" opens the folder dialog, whose choice is stored as disk_folder.
TEST_F(OptionsMenuE2e, TheDiskLoadSubmenuChoosesTheRealDiskLoadAndItsFolder) {
    const std::wstring folder = scratch_.File(L"disk folder");
    ASSERT_TRUE(CreateDirectoryW(folder.c_str(), nullptr));
    std::string error;
    const std::wstring programFolder = scratch_.File(L"program");
    ASSERT_TRUE(CreateDirectoryW(programFolder.c_str(), nullptr));
    ASSERT_TRUE(StartProgram(program_, programFolder, "[Program]\r\n", &error)) << error;
    auto openDiskLoadSubmenu = [&] {
        PressAltSpace(program_.mainWindow);
        EXPECT_TRUE(
            WaitFor([&] { return FindTopLevelWindow(program_.process.dwProcessId, L"#32768") != nullptr; }, 5000))
            << "the window menu did not open";
        // Enter opens the submenu on its first item.
        const int presses = UpPressesTo(0, kDiskLoadText);
        ASSERT_GT(presses, 0) << "no Disk load submenu";
        for (int press = 0; press < presses; ++press)
            PressKey(program_.mainWindow, VK_UP, 50);
        PressKey(program_.mainWindow, VK_RETURN, 50);
    };
    openDiskLoadSubmenu();
    PressKey(program_.mainWindow, VK_DOWN, 50);
    PressKey(program_.mainWindow, VK_RETURN, 50);
    EXPECT_TRUE(WaitFor([&] { return ReadIniFile(program_) == "[Program]\r\ndisk_mode=1\r\n"; }, 5000))
        << ReadIniFile(program_);

    openDiskLoadSubmenu();
    // Up wraps to the submenu's last item; the separator is passed over.
    PressKey(program_.mainWindow, VK_UP, 50);
    PressKey(program_.mainWindow, VK_RETURN, 50);
    HWND dialog = WaitForProgramWindow(program_, L"#32770", L"Choose the folder for the real disk load");
    ASSERT_NE(dialog, nullptr) << "no folder dialog";
    // The dialog's name box: an Edit of its own (the folder dialog), or the one inside the ComboBoxEx32 with id 1148
    // (the open-file dialog).
    HWND edit = FindWindowExW(dialog, nullptr, L"Edit", nullptr);
    if (!edit)
        edit = FindWindowExW(GetDlgItem(dialog, 1148), nullptr, L"Edit", nullptr);
    ASSERT_NE(edit, nullptr) << "no name box";
    EXPECT_TRUE(WriteWindowText(edit, folder));
    PressKey(dialog, VK_RETURN, 50);
    const std::string stored =
        "[Program]\r\ndisk_mode=1\r\ndisk_folder=" + std::string(folder.begin(), folder.end()) + "\r\n";
    EXPECT_TRUE(WaitFor([&] { return ReadIniFile(program_) == stored; }, 5000)) << ReadIniFile(program_);
    EXPECT_TRUE(WaitFor([&] { return !IsWindow(dialog); }, 5000)) << "the dialog stayed open";
}
