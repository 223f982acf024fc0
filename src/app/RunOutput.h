// What a run leaves, as the window drives it: its files begun and finished with the run, the result box once its
// report is written, the verdict line for a script's console, and the options that open the runs folder and the
// last report.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>

#include "run/RunRecord.h"

// The last run that ended, as a script reads it.
struct EndedRun {
    uint32_t runId = 0;
    Verdict verdict = Verdict::Passed;
    int exitCode = 0;
    int64_t runMilliseconds = 0;
    int64_t errors = 0;
};

// Hooks the run's files to every run's beginning and end. User-interface thread, before any run.
void InstallRunOutput();

// The last run that ended; its id is 0 before any has.
const EndedRun& LastEndedRun();

// Shows the run's result lines in a box owned by the window once the run's files are written, with the line that
// says where its report is; at once (saying that no report was written) when no files are being written for it.
void ShowResultWhenWritten(HWND window, uint32_t runId, std::u16string result);

// kRunFilesDoneMessage: the result box that waited for the report, and the verdict line of a run that the command
// line started. Takes the RunFilesResult.
void OnRunFilesDone(HWND window, LPARAM result);

// Writes "PASSED – Run time: 0:00:20 – Errors: 0 – Report: PATH" to the console the program was started from; into
// a message box when there is none and `box` allows it.
void WriteVerdictLine(const EndedRun& run, bool box);
bool VerdictLineWritten(uint32_t runId);

// The options' actions: the runs folder (made first when it is not there yet) and the newest report in it, opened
// with the shell; a box says so when there is no report yet.
void OpenRunsFolder();
void ShowLastReport(HWND window);

// The product's name with its version ("Kestrovane 4.91"), for captions and the run's description.
const char16_t* ProductNameText();
