// The toggles on a real toolbar and a real settings file, and the workers they start, counted as live threads.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

#include "run/RunControl_win.h"
#include "settings/IniStore.h"
#include "stress/RealDiskWorker.h"
#include "stress/StressControl.h"
#include "support/Scratch.h"

namespace {

// A hidden window with a toolbar carrying the four load switches, as the main window has them.
class StressControlTest : public testing::Test {
protected:
    void SetUp() override {
        InitCommonControls();
        window_ = CreateWindowExW(0, L"STATIC", L"", WS_OVERLAPPEDWINDOW, 0, 0, 400, 300, nullptr, nullptr,
                                  GetModuleHandleW(nullptr), nullptr);
        toolbar_ = CreateWindowExW(0, TOOLBARCLASSNAMEW, L"", WS_CHILD | TBSTYLE_LIST, 0, 0, 180, 24, window_, nullptr,
                                   GetModuleHandleW(nullptr), nullptr);
        SendMessageW(toolbar_, TB_BUTTONSTRUCTSIZE, sizeof(TBBUTTON), 0);
        for (int command : {kCommandMaster, kCommandPaint, kCommandCpu, kCommandDisk}) {
            TBBUTTON button = {};
            button.idCommand = command;
            button.fsState = TBSTATE_ENABLED;
            SendMessageW(toolbar_, TB_ADDBUTTONSW, 1, LPARAM(&button));
        }
        SetSwitchToolbar(toolbar_);
        iniPath_ = scratch_.File(L"Kestrovane.ini");
        WriteFileBytes(iniPath_, "");
        wcscpy(IniPath, iniPath_.c_str());
        Stress.masterOn = 0;
        Stress.paintOn = 0;
        Stress.cpuOn = 0;
        Stress.diskOn = 0;
        Stress.memoryOn = 0;
        Stress.processorCount = 2;
    }

    void TearDown() override {
        Stress.masterOn = 0;
        DestroyWindow(window_);
        SetSwitchToolbar(nullptr);
    }

    bool Checked(int command) { return SendMessageW(toolbar_, TB_ISBUTTONCHECKED, command, 0) != 0; }
    std::string IniContent() { return ReadFileBytes(iniPath_); }

    ScratchFolder scratch_;
    std::wstring iniPath_;
    HWND window_ = nullptr;
    HWND toolbar_ = nullptr;
};

}  // namespace

TEST_F(StressControlTest, ALoadToggleWritesThroughAtOnceAndShowsItsState) {
    ToggleCpuLoad(window_);
    EXPECT_EQ(Stress.cpuOn, 1);
    EXPECT_TRUE(Checked(kCommandCpu));
    EXPECT_EQ(IniContent(), "[Program]\r\naggressiv=1\r\n");
    ToggleCpuLoad(window_);
    EXPECT_EQ(Stress.cpuOn, 0);
    EXPECT_FALSE(Checked(kCommandCpu));
    EXPECT_EQ(IniContent(), "[Program]\r\naggressiv=0\r\n");

    ToggleDiskLoad(window_);
    TogglePaintLoad(window_);
    EXPECT_TRUE(Checked(kCommandDisk));
    EXPECT_TRUE(Checked(kCommandPaint));
    EXPECT_EQ(ReadSetting(L"hd", 0), 1);
    EXPECT_EQ(ReadSetting(L"paint", 0), 1);
}

TEST_F(StressControlTest, TheMemorySwitchIsStoredButHasNoButton) {
    ToggleMemoryLoad(window_);
    EXPECT_EQ(Stress.memoryOn, 1);
    EXPECT_EQ(ReadSetting(L"mem", 0), 1);
    EXPECT_EQ(SendMessageW(toolbar_, TB_COMMANDTOINDEX, kCommandMemory, 0), -1);
    EXPECT_EQ(SendMessageW(toolbar_, TB_BUTTONCOUNT, 0, 0), 4);
    ToggleMemoryLoad(window_);
    EXPECT_EQ(Stress.memoryOn, 0);
    EXPECT_EQ(ReadSetting(L"mem", 1), 0);
}

TEST_F(StressControlTest, TheMasterSwitchWithNoLoadSelectedPicksPaintWithoutStoringIt) {
    const int before = CountProcessThreads();
    ToggleMasterSwitch(window_);
    EXPECT_EQ(Stress.masterOn, 1);
    EXPECT_EQ(Stress.paintOn, 1);
    EXPECT_TRUE(Checked(kCommandMaster));
    EXPECT_TRUE(Checked(kCommandPaint));
    EXPECT_EQ(IniContent(), "") << "neither the master switch nor the chosen paint load is stored";
    EXPECT_TRUE(WaitFor([&] { return CountProcessThreads() == before + 1; }, 5000)) << "the paint worker runs";
    ToggleMasterSwitch(window_);
    EXPECT_EQ(Stress.masterOn, 0);
    EXPECT_FALSE(Checked(kCommandMaster));
    EXPECT_EQ(Stress.paintOn, 1) << "the paint load stays selected for the rest of the run";
    EXPECT_TRUE(WaitFor([&] { return CountProcessThreads() == before; }, 10000)) << "and ends after the master";
}

TEST_F(StressControlTest, TogglingWhileTheMasterIsOffStartsNothing) {
    const int before = CountProcessThreads();
    ToggleCpuLoad(window_);
    ToggleMemoryLoad(window_);
    ToggleDiskLoad(window_);
    Sleep(200);
    EXPECT_EQ(CountProcessThreads(), before);
    EXPECT_EQ(Stress.cpuOn, 1);
}

TEST_F(StressControlTest, TheMasterStartsOneProcessorWorkerPerProcessorAndTheyEndAfterIt) {
    const int before = CountProcessThreads();
    Stress.processorCount = 3;
    ToggleCpuLoad(window_);
    ToggleMasterSwitch(window_);
    EXPECT_TRUE(WaitFor([&] { return CountProcessThreads() == before + 3; }, 5000))
        << "threads: " << CountProcessThreads() << ", before: " << before;
    EXPECT_EQ(Stress.paintOn, 0) << "a selected load keeps the paint load unselected";

    ToggleMasterSwitch(window_);
    EXPECT_TRUE(WaitFor([&] { return CountProcessThreads() == before; }, 20000))
        << "each worker ends after its current call";
}

TEST_F(StressControlTest, SwitchingTheProcessorLoadOnUnderTheMasterStartsItsWorkers) {
    const int before = CountProcessThreads();
    Stress.cpuOn = 1;
    Stress.processorCount = 0;  // the master finds the processor load selected but starts no worker
    ToggleMasterSwitch(window_);
    EXPECT_EQ(Stress.paintOn, 0);
    Stress.processorCount = 2;
    ToggleCpuLoad(window_);
    EXPECT_EQ(CountProcessThreads(), before) << "switching a load off starts nothing";
    ToggleCpuLoad(window_);
    EXPECT_TRUE(WaitFor([&] { return CountProcessThreads() == before + 2; }, 5000));
    ToggleCpuLoad(window_);
    EXPECT_TRUE(WaitFor([&] { return CountProcessThreads() == before; }, 20000));
    EXPECT_EQ(Stress.masterOn, 1);
}

TEST_F(StressControlTest, ARunLastsFromMasterOnToOffAndEndsPassedOrIncomplete) {
    InstallRunHooks();
    const int before = CountProcessThreads();
    Stress.processorCount = 1;
    ToggleCpuLoad(window_);
    ToggleMemoryLoad(window_);
    ToggleDiskLoad(window_);
    ToggleMasterSwitch(window_);
    EXPECT_EQ(CurrentRun.active.load(), 1);
    EXPECT_EQ(CurrentRun.selectedLoads, 1 << 1 | 1 << 2 | 1 << 3);
    for (LoadType load : {LoadType::Cpu, LoadType::Disk, LoadType::Memory})
        EXPECT_TRUE(WaitFor([&] { return CurrentRun.loadRan[int(load)].load() == 1; }, 30000)) << int(load);
    Sleep(2000);
    ToggleMasterSwitch(window_);
    EXPECT_EQ(CurrentRun.active.load(), 0);
    EXPECT_EQ(CurrentRun.errorCount.load(), 0) << CurrentRun.errors[0].detail;
    EXPECT_EQ(RunVerdict(CurrentRun), Verdict::Passed);
    EXPECT_TRUE(WaitFor([&] { return CountProcessThreads() == before; }, 20000));

    // A disk load whose folder cannot be written does not run at all: the run is incomplete, not passed.
    wchar_t savedTmp[MAX_PATH] = {};
    GetEnvironmentVariableW(L"TMP", savedTmp, MAX_PATH);
    SetEnvironmentVariableW(L"TMP", L"C:\\no such folder\\");
    ToggleCpuLoad(window_);
    ToggleMemoryLoad(window_);
    ToggleMasterSwitch(window_);
    EXPECT_TRUE(WaitFor([] { return CurrentRun.loadCouldNotRun[int(LoadType::Disk)].load() == 1; }, 10000));
    ToggleMasterSwitch(window_);
    SetEnvironmentVariableW(L"TMP", savedTmp[0] ? savedTmp : nullptr);
    EXPECT_EQ(RunVerdict(CurrentRun), Verdict::Incomplete);
}

// The disk load chosen during a run starts with the next run: the run's record, its status part and its report
// describe the load that runs.
TEST_F(StressControlTest, ARunKeepsTheDiskLoadItBeganWith) {
    InstallRunHooks();
    const std::wstring folder = scratch_.File(L"disk");
    ASSERT_TRUE(CreateDirectoryW(folder.c_str(), nullptr));
    SetDiskFolder(folder, false);
    SetDiskLoadMode(DiskLoadMode::Cache, false);
    auto realDiskFileThere = [&] {
        WIN32_FIND_DATAW found;
        HANDLE search = FindFirstFileW((folder + L"\\kestrovane-disk-*.tmp").c_str(), &found);
        if (search == INVALID_HANDLE_VALUE)
            return false;
        FindClose(search);
        return true;
    };
    ToggleDiskLoad(window_);
    ToggleMasterSwitch(window_);
    SetDiskLoadMode(DiskLoadMode::Real, false);
    ToggleDiskLoad(window_);
    ToggleDiskLoad(window_);
    EXPECT_FALSE(WaitFor(realDiskFileThere, 2000)) << "the disk load changed within the run";
    EXPECT_EQ(CurrentRun.settings.realDisk.load(), 0);
    ToggleMasterSwitch(window_);

    ToggleMasterSwitch(window_);
    EXPECT_EQ(CurrentRun.settings.realDisk.load(), 1);
    EXPECT_TRUE(WaitFor(realDiskFileThere, 20000)) << "the next run has the real-disk load";
    ToggleMasterSwitch(window_);
    EXPECT_TRUE(WaitFor([&] { return !realDiskFileThere(); }, 20000));
    SetDiskLoadMode(DiskLoadMode::Cache, false);
    SetDiskFolder(L"", false);
}
