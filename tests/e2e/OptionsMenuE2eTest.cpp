// The options in the real program's system menu, driven from outside: choosing "Memory-Stress" switches the
// memory load, which the settings file and the memory workers' threads show. The menu itself cannot be read
// from another process under Wine, so the choice arrives as the system command the menu sends.
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
