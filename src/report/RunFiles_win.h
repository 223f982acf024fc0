// Each run's files: its log, written once a second from the run's start by a thread of its own, then its JSON
// summary and HTML report beside it when the run ends, and the copies the command line asked for.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>

#include "report/ReportText.h"
#include "report/RunDescription.h"
#include "report/RunSummary.h"

// A run's files are finished (lParam: its RunFilesResult, allocated with new, owned by the receiver from then on).
constexpr UINT kRunFilesDoneMessage = WM_APP + 0x44;

// Where a run's files go.
struct RunFilesPlan {
    // Full path of the runs folder; empty when none is known, and then only the copies are written.
    std::wstring runsFolder;
    // Full paths of the copies the command line asked for (/log, /report, /json); empty for none.
    std::wstring logCopy;
    std::wstring reportCopy;
    std::wstring jsonCopy;
};

struct RunFilesResult {
    uint32_t runId = 0;
    Verdict verdict = Verdict::Passed;
    int exitCode = 0;
    int64_t runMilliseconds = 0;
    int64_t errors = 0;
    // The log and the report in the runs folder; empty when they were not written there.
    std::wstring logPath;
    std::wstring reportPath;
    // Every line reached every log, and every summary and report asked for was written.
    bool logComplete = false;
    bool reportsWritten = false;
};

// Starts the log thread of a run that has just begun at `startMilliseconds` (ClockMilliseconds): it fills in the
// machine, makes the runs folder, names the log after the start in local time, deletes the runs beyond the newest
// 100 and writes a line every second. User-interface thread. False when no thread could be started: nothing of the
// run will be written.
bool StartRunFiles(HWND window,
                   uint32_t runId,
                   int64_t startMilliseconds,
                   const RunDescription& description,
                   const RunFilesPlan& plan);

// The run has ended and its record is closed: hands its outcome and the report's labels (looked up on the
// user-interface thread, the only one that may read the language tables) to its log thread, which writes its last
// lines, closes the log, reads it back and writes the summary and the report. The result then comes with
// kRunFilesDoneMessage. User-interface thread. False when no log thread runs for that run.
bool FinishRunFiles(uint32_t runId, const RunOutcome& outcome, const ReportTexts& texts);

// True while lines of that run's log cannot be written (no runs folder, a folder or file that cannot be made, a
// full disk). Any thread.
bool RunLogNotWritten(uint32_t runId);

// Waits, at the program's end, until no run's files are being written, at most that long; true when none are.
bool WaitForRunFiles(DWORD timeoutMilliseconds);
// The result of the run whose files were finished last; false when none has been.
bool LastRunFilesResult(RunFilesResult& result);
