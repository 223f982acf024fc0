// The run's options as the options menu shows them, "Verify results", "Stop on first error" and "Run for", and the
// commands of their rows. The application reads them from the settings at start and writes every change through.
#pragma once

#include <atomic>
#include <cstdint>

// Command identifiers of the run's rows in the options menu (WM_COMMAND), beside the toolbar's 105-131.
enum RunOptionCommand : int {
    kCommandVerifyResults = 140,
    kCommandStopOnFirstError = 141,
    kCommandCheckErrorDetection = 142,
    // "Run for": one command per choice of kRunDurationChoices, in its order.
    kCommandRunForFirst = 143,
    kCommandRunForLast = 149,
    kCommandOpenRunsFolder = 150,
    kCommandShowLastReport = 151,
};

// Settings keys, section "Program": check the loads' results (default 1), end a run at its first error
// (default 0), how long a run lasts in minutes (default 0: until stopped).
constexpr wchar_t kVerifySettingKey[] = L"verify";
constexpr wchar_t kStopOnErrorSettingKey[] = L"stop_on_error";
constexpr wchar_t kDurationSettingKey[] = L"duration_min";

// The choices of "Run for" in minutes, 0 being "until stopped", and the language text of each.
struct RunDurationChoice {
    int minutes;
    int textIndex;
};
constexpr RunDurationChoice kRunDurationChoices[] = {
    {0, 171}, {10, 62}, {30, 63}, {60, 64}, {120, 65}, {480, 66}, {1440, 67},
};
constexpr int kRunDurationChoiceCount = int(sizeof(kRunDurationChoices) / sizeof(kRunDurationChoices[0]));
static_assert(kCommandRunForFirst + kRunDurationChoiceCount - 1 == kCommandRunForLast);

// The longest run a setting may ask for, as long as the command line's longest: a year.
constexpr int kMaxDurationMinutes = 8760 * 60;

// A stored "duration_min" as the minutes a run lasts: a value from a hand-edited file that is no choice of the
// menu still counts, cut to a year; zero, negative values and garbage (read as 0) mean until stopped.
int DurationMinutesFromSetting(int stored);

// 0 or 1, and minutes. Written by the user-interface thread only; a run takes them when it begins.
struct RunOptionSwitches {
    std::atomic<int32_t> verify{1};
    std::atomic<int32_t> stopOnError{0};
    std::atomic<int32_t> durationMinutes{0};
};

extern RunOptionSwitches RunOptions;
