// Runs driven by the command line, from outside, as a script would: a timed run that ends by itself with exit
// code 0, its summary and report (kept in the build folder for the schema and browser checks of tools/test.sh),
// the same in the window with the time left and the result box, a fault that stops the run with exit code 1, a bad
// command line refused with exit code 2 before any load, a runs folder that cannot be made, and a process killed
// mid-run whose log keeps every second.
#include <gtest/gtest.h>

#include <windows.h>

#include <cmath>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "e2e/E2eSupport.h"
#include "support/Scratch.h"

namespace {

constexpr wchar_t kInjectVariable[] = L"KESTROVANE_TEST_INJECT_FAULTS";

nlohmann::json ReadJson(const std::wstring& path) {
    return nlohmann::json::parse(ReadFileBytes(path), nullptr, false);
}

bool Exists(const std::wstring& path) {
    return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

// The logs (*.csv) in a runs folder.
std::vector<std::wstring> RunLogs(const std::wstring& runsFolder) {
    std::vector<std::wstring> logs;
    WIN32_FIND_DATAW found;
    HANDLE search = FindFirstFileW((runsFolder + L"\\*.csv").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE)
        return logs;
    do
        logs.push_back(runsFolder + L"\\" + found.cFileName);
    while (FindNextFileW(search, &found));
    FindClose(search);
    return logs;
}

// A log's lines after its two header lines; a last line without its line end is kept with `incomplete` set.
std::vector<std::string> LogSeconds(const std::string& log, bool* incomplete) {
    std::vector<std::string> lines;
    size_t start = 0;
    for (size_t end = log.find('\n'); end != std::string::npos; end = log.find('\n', start)) {
        lines.push_back(log.substr(start, end - start));
        start = end + 1;
    }
    *incomplete = start < log.size();
    if (lines.size() < 2)
        return {};
    return std::vector<std::string>(lines.begin() + 2, lines.end());
}

// The second field of a log line: whole seconds since the run's start; -1 when it has none.
long LineSecond(const std::string& line) {
    const size_t comma = line.find(',');
    if (comma == std::string::npos)
        return -1;
    return std::strtol(line.c_str() + comma + 1, nullptr, 10);
}

class TimedRunE2e : public testing::Test {
protected:
    void TearDown() override {
        StopProgram(program_);
        SetEnvironmentVariableW(kInjectVariable, nullptr);
    }

    // Runs the program in the scratch folder with a settings file beside it, so its runs folder is Runs there.
    void Run(const std::wstring& arguments, DWORD timeout) {
        std::string error;
        ASSERT_TRUE(RunProgramToEnd(program_, scratch_.path(), "", arguments, timeout, &output_, &exitCode_, &error))
            << error << "; output: " << output_;
    }

    std::wstring RunsFolder() const { return scratch_.File(L"Runs"); }

    ScratchFolder scratch_;
    Program program_;
    std::string output_;
    DWORD exitCode_ = 99;
};

}  // namespace

TEST_F(TimedRunE2e, ATwentySecondRunEndsByItselfPassedWithItsSummaryAndReport) {
    const ULONGLONG started = GetTickCount64();
    Run(L"/start /cpu /mem /duration 20s /exit /json r.json /report r.html", 60000);
    const double seconds = double(GetTickCount64() - started) / 1000;
    EXPECT_EQ(exitCode_, 0u) << output_;
    EXPECT_GE(seconds, 20.0) << "it ended before its time";
    EXPECT_EQ(output_.rfind("PASSED", 0), 0u) << "the verdict line: " << output_;

    const nlohmann::json summary = ReadJson(scratch_.File(L"r.json"));
    ASSERT_FALSE(summary.is_discarded()) << "r.json is no JSON";
    EXPECT_EQ(summary["verdict"], "PASSED");
    EXPECT_EQ(summary["exit_code"], 0);
    EXPECT_EQ(summary["duration_asked_s"], 20);
    EXPECT_NEAR(summary["duration_run_s"].get<double>(), 20.0, 1.5);
    EXPECT_EQ(summary["settings"]["loads"], nlohmann::json::array({"cpu", "memory"}));
    EXPECT_TRUE(summary["loads"][1]["ran"]) << "the processor load";
    EXPECT_GE(summary["loads"][1]["rates"][0]["samples"].get<int>(), 18);
    EXPECT_GT(summary["loads"][1]["rates"][0]["median"].get<double>(), 0.0);
    EXPECT_TRUE(summary["loads"][3]["ran"]) << "the memory load";
    const std::string report = ReadFileBytes(scratch_.File(L"r.html"));
    EXPECT_NE(report.find("<svg"), std::string::npos) << "no chart in r.html";
    EXPECT_EQ(RunLogs(RunsFolder()).size(), 1u) << "the run's log in the runs folder beside the settings file";

    // tools/test.sh validates this summary against the schema and renders this report in headless Chromium.
    const std::wstring kept = RealReportFolder();
    CreateDirectoryW(kept.c_str(), nullptr);
    EXPECT_TRUE(CopyFileW(scratch_.File(L"r.json").c_str(), (kept + L"\\r.json").c_str(), FALSE));
    EXPECT_TRUE(CopyFileW(scratch_.File(L"r.html").c_str(), (kept + L"\\r.html").c_str(), FALSE));
}

TEST_F(TimedRunE2e, ATimedRunInTheWindowShowsTheTimeLeftThenEndsByItselfWithTheResultBox) {
    constexpr int kMaster = 109;
    std::string error;
    ASSERT_TRUE(StartProgram(program_, scratch_.path(), "", &error, L"/start /cpu /duration 4s")) << error;
    std::wstring part;
    EXPECT_TRUE(WaitFor([&] { return StatusPartText(program_, 1, &part) && part.find(L" left") != part.npos; }, 3000))
        << std::string(part.begin(), part.end());
    EXPECT_NE(part.find(L"0:00:0"), part.npos) << "seconds left: " << std::string(part.begin(), part.end());
    EXPECT_TRUE(ToolbarButtonChecked(program_.stressToolbar, kMaster));

    // When the time is up the master switch goes off by itself and the box tells the result and the report.
    HWND box = nullptr;
    ASSERT_TRUE(WaitFor([&] { return (box = FindProgramWindow(program_, L"#32770")) != nullptr; }, 10000))
        << "no result box";
    EXPECT_FALSE(ToolbarButtonChecked(program_.stressToolbar, kMaster));
    const std::wstring text = MessageBoxText(box);
    const std::string narrow(text.begin(), text.end());
    EXPECT_EQ(text.rfind(L"PASSED", 0), 0u) << narrow;
    EXPECT_NE(text.find(L"0:00:04"), text.npos) << "the duration: " << narrow;
    EXPECT_NE(text.find(L"Runs\\"), text.npos) << "where the report is: " << narrow;
    DWORD exitCode = 0;
    EXPECT_FALSE(WaitForExit(program_, 0, &exitCode)) << "without /exit the program stays";
}

TEST_F(TimedRunE2e, StopOnErrorEndsTheRunAtTheInjectedFaultWithExitCodeOne) {
    // The program inherits the variable: one wrong sum in a processor worker.
    SetEnvironmentVariableW(kInjectVariable, L"sum");
    Run(L"/start /cpu /stoponerror /exit /nogui /json f.json", 30000);
    EXPECT_EQ(exitCode_, 1u) << output_;
    EXPECT_EQ(output_.rfind("FAILED", 0), 0u) << output_;
    const nlohmann::json summary = ReadJson(scratch_.File(L"f.json"));
    ASSERT_FALSE(summary.is_discarded());
    EXPECT_EQ(summary["verdict"], "FAILED");
    EXPECT_EQ(summary["errors"]["count"], 1);
    EXPECT_EQ(summary["exit_code"], 1);
}

TEST_F(TimedRunE2e, ABadCommandLineIsRefusedWithExitCodeTwoNamingTheBadPartBeforeAnyLoad) {
    const struct {
        const wchar_t* arguments;
        const char* named;
    } cases[] = {
        {L"/start /cpu /bogus /duration 20s /exit", "/bogus"},
        {L"/start /cpu /duration 0 /exit", "/duration 0"},
        {L"/start /cpu /duration 9999999h /exit", "/duration 9999999h"},
        {L"/start /cpu /duration 1m /exit /json missing\\r.json", "missing\\r.json"},
        {L"/start /paint /nogui /duration 1m /exit", "/nogui"},
    };
    for (const auto& bad : cases) {
        output_.clear();
        exitCode_ = 99;
        const ULONGLONG started = GetTickCount64();
        Run(bad.arguments, 20000);
        StopProgram(program_);
        EXPECT_EQ(exitCode_, 2u) << output_;
        EXPECT_NE(output_.find(bad.named), std::string::npos) << "the message names the bad part: " << output_;
        EXPECT_LT(GetTickCount64() - started, 10000u) << "refused at once";
        EXPECT_FALSE(Exists(RunsFolder())) << "a run began for " << output_;
    }
}

TEST_F(TimedRunE2e, ARunsFolderThatCannotBeMadeIsToldInThePartAndTheRunStillPasses) {
    // A file where the runs folder should be.
    ASSERT_TRUE(WriteFileBytes(RunsFolder(), "in the way"));
    std::string error;
    ASSERT_TRUE(StartProgram(program_, scratch_.path(), "", &error, L"/start /cpu /duration 6s /exit /json r.json"))
        << error;
    std::wstring part;
    EXPECT_TRUE(
        WaitFor([&] { return StatusPartText(program_, 1, &part) && part.find(L"log not written") != part.npos; }, 5000))
        << "the part does not tell: " << std::string(part.begin(), part.end());
    DWORD exitCode = 99;
    ASSERT_TRUE(WaitForExit(program_, 20000, &exitCode));
    EXPECT_EQ(exitCode, 0u) << "the verdict does not depend on the log";
    const nlohmann::json summary = ReadJson(scratch_.File(L"r.json"));
    ASSERT_FALSE(summary.is_discarded());
    EXPECT_EQ(summary["verdict"], "PASSED");
}

TEST_F(TimedRunE2e, AKilledRunKeepsEverySecondOfItsLogUpToTheSecondBeforeTheKill) {
    std::string error;
    ASSERT_TRUE(LaunchProgram(program_, scratch_.path(), "", &error, L"/start /cpu /nogui /duration 10m /exit"))
        << error;
    // The first second's line is written a second after the run's start: seeing it bounds the start from above.
    std::wstring log;
    bool incomplete = false;
    ASSERT_TRUE(WaitFor(
        [&] {
            const std::vector<std::wstring> logs = RunLogs(RunsFolder());
            log = logs.empty() ? L"" : logs.front();
            return !log.empty() && !LogSeconds(ReadFileBytes(log), &incomplete).empty();
        },
        20000))
        << "no line of the first second";
    const ULONGLONG firstLineSeen = GetTickCount64();
    Sleep(4600);
    const ULONGLONG killed = GetTickCount64();
    ASSERT_TRUE(TerminateProcess(program_.process.hProcess, 9));
    ASSERT_EQ(WaitForSingleObject(program_.process.hProcess, 5000), WAIT_OBJECT_0);

    // The run had lasted at least (killed - firstLineSeen) + 1 s, so every second up to that time less one second
    // is in the file.
    const long expected = long((killed - firstLineSeen) / 1000);
    const std::string text = ReadFileBytes(log);
    const std::vector<std::string> lines = LogSeconds(text, &incomplete);
    const size_t complete = lines.size() - (incomplete ? 1 : 0);
    ASSERT_GE(long(complete), expected) << text;
    for (size_t at = 0; at < complete; ++at)
        EXPECT_EQ(LineSecond(lines[at]), long(at + 1)) << "second " << at + 1 << " is missing or doubled: " << text;
    EXPECT_EQ(text.rfind("# Kestrovane run log", 0), 0u) << "the header stays";
}
