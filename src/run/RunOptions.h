// The run's options as the options menu shows them, "Verify results" and "Stop on first error", and the commands
// of their rows. The application reads them from the settings at start and writes every change through.
#pragma once

#include <atomic>
#include <cstdint>

// Command identifiers of the run's rows in the options menu (WM_COMMAND), beside the toolbar's 105-131.
enum RunOptionCommand : int {
    kCommandVerifyResults = 140,
    kCommandStopOnFirstError = 141,
    kCommandCheckErrorDetection = 142,
};

// Settings keys, section "Program": check the loads' results (default 1), end a run at its first error
// (default 0).
constexpr wchar_t kVerifySettingKey[] = L"verify";
constexpr wchar_t kStopOnErrorSettingKey[] = L"stop_on_error";

// 0 or 1. Written by the user-interface thread only; a run takes them when it begins.
struct RunOptionSwitches {
    std::atomic<int32_t> verify{1};
    std::atomic<int32_t> stopOnError{0};
};

extern RunOptionSwitches RunOptions;
