// A run's files on a real disk: a log line every second in a runs folder deeper than MAX_PATH with non-ASCII names,
// the summary, the report and the command line's copies beside it, retention that keeps the newest runs and touches
// nothing else, and a folder that cannot be made: the run goes on, says so, and resumes writing when it can.
#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <ctime>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "report/MachineInfo_win.h"
#include "report/DiskFigures.h"
#include "report/RunFiles_win.h"
#include "report/RunFolder.h"
#include "report/RunFolder_win.h"
#include "run/RunRecord.h"
#include "stress/StressState.h"
#include "support/Scratch.h"

namespace {

std::wstring Long(const std::wstring& path) {
    return L"\\\\?\\" + path;
}

// A folder under the scratch folder whose full path is longer than MAX_PATH, with names no code page holds.
std::wstring DeepFolder(const ScratchFolder& scratch, const wchar_t* leaf) {
    std::wstring folder = scratch.path() + L"\\L\u00e4ufe \u65e5\u672c";
    while (folder.size() < 300)
        folder += L"\\\u0428\u0430\u0433-\u00e9t\u00e9-0123456789";
    EXPECT_TRUE(MakeFolder(folder)) << "cannot make the deep folder";
    return folder + L"\\" + leaf;
}

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    size_t start = 0;
    for (size_t end = text.find('\n'); end != std::string::npos; end = text.find('\n', start)) {
        lines.push_back(text.substr(start, end - start));
        start = end + 1;
    }
    if (start < text.size())
        lines.push_back(text.substr(start) + "<no line end>");
    return lines;
}

class RunFilesTest : public testing::Test {
protected:
    void SetUp() override {
        Stress.masterOn = 1;
        Stress.cpuOn = 1;
        Stress.megaAddRate = 4321.5;
    }
    void TearDown() override {
        if (CurrentRun.active)
            EndRun(ClockMilliseconds());
        Stress.masterOn = 0;
        Stress.megaAddRate = 0;
    }

    uint32_t Begin(const RunFilesPlan& plan) {
        const uint32_t runId = BeginRun(1 << 1, ClockMilliseconds(), int64_t(std::time(nullptr)));
        RunDescription description;
        description.programVersion = u"Kestrovane test";
        description.settings.loads = 1 << 1;
        description.startUnixSeconds = CurrentRun.startUnixSeconds;
        EXPECT_TRUE(StartRunFiles(nullptr, runId, CurrentRun.startMilliseconds, description, plan));
        return runId;
    }

    RunFilesResult Finish(uint32_t runId) {
        EndRun(ClockMilliseconds());
        const RunOutcome outcome = CollectRunOutcome(CurrentRun, int64_t(std::time(nullptr)), false);
        EXPECT_TRUE(FinishRunFiles(runId, outcome, ReportTexts()));
        EXPECT_FALSE(FinishRunFiles(runId, outcome, ReportTexts())) << "a run's files are finished once";
        EXPECT_TRUE(WaitForRunFiles(20000)) << "the log thread did not finish";
        RunFilesResult result;
        EXPECT_TRUE(LastRunFilesResult(result));
        EXPECT_EQ(result.runId, runId);
        return result;
    }

    ScratchFolder scratch_;
};

}  // namespace

TEST_F(RunFilesTest, ALineEverySecondThenTheSummaryAndReportBesideTheLogAndTheCopies) {
    RunFilesPlan plan;
    plan.runsFolder = DeepFolder(scratch_, L"Runs");
    plan.logCopy = DeepFolder(scratch_, L"kopie \u00fc.csv");
    plan.jsonCopy = scratch_.File(L"r.json");
    plan.reportCopy = scratch_.File(L"r \u00e9.html");
    // 100 older runs, one of them with all three files, and files that are not the program's to delete.
    ASSERT_TRUE(MakeFolder(plan.runsFolder));
    const std::vector<std::wstring> foreign = {L"notes.txt", L"2020-01-01_00-00-00.csv.bak", L"run-2020.csv",
                                               L"2020-01-01_00-00-00.CSV"};
    for (const std::wstring& name : foreign)
        ASSERT_TRUE(WriteFileBytes(Long(plan.runsFolder + L"\\" + name), "keep"));
    for (int day = 1; day <= 100; ++day) {
        wchar_t name[64];
        swprintf(name, 64, L"2021-%02d-%02d_08-00-00.csv", (day - 1) / 28 + 1, (day - 1) % 28 + 1);
        ASSERT_TRUE(WriteFileBytes(Long(plan.runsFolder + L"\\" + name), "old"));
    }
    ASSERT_TRUE(WriteFileBytes(Long(plan.runsFolder + L"\\2021-01-01_08-00-00.html"), "old"));

    const uint32_t runId = Begin(plan);
    Sleep(2400);
    const RunFilesResult result = Finish(runId);
    EXPECT_TRUE(result.logComplete);
    EXPECT_TRUE(result.reportsWritten);
    EXPECT_EQ(result.verdict, Verdict::Passed);
    EXPECT_EQ(result.exitCode, 0);

    const std::string log = ReadFileBytes(Long(result.logPath));
    const std::vector<std::string> lines = Lines(log);
    ASSERT_EQ(lines.size(), 4u) << log;
    EXPECT_EQ(lines[0].rfind("# Kestrovane run log,format=1,program=Kestrovane test,start=", 0), 0u) << lines[0];
    EXPECT_NE(lines[0].find(",logical_processors="), std::string::npos) << "the machine is filled in";
    // The disk load's and the heavy loads' columns follow the standard ones in every run, empty while those loads
    // do not run.
    std::string columns = ComposeLogColumnLine().substr(0, ComposeLogColumnLine().size() - 1);
    for (const char* disk : kDiskLogColumns)
        columns += std::string(",") + disk;
    EXPECT_EQ(lines[1].rfind(columns + ",fp_gflops,cpu0_gflops,", 0), 0u) << lines[1];
    EXPECT_EQ(lines[1].substr(lines[1].size() - 16), ",throttling,slow") << lines[1];
    EXPECT_NE(lines[2].find("Z,1,1,0,1,"), std::string::npos) << lines[2];
    EXPECT_NE(lines[2].find(",4321.5,0"), std::string::npos) << "the rate and no errors: " << lines[2];
    EXPECT_NE(lines[3].find("Z,2,1,"), std::string::npos) << lines[3];
    EXPECT_EQ(ReadFileBytes(Long(plan.logCopy)), log) << "the /log copy holds the same lines";

    const std::wstring html = result.reportPath;
    ASSERT_GT(html.size(), 5u);
    EXPECT_EQ(html.substr(0, plan.runsFolder.size() + 1), plan.runsFolder + L"\\");
    EXPECT_EQ(html.substr(html.size() - 5), L".html");
    EXPECT_EQ(result.logPath.substr(0, result.logPath.size() - 4), html.substr(0, html.size() - 5))
        << "the report lies beside its log";
    const std::string json = ReadFileBytes(Long(html.substr(0, html.size() - 5) + L".json"));
    const nlohmann::json summary = nlohmann::json::parse(json, nullptr, false);
    ASSERT_FALSE(summary.is_discarded()) << json;
    EXPECT_EQ(summary["verdict"], "PASSED");
    EXPECT_EQ(summary["program"], "Kestrovane test");
    EXPECT_GE(summary["machine"]["logical_processors"].get<int>(), 1);
    EXPECT_EQ(summary["loads"][1]["rates"][0]["samples"], 2);
    EXPECT_EQ(summary["loads"][1]["rates"][0]["median"], 4321.5);
    EXPECT_TRUE(summary["processors"].empty()) << "the additions ran: no processor without a figure is listed";
    EXPECT_TRUE(summary["processor_load"].is_null());
    EXPECT_EQ(ReadFileBytes(plan.jsonCopy), json);
    const std::string report = ReadFileBytes(plan.reportCopy);
    EXPECT_EQ(ReadFileBytes(Long(html)), report);
    EXPECT_NE(report.find("<svg"), std::string::npos) << "a chart of the rate";

    // The newest 100 runs stay: the 99 newest old ones and this one; the oldest went with all its files.
    const std::vector<std::u16string> names = FolderFileNames(plan.runsFolder);
    int runs = 0;
    for (const std::u16string& name : names) {
        RunFileName parsed;
        runs += ParseRunFileName(name, parsed) && parsed.kind == RunFileKind::Log;
    }
    EXPECT_EQ(runs, 100);
    EXPECT_EQ(GetFileAttributesW(Long(plan.runsFolder + L"\\2021-01-01_08-00-00.csv").c_str()),
              INVALID_FILE_ATTRIBUTES);
    EXPECT_EQ(GetFileAttributesW(Long(plan.runsFolder + L"\\2021-01-01_08-00-00.html").c_str()),
              INVALID_FILE_ATTRIBUTES);
    EXPECT_NE(GetFileAttributesW(Long(plan.runsFolder + L"\\2021-01-02_08-00-00.csv").c_str()),
              INVALID_FILE_ATTRIBUTES);
    for (const std::wstring& name : foreign)
        EXPECT_EQ(ReadFileBytes(Long(plan.runsFolder + L"\\" + name)), "keep") << "not the program's to touch";
}

TEST_F(RunFilesTest, AFolderThatCannotBeMadeIsToldAndTheLogResumesWithEveryLineWhenItCanBe) {
    // A file where the folder's parent should be: the runs folder cannot be made.
    const std::wstring blocker = scratch_.File(L"blocked");
    ASSERT_TRUE(WriteFileBytes(blocker, "in the way"));
    RunFilesPlan plan;
    plan.runsFolder = blocker + L"\\Runs";
    plan.jsonCopy = scratch_.File(L"r.json");
    const uint32_t runId = Begin(plan);
    EXPECT_TRUE(WaitFor([&] { return RunLogNotWritten(runId); }, 3000)) << "the log's trouble is not told";
    EXPECT_FALSE(RunLogNotWritten(runId + 1)) << "only that run's";
    Sleep(1200);
    EXPECT_TRUE(RunLogNotWritten(runId));

    ASSERT_TRUE(DeleteFileW(blocker.c_str()));
    EXPECT_TRUE(WaitFor([&] { return !RunLogNotWritten(runId); }, 3000)) << "the log did not resume";
    const RunFilesResult result = Finish(runId);
    EXPECT_TRUE(result.logComplete);
    EXPECT_EQ(result.verdict, Verdict::Passed) << "the verdict does not depend on the log";
    const std::vector<std::string> lines = Lines(ReadFileBytes(Long(result.logPath)));
    ASSERT_GE(lines.size(), 4u) << "the line of the second without a folder was kept";
    EXPECT_EQ(lines[0].rfind("# Kestrovane run log", 0), 0u);
    for (size_t line = 2; line < lines.size(); ++line)
        EXPECT_NE(lines[line].find("Z," + std::to_string(line - 1) + ",1,"), std::string::npos) << lines[line];
    EXPECT_FALSE(result.reportPath.empty());
}

TEST_F(RunFilesTest, WithoutAnyFolderTheCopiesAreWrittenFromTheLinesKeptInMemory) {
    RunFilesPlan plan;
    plan.jsonCopy = scratch_.File(L"r.json");
    plan.reportCopy = scratch_.File(L"r.html");
    const uint32_t runId = Begin(plan);
    Sleep(2300);
    const RunFilesResult result = Finish(runId);
    EXPECT_FALSE(result.logComplete);
    EXPECT_FALSE(result.reportsWritten) << "no report in a runs folder";
    EXPECT_TRUE(result.reportPath.empty());
    const nlohmann::json summary = nlohmann::json::parse(ReadFileBytes(plan.jsonCopy), nullptr, false);
    ASSERT_FALSE(summary.is_discarded());
    EXPECT_EQ(summary["verdict"], "PASSED");
    EXPECT_EQ(summary["loads"][1]["rates"][0]["samples"], 2) << "the rates come from the lines kept in memory";
    EXPECT_NE(ReadFileBytes(plan.reportCopy).find("<svg"), std::string::npos);
}

TEST(MachineInfo, TheMachineIsDescribedWithWhatTheSystemReports) {
    const MachineInfo machine = ReadMachineInfo();
    EXPECT_FALSE(machine.processorName.empty());
    EXPECT_NE(machine.processorName.front(), u' ') << "trimmed";
    EXPECT_NE(machine.processorName.back(), u' ');
    SYSTEM_INFO system;
    GetSystemInfo(&system);
    EXPECT_GE(machine.logicalProcessors, int32_t(system.dwNumberOfProcessors));
    EXPECT_GT(machine.physicalMemoryBytes, uint64_t(64) << 20);
    const std::u16string& version = machine.windowsVersion;
    ASSERT_FALSE(version.empty());
    EXPECT_EQ(std::count(version.begin(), version.end(), u'.'), 2) << "major.minor.build";
}
