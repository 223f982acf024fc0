// What the window says about a run in the current language: the status bar's second part and the result box.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <string>
#include <string_view>

#include "run/RunRecord.h"

// The language texts of the run (the extended block).
enum RunText : int {
    kTextRunFor = 61,
    kTextOpenRunsFolder = 68,
    kTextShowLastReport = 69,
    kTextTimeLeft = 70,
    kTextLogNotWritten = 71,
    kTextReportAt = 72,
    kTextReportNotWritten = 73,
    kTextNoReportYet = 74,
    kTextVerifiedErrors = 100,
    kTextErrorCount = 101,
    kTextProcessorPlace = 102,
    kTextAdditions = 103,
    kTextMemoryCopy = 104,
    kTextHardwareLog = 105,
    kTextHardwareLogNotAvailable = 106,
    kTextNotVerified = 107,
    kTextPassed = 108,
    kTextFailed = 109,
    kTextIncomplete = 110,
    kTextVerifyResults = 111,
    kTextStopOnFirstError = 112,
    kTextCheckErrorDetection = 113,
    kTextRunTime = 114,
    kTextFirstError = 115,
    kTextDetectorCheck = 116,
    kTextCaught = 117,
    kTextNotCaught = 118,
    kTextWrongSumDetector = 119,
    kTextFlippedBitDetector = 120,
    kTextWheaEventDetector = 121,
    kTextEveryDetectorCaught = 122,
    kTextDetectorMissed = 123,
    // The floating-point processor load's check, as the status part and the result name it.
    kTextFloatingPoint = 199,
    kTextDiskRates = 220,
    kTextDiskNearlyFull = 221,
    kTextDiskFolderNotUsable = 230,
};

// Replaces each "%d" or "%s" of the format, in order, with the next value; "%%" is one "%". A translation with
// fewer placeholders drops the extra values, one with more leaves them empty: imported texts are not trusted.
std::u16string FillPlaceholders(std::u16string_view format, std::initializer_list<std::u16string_view> values);

std::u16string DecimalText(int64_t value);
// "h:mm:ss".
std::u16string DurationText(int64_t milliseconds);

// Where an error was found: "processor 3 (additions)", or the check's name alone when no processor is known.
std::u16string ErrorPlaceText(const RunError& error);

struct DiskLoadStatus;

// The real-disk load in the status part: "Disk: write 812 MB/s, read 1650 MB/s" from its last phases, "disk nearly
// full" while it waits for room, "disk: folder not usable" after its folder failed it; empty before it measured.
std::u16string DiskStatusText(const DiskLoadStatus& status);

enum class StatusPartLook : int { Hidden = 0, Normal = 1, Alarm = 2 };

struct StatusPart {
    StatusPartLook look = StatusPartLook::Hidden;
    std::u16string text;
};

// What the part shows besides the record: the time a timed run has left, and whether its log is being written.
struct StatusExtras {
    // Below 0: not a timed run (or none lasts).
    int64_t millisecondsLeft = -1;
    bool logNotWritten = false;
};

// While a run lasts, or after one that found errors: "Verified: 0 errors" (or "not verified" when no selected
// load is checked) in the normal look, "2 ERRORS: processor 3 (additions)" in the alarm look; then, while a timed
// run lasts, "0:42:17 left"; "log not written" while its log cannot be written; the real-disk load's text when
// the run has it; "hardware error log: not available" when the log could not be watched. Hidden otherwise.
StatusPart ComposeStatusPart(const RunRecord& run, const StatusExtras& extras = {});

// "0:42:17 left": whole seconds rounded up, so the last second shows "0:00:01 left", never "0:00:00".
std::u16string TimeLeftText(int64_t milliseconds);

// The result box's last line: "Report: PATH", or "report not written" for an empty path.
std::u16string ReportLineText(std::u16string_view reportPath);

// The one line a script's console gets when a run ends: "PASSED – Run time: 0:00:20 – Errors: 0 – Report: PATH".
// The verdict stays in English, as the exit code and the JSON summary name it.
std::u16string ComposeVerdictLine(Verdict verdict,
                                  int64_t runMilliseconds,
                                  int64_t errors,
                                  std::u16string_view reportPath);

// The result of a run, one fact per line: the verdict; the errors and where; the run time; the first error, where
// and when, with its description; each selected load that is not verified; the hardware error log's state. The
// run time of a run that still lasts is taken up to `nowMilliseconds`.
std::u16string ComposeRunResult(const RunRecord& run, int64_t nowMilliseconds);
