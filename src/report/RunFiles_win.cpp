// The run's log thread: one CSV line a second written through to the disk, and the summary and report at the end.
#include "report/RunFiles_win.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <condition_variable>
#include <ctime>
#include <exception>
#include <mutex>
#include <vector>

#include "base/WideText.h"
#include "report/CivilTime.h"
#include "report/DiskFigures.h"
#include "report/HeavyMonitor_win.h"
#include "report/MachineInfo_win.h"
#include "report/RunFolder.h"
#include "report/RunFolder_win.h"
#include "report/RunHtml.h"
#include "report/RunJson.h"
#include "report/RunLog.h"
#include "report/RunLogFile.h"
#include "run/CommandLine.h"
#include "run/RunRecord.h"
#include "stress/StressState.h"

namespace {

// The most of a log read back for its report: about nine days of lines.
constexpr size_t kReportLogLimit = size_t(64) << 20;
constexpr int64_t kSecond = 1000;

// One file the log goes to, and the lines that have not reached it yet.
struct LogTarget {
    // Full path; empty until it is known (the runs folder's log gets its name when it is first opened).
    std::wstring path;
    HANDLE file = INVALID_HANDLE_VALUE;
    bool opened = false;
    LogBacklog backlog;
};

struct Job {
    HWND window = nullptr;
    uint32_t runId = 0;
    int64_t startMilliseconds = 0;
    RunDescription description;
    RunFilesPlan plan;
    HANDLE stopEvent = nullptr;
    // Written by FinishRunFiles before stopEvent is set, read by the thread after it woke on it.
    RunOutcome outcome;
    ReportTexts texts;
    // The thread's own.
    std::u16string stem;
    LogTarget runsLog;
    LogTarget copyLog;
    // The real-disk load's counters when the run began: its figures are what they grew by.
    DiskCounters diskAtStart;
    // Held from BeginHeavyMonitor to EndHeavyMonitor; what the monitor said of the heavy loads at the end.
    std::unique_lock<std::mutex> monitorHeld;
    HeavyRunFacts heavy;
};

// Jobs started and not yet handed their outcome: the user-interface thread's alone.
std::vector<Job*> openJobs;

std::mutex jobsMutex;
std::condition_variable jobsIdle;
int jobsRunning = 0;
bool haveLastResult = false;
RunFilesResult lastResult;

std::atomic<uint32_t> notWrittenRunId{0};

// The heavy loads' monitor is one per process: a run that begins while the last run's thread has not yet ended
// the monitor waits for it, so the two never tick it, or end the other's, at the same time.
std::mutex monitorMutex;

std::wstring Wide(const std::u16string& text) {
    return AsWide(text.c_str());
}

// The run's start in local time, for its files' names: a user looks for the run of "this morning".
CivilTime LocalCivil(int64_t unixSeconds) {
    const uint64_t ticks = uint64_t(unixSeconds + 11644473600LL) * 10000000ULL;
    FILETIME utc = {DWORD(ticks), DWORD(ticks >> 32)};
    SYSTEMTIME universal, local;
    if (!FileTimeToSystemTime(&utc, &universal) || !SystemTimeToTzSpecificLocalTime(nullptr, &universal, &local))
        return CivilFromUnix(unixSeconds);
    return {local.wYear, local.wMonth, local.wDay, local.wHour, local.wMinute, local.wSecond};
}

HANDLE CreateLogFile(const std::wstring& path, DWORD disposition) {
    // Write-through: each line is on the disk before the next second, so a crash of the machine keeps it too.
    return CreateFileW(FileApiPath(path).c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_DELETE, nullptr,
                       disposition, FILE_ATTRIBUTE_NORMAL | FILE_FLAG_WRITE_THROUGH, nullptr);
}

// Makes the runs folder, names the log after the run's start with a stem no file of the folder uses, and deletes
// the oldest runs beyond those kept. Only names of the program's own pattern are ever deleted.
bool OpenRunsLog(Job& job) {
    const std::wstring& folder = job.plan.runsFolder;
    if (folder.empty() || !MakeFolder(folder))
        return false;
    std::vector<std::u16string> names = FolderFileNames(folder);
    const CivilTime start = LocalCivil(job.description.startUnixSeconds);
    for (int attempt = 0; attempt < 3 && job.runsLog.file == INVALID_HANDLE_VALUE; ++attempt) {
        job.stem = ChooseRunStem(start, names);
        if (job.stem.empty())
            return false;
        const std::u16string name = RunFileNameOf(job.stem, RunFileKind::Log);
        job.runsLog.path = folder + L"\\" + Wide(name);
        job.runsLog.file = CreateLogFile(job.runsLog.path, CREATE_NEW);
        // Another program may have taken the name since the folder was read: the next free stem then.
        if (job.runsLog.file == INVALID_HANDLE_VALUE && GetLastError() != ERROR_FILE_EXISTS)
            return false;
        names.push_back(name);
    }
    if (job.runsLog.file == INVALID_HANDLE_VALUE) {
        job.stem.clear();
        return false;
    }
    for (const std::u16string& doomed : RunFilesToDelete(names, job.stem))
        DeleteFileW(FileApiPath(folder + L"\\" + Wide(doomed)).c_str());
    return true;
}

bool OpenCopyLog(Job& job) {
    job.copyLog.path = job.plan.logCopy;
    job.copyLog.file = CreateLogFile(job.copyLog.path, CREATE_ALWAYS);
    return job.copyLog.file != INVALID_HANDLE_VALUE;
}

// Writes what the target's backlog holds; a file that takes nothing (a full disk) keeps it for the next second.
bool Drain(LogTarget& target) {
    if (target.file == INVALID_HANDLE_VALUE)
        return target.backlog.pending.empty();
    return FlushLogBacklog(target.backlog, [&](std::string_view bytes) -> size_t {
        DWORD written = 0;
        const DWORD chunk = bytes.size() > (1u << 20) ? (1u << 20) : DWORD(bytes.size());
        // A failed write may still have taken part of the bytes; the rest waits.
        WriteFile(target.file, bytes.data(), chunk, &written, nullptr);
        return written;
    });
}

// Opens what is not open yet (a folder may be creatable again, a disk may have room again) and writes the
// backlogs. True when every line so far is in every file.
bool WriteLogs(Job& job) {
    if (job.runsLog.file == INVALID_HANDLE_VALUE && !job.runsLog.opened)
        job.runsLog.opened = OpenRunsLog(job);
    if (!job.plan.logCopy.empty() && job.copyLog.file == INVALID_HANDLE_VALUE && !job.copyLog.opened)
        job.copyLog.opened = OpenCopyLog(job);
    bool complete = job.runsLog.opened && Drain(job.runsLog);
    if (!job.plan.logCopy.empty())
        complete = job.copyLog.opened && Drain(job.copyLog) && complete;
    return complete;
}

void WriteLogsAndTell(Job& job) {
    if (!WriteLogs(job)) {
        notWrittenRunId.store(job.runId, std::memory_order_relaxed);
        return;
    }
    // Only this run's flag is cleared: the flag may already name a later run.
    uint32_t mine = job.runId;
    notWrittenRunId.compare_exchange_strong(mine, 0, std::memory_order_relaxed);
}

void Queue(Job& job, std::string_view text) {
    QueueLogLine(job.runsLog.backlog, text);
    if (!job.plan.logCopy.empty())
        QueueLogLine(job.copyLog.backlog, text);
}

LogSample TakeSample(int64_t secondsSinceStart) {
    LogSample sample;
    sample.unixSeconds = int64_t(std::time(nullptr));
    sample.secondsSinceStart = secondsSinceStart;
    sample.master = Stress.masterOn.load(kRelaxed) != 0;
    sample.paint = Stress.paintOn.load(kRelaxed) != 0;
    sample.cpu = Stress.cpuOn.load(kRelaxed) != 0;
    sample.disk = Stress.diskOn.load(kRelaxed) != 0;
    sample.memory = Stress.memoryOn.load(kRelaxed) != 0;
    sample.paintPassesPerSecond = Stress.paintLoopRate.load(kRelaxed);
    sample.paintMegabytesPerSecond = Stress.paintMegabytesPerSecond.load(kRelaxed);
    sample.megaAddPerSecond = Stress.megaAddRate.load(kRelaxed);
    sample.errors = CurrentRun.errorCount.load(kRelaxed);
    return sample;
}

void CloseTarget(LogTarget& target) {
    if (target.file != INVALID_HANDLE_VALUE)
        CloseHandle(target.file);
    target.file = INVALID_HANDLE_VALUE;
}

// The log as the report reads it: the file (head and tail when it is very long) and what never reached it, or,
// when no file was ever opened, the backlog, which then holds the log from its first line.
std::string LogTextOf(const LogTarget& target) {
    std::string text;
    if (target.opened && ReadLogText(target.path, kReportLogLimit, text))
        return text + target.backlog.pending;
    return target.backlog.pending;
}

bool WriteReports(const Job& job, const std::string& json, const std::string& html, std::wstring& reportPath) {
    bool written = true;
    if (!job.stem.empty()) {
        const std::wstring stem = job.plan.runsFolder + L"\\" + Wide(job.stem);
        const bool jsonWritten = WriteWholeFile(stem + L".json", json);
        const bool htmlWritten = WriteWholeFile(stem + L".html", html);
        if (htmlWritten)
            reportPath = stem + L".html";
        written = jsonWritten && htmlWritten;
    } else {
        written = false;
    }
    if (!job.plan.jsonCopy.empty())
        written = WriteWholeFile(job.plan.jsonCopy, json) && written;
    if (!job.plan.reportCopy.empty())
        written = WriteWholeFile(job.plan.reportCopy, html) && written;
    return written;
}

RunFilesResult* Finish(Job& job) {
    const bool complete = WriteLogs(job);
    CloseTarget(job.runsLog);
    CloseTarget(job.copyLog);
    auto result = new RunFilesResult;
    result->runId = job.runId;
    result->verdict = job.outcome.verdict;
    result->exitCode = int(ExitCodeFor(job.outcome.verdict, job.outcome.stoppedByUser));
    result->runMilliseconds = int64_t(job.outcome.secondsRun * 1000.0 + 0.5);
    result->errors = job.outcome.errorCount;
    result->logComplete = complete;
    if (job.runsLog.opened)
        result->logPath = job.runsLog.path;
    // The summary and the report hold whatever could be read; memory may run short on a machine under load.
    try {
        std::string text = LogTextOf(job.runsLog.opened || job.plan.logCopy.empty() ? job.runsLog : job.copyLog);
        RunLogData log;
        ReadRunLog(text, log);
        text = {};
        RunReport report = MakeRunReport(job.description, job.outcome, log);
        report.heavy = job.heavy;
        const bool realDiskRan = job.description.settings.realDisk && (job.outcome.loadsRan >> int(LoadType::Disk) & 1);
        report.disk = CollectDiskReport(DiskStatus, job.diskAtStart, job.description.settings.diskFolder, realDiskRan);
        result->reportsWritten =
            WriteReports(job, ComposeRunJson(report), ComposeRunHtml(report, log, job.texts), result->reportPath);
    } catch (const std::exception&) {
        result->reportsWritten = false;
    }
    return result;
}

void Publish(const Job& job, RunFilesResult* result) {
    {
        std::lock_guard<std::mutex> lock(jobsMutex);
        lastResult = *result;
        haveLastResult = true;
    }
    if (!job.window || !PostMessageW(job.window, kRunFilesDoneMessage, 0, reinterpret_cast<LPARAM>(result)))
        delete result;
}

// Ends the monitor when this thread holds it, as soon as the run is over: the next run's thread may be waiting.
void EndMonitor(Job& job) {
    if (!job.monitorHeld.owns_lock())
        return;
    try {
        job.heavy = EndHeavyMonitor();
    } catch (const std::exception&) {
        // The report then says nothing of the heavy loads; the monitor is closed all the same.
    }
    job.monitorHeld.unlock();
}

void WriteLinesUntilStopped(Job& job) {
    job.description.machine = ReadMachineInfo();
    job.diskAtStart = ReadDiskCounters(DiskStatus);
    job.monitorHeld = std::unique_lock<std::mutex>(monitorMutex);
    // The real-disk load's columns, then the heavy loads': every log has both, empty while those loads do not run.
    std::vector<std::string> columns(std::begin(kDiskLogColumns), std::end(kDiskLogColumns));
    const std::vector<std::string> heavyColumns = BeginHeavyMonitor();
    columns.insert(columns.end(), heavyColumns.begin(), heavyColumns.end());
    Queue(job, ComposeLogHeaderLine(job.description) + ComposeLogColumnLine(columns));
    WriteLogsAndTell(job);
    std::string line;
    std::vector<double> heavyValues;
    std::vector<double> values(columns.size());
    for (int64_t next = 1;;) {
        const int64_t wait = job.startMilliseconds + next * kSecond - ClockMilliseconds();
        if (WaitForSingleObject(job.stopEvent, wait > 0 ? DWORD(wait) : 0) == WAIT_OBJECT_0)
            break;
        // A thread held up for more than a second writes the second it is in, not the ones it missed.
        const int64_t second = std::max(next, (ClockMilliseconds() - job.startMilliseconds) / kSecond);
        line.clear();
        DiskLogValues(DiskStatus, values.data());
        TickHeavyMonitor(second, heavyValues);
        // A line has exactly the columns its log named, whatever the monitor gave.
        heavyValues.resize(heavyColumns.size(), std::nan(""));
        std::copy(heavyValues.begin(), heavyValues.end(), values.begin() + kDiskLogColumnCount);
        AppendLogLine(line, TakeSample(second), values.data(), values.size());
        Queue(job, line);
        WriteLogsAndTell(job);
        next = second + 1;
    }
}

DWORD WINAPI LogThread(LPVOID parameter) {
    Job* job = static_cast<Job*>(parameter);
    try {
        WriteLinesUntilStopped(*job);
    } catch (const std::exception&) {
        // Out of memory while the loads take it all: the lines stop, the run and its verdict go on.
        notWrittenRunId.store(job->runId, std::memory_order_relaxed);
        WaitForSingleObject(job->stopEvent, INFINITE);
    }
    EndMonitor(*job);
    RunFilesResult* result = Finish(*job);
    Publish(*job, result);
    CloseHandle(job->stopEvent);
    delete job;
    std::lock_guard<std::mutex> lock(jobsMutex);
    --jobsRunning;
    jobsIdle.notify_all();
    return 0;
}

}  // namespace

bool StartRunFiles(HWND window,
                   uint32_t runId,
                   int64_t startMilliseconds,
                   const RunDescription& description,
                   const RunFilesPlan& plan) {
    auto job = new Job;
    job->window = window;
    job->runId = runId;
    job->startMilliseconds = startMilliseconds;
    job->description = description;
    job->plan = plan;
    job->stopEvent = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    {
        std::lock_guard<std::mutex> lock(jobsMutex);
        ++jobsRunning;
    }
    HANDLE thread = job->stopEvent ? CreateThread(nullptr, 0, LogThread, job, 0, nullptr) : nullptr;
    if (!thread) {
        if (job->stopEvent)
            CloseHandle(job->stopEvent);
        delete job;
        std::lock_guard<std::mutex> lock(jobsMutex);
        --jobsRunning;
        jobsIdle.notify_all();
        notWrittenRunId.store(runId, std::memory_order_relaxed);
        return false;
    }
    CloseHandle(thread);
    openJobs.push_back(job);
    return true;
}

bool FinishRunFiles(uint32_t runId, const RunOutcome& outcome, const ReportTexts& texts) {
    const auto found = std::find_if(openJobs.begin(), openJobs.end(), [&](Job* job) { return job->runId == runId; });
    if (found == openJobs.end())
        return false;
    Job* job = *found;
    openJobs.erase(found);
    job->outcome = outcome;
    job->texts = texts;
    // From here on the job is the thread's alone.
    SetEvent(job->stopEvent);
    return true;
}

bool RunLogNotWritten(uint32_t runId) {
    return runId != 0 && notWrittenRunId.load(std::memory_order_relaxed) == runId;
}

bool WaitForRunFiles(DWORD timeoutMilliseconds) {
    std::unique_lock<std::mutex> lock(jobsMutex);
    return jobsIdle.wait_for(lock, std::chrono::milliseconds(timeoutMilliseconds), [] { return jobsRunning == 0; });
}

bool LastRunFilesResult(RunFilesResult& result) {
    std::lock_guard<std::mutex> lock(jobsMutex);
    if (haveLastResult)
        result = lastResult;
    return haveLastResult;
}
