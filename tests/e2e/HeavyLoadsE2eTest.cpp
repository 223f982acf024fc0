// The heavy loads in the real program, driven and watched from outside: the floating-point load chosen in the
// options runs a worker on every processor instead of the additions, one processor at a time a single one, and
// the memory load over 90 % of the free memory (of a 2 GiB machine the test describes) takes what its plan says
// and gives it back within a second of the master switch going off, and a timed floating-point run from the
// command line whose summary has every processor's rate.
#include <gtest/gtest.h>

#include <windows.h>
#include <psapi.h>

#include <nlohmann/json.hpp>
#include <string>

#include "e2e/E2eSupport.h"
#include "run/OptionsMenu.h"
#include "stress/HeavyOptions.h"
#include "stress/MemoryShare.h"
#include "stress/StressState.h"
#include "support/Scratch.h"

namespace {

constexpr uint64_t kTestMachineMebibytes = 2048;

// The program's committed private memory, seen from this process.
uint64_t CommittedBytes(HANDLE process) {
    PROCESS_MEMORY_COUNTERS counters = {};
    counters.cb = sizeof(counters);
    return GetProcessMemoryInfo(process, &counters, sizeof(counters)) ? uint64_t(counters.PagefileUsage) : 0;
}

// Threads of the process that have spent at least `milliseconds` of processor time in user mode.
int BusyThreads(DWORD processId, uint64_t milliseconds) {
    int busy = 0;
    for (DWORD threadId : ProcessThreadIds(processId)) {
        HANDLE thread = OpenThread(THREAD_QUERY_LIMITED_INFORMATION, FALSE, threadId);
        if (!thread)
            continue;
        FILETIME created, exited, kernel, user;
        if (GetThreadTimes(thread, &created, &exited, &kernel, &user) &&
            (uint64_t(user.dwHighDateTime) << 32 | user.dwLowDateTime) / 10000 >= milliseconds)
            ++busy;
        CloseHandle(thread);
    }
    return busy;
}

std::string Narrow(const std::wstring& text) {
    std::string narrow;
    for (wchar_t c : text)
        narrow += c < 0x80 ? char(c) : '?';
    return narrow;
}

// The first HTML report in a runs folder; empty when there is none.
std::string RunsFolderReport(const std::wstring& runsFolder) {
    WIN32_FIND_DATAW found;
    HANDLE search = FindFirstFileW((runsFolder + L"\\*.html").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE)
        return {};
    FindClose(search);
    return ReadFileBytes(runsFolder + L"\\" + found.cFileName);
}

class HeavyLoadsE2e : public testing::Test {
protected:
    void TearDown() override {
        StopProgram(program_);
        SetEnvironmentVariableW(L"KESTROVANE_TEST_MEMORY_MIB", nullptr);
        SetEnvironmentVariableW(L"KESTROVANE_TEST_INJECT_FAULTS", nullptr);
    }

    ScratchFolder scratch_;
    Program program_;
};

// Every run writes its log from a thread of its own beside the loads' workers.
constexpr int kRunLogThreads = 1;

}  // namespace

TEST_F(HeavyLoadsE2e, FloatingPointChosenInTheOptionsRunsAWorkerOnEveryProcessor) {
    std::string error;
    ASSERT_TRUE(StartProgram(program_, scratch_.path(), "[Program]\r\n", &error)) << error;
    const DWORD processId = program_.process.dwProcessId;
    const int idleThreads = CountProcessThreads(processId);
    const int processors = int(GetActiveProcessorCount(ALL_PROCESSOR_GROUPS));

    PostMessageW(program_.mainWindow, WM_SYSCOMMAND, OptionMenuIdForCommand(OptionRows(), kCommandCpuFloatingPoint), 0);
    EXPECT_TRUE(WaitFor([&] { return ReadIniFile(program_) == "[Program]\r\ncpu_method=1\r\n"; }, 5000))
        << ReadIniFile(program_);
    SendToolbarCommand(program_, program_.stressToolbar, kCommandMaster);
    EXPECT_TRUE(
        WaitFor([&] { return CountProcessThreads(processId) == idleThreads + kRunLogThreads + processors; }, 5000))
        << CountProcessThreads(processId) << " threads";
    // The additions would publish their rate within a few seconds; the kernel's workers leave it alone.
    Sleep(4000);
    std::wstring status;
    ASSERT_TRUE(ReadWindowText(program_.statusBar, &status));
    EXPECT_NE(status.find(L"MEGA-ADD = Sek:0.0 "), std::wstring::npos) << Narrow(status);
    EXPECT_GE(BusyThreads(processId, 1000), processors) << "threads that computed for a second or more";
    std::wstring part;
    ASSERT_TRUE(StatusPartText(program_, 1, &part));
    EXPECT_EQ(part.rfind(L"Verified: 0 errors", 0), 0u) << Narrow(part);
    EXPECT_NE(part.find(L" GFLOPS"), std::wstring::npos) << "the kernel's rate beside the verdict: " << Narrow(part);

    SendToolbarCommand(program_, program_.stressToolbar, kCommandMaster);
    EXPECT_TRUE(WaitFor([&] { return CountProcessThreads(processId) == idleThreads; }, 10000))
        << "the heavy workers end with the master switch, the log thread once the report is written";
}

TEST_F(HeavyLoadsE2e, OneProcessorAtATimeChosenInTheOptionsRunsASingleHeavyWorker) {
    std::string error;
    ASSERT_TRUE(StartProgram(program_, scratch_.path(), "[Program]\r\n", &error)) << error;
    const DWORD processId = program_.process.dwProcessId;
    const int idleThreads = CountProcessThreads(processId);

    PostMessageW(program_.mainWindow, WM_SYSCOMMAND, OptionMenuIdForCommand(OptionRows(), kCommandCpuCycle), 0);
    EXPECT_TRUE(WaitFor([&] { return ReadIniFile(program_) == "[Program]\r\ncycle_min=6\r\n"; }, 5000))
        << ReadIniFile(program_);
    SendToolbarCommand(program_, program_.stressToolbar, kCommandMaster);
    std::wstring part;
    EXPECT_TRUE(
        WaitFor([&] { return StatusPartText(program_, 1, &part) && part.find(L" GFLOPS") != part.npos; }, 10000))
        << "the kernel's rate beside the verdict: " << Narrow(part);
    EXPECT_EQ(CountProcessThreads(processId), idleThreads + kRunLogThreads + 1)
        << "one worker, whatever the processors";
    EXPECT_GE(BusyThreads(processId, 1000), 1);

    SendToolbarCommand(program_, program_.stressToolbar, kCommandMaster);
    EXPECT_TRUE(WaitFor([&] { return CountProcessThreads(processId) == idleThreads; }, 10000))
        << "the moving worker ends with the master switch, the log thread once the report is written";
}

TEST_F(HeavyLoadsE2e, NinetyPercentOfTheMemoryIsTakenAndGivenBackWithinASecond) {
    SetEnvironmentVariableW(L"KESTROVANE_TEST_MEMORY_MIB", std::to_wstring(kTestMachineMebibytes).c_str());
    std::string error;
    ASSERT_TRUE(
        StartProgram(program_, scratch_.path(), "[Program]\r\naggressiv=0\r\nmem=1\r\nmem_share=90\r\n", &error))
        << error;
    HANDLE process = program_.process.hProcess;
    const uint64_t idle = CommittedBytes(process);
    ASSERT_GT(idle, 0u) << "the program's memory cannot be read from outside";
    const uint64_t machine = kTestMachineMebibytes * kMebibyte;
    const MemoryPlan plan = PlanMemoryLoad({MemorySizeKind::Percent, 90}, machine, machine,
                                           int(GetActiveProcessorCount(ALL_PROCESSOR_GROUPS)));
    ASSERT_GT(plan.plannedBytes, 0u);

    SendToolbarCommand(program_, program_.stressToolbar, kCommandMaster);
    uint64_t held = 0;
    EXPECT_TRUE(WaitFor(
        [&] {
            held = CommittedBytes(process);
            return held >= idle + plan.plannedBytes;
        },
        120000))
        << (held - idle) / kMebibyte << " MiB held of " << plan.plannedBytes / kMebibyte << " MiB planned";
    EXPECT_LT(held, idle + plan.plannedBytes + 256 * kMebibyte) << "no more than the plan";

    SendToolbarCommand(program_, program_.stressToolbar, kCommandMaster);
    const ULONGLONG off = GetTickCount64();
    EXPECT_TRUE(WaitFor([&] { return CommittedBytes(process) < idle + 64 * kMebibyte; }, 5000));
    EXPECT_LE(GetTickCount64() - off, 1000u) << "every block given back within a second of the switch";
}

TEST_F(HeavyLoadsE2e, AWrongFloatingPointResultStopsTheRunAndTheResultNamesItsProcessor) {
    SetEnvironmentVariableW(L"KESTROVANE_TEST_INJECT_FAULTS", L"fp");
    std::string error;
    ASSERT_TRUE(
        StartProgram(program_, scratch_.path(), "[Program]\r\nlng=1\r\ncpu_method=1\r\nstop_on_error=1\r\n", &error))
        << error;
    SendToolbarCommand(program_, program_.stressToolbar, kCommandMaster);
    ASSERT_TRUE(WaitFor([&] { return !ToolbarButtonChecked(program_.stressToolbar, kCommandMaster); }, 30000))
        << "the first error did not turn the master switch off";
    HWND box = WaitForProgramWindow(program_, L"#32770");
    ASSERT_NE(box, nullptr) << "no result box";
    const std::wstring text = MessageBoxText(box);
    EXPECT_EQ(text.rfind(L"FAILED\n1 ERRORS: processor ", 0), 0u) << text.size() << " [" << Narrow(text) << "]";
    EXPECT_NE(text.find(L" (floating point)\n"), std::wstring::npos) << Narrow(text);
    EXPECT_NE(text.find(L"floating point (AVX"), std::wstring::npos)
        << "the kernel's set in the details: " << Narrow(text);
    EXPECT_NE(text.find(L": result 3 is 0x"), std::wstring::npos) << Narrow(text);
}

// The command line's floating-point run as a script starts it: it ends by itself, passes, and its summary has a
// rate for every logical processor, from the log's per-processor columns that the run's log thread wrote.
TEST_F(HeavyLoadsE2e, ATimedFloatingPointRunFromTheCommandLineGivesEveryProcessorsRateInItsSummary) {
    std::string output, error;
    DWORD exitCode = 99;
    ASSERT_TRUE(RunProgramToEnd(program_, scratch_.path(), "", L"/start /cpu fp /duration 30s /exit /json r.json",
                                90000, &output, &exitCode, &error))
        << error << "; output: " << output;
    EXPECT_EQ(exitCode, 0u) << output;
    const nlohmann::json summary = nlohmann::json::parse(ReadFileBytes(scratch_.File(L"r.json")), nullptr, false);
    ASSERT_FALSE(summary.is_discarded()) << "r.json is no JSON";
    EXPECT_EQ(summary["verdict"], "PASSED");
    EXPECT_EQ(summary["processor_load"]["method"], "floating_point");
    EXPECT_FALSE(summary["processor_load"]["instruction_set"].get<std::string>().empty());

    const int processors = int(GetActiveProcessorCount(ALL_PROCESSOR_GROUPS));
    ASSERT_EQ(summary["processors"].size(), size_t(processors)) << summary["processors"].dump();
    for (int i = 0; i < processors; ++i) {
        const nlohmann::json& processor = summary["processors"][size_t(i)];
        EXPECT_EQ(processor["processor"], i);
        // The first second has no rate yet; a busy machine may hold the log thread up a second or two.
        EXPECT_GE(processor["samples"].get<int>(), 20) << "processor " << i;
        ASSERT_TRUE(processor["median_gflops"].is_number()) << "processor " << i;
        EXPECT_GT(processor["median_gflops"].get<double>(), 0.0) << "processor " << i;
    }

    const std::string report = RunsFolderReport(scratch_.File(L"Runs"));
    const size_t section = report.find("<section id=\"processors\">");
    ASSERT_NE(section, std::string::npos) << "no processors' section in the runs folder's report";
    EXPECT_NE(report.find("<svg", section), std::string::npos) << "no chart of the processors' rates";

    // tools/test.sh validates this summary against the schema.
    const std::wstring kept = RealReportFolder();
    CreateDirectoryW(kept.c_str(), nullptr);
    EXPECT_TRUE(CopyFileW(scratch_.File(L"r.json").c_str(), (kept + L"\\heavy.json").c_str(), FALSE));
}
