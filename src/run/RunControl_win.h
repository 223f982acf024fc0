// The run around the loads: it begins when the master switch goes on and ends when it goes off or the program
// ends, with the settings it was started with, the hardware error watch, and the workers' findings recorded.
#pragma once

#include <windows.h>

#include "run/RunOptions.h"
#include "run/RunRecord.h"

// What the command line may say for the next runs instead of the stored settings: -1 leaves the setting to rule.
struct RunSettingOverrides {
    int verify = -1;
    int stopOnError = -1;
};
extern RunSettingOverrides RunOverrides;

// The settings the next run starts with: the options, unless overridden.
RunCheckSettings NextRunSettings();

// Reads the run's options from the settings (a stored value other than 0 means on). User-interface thread.
void LoadRunOptions();
// Turns the option of a row's command over and stores it at once; false for any other command.
bool ToggleRunOption(int command);

// Hooks the run into the stress engine's master switch and workers. User-interface thread, before any load
// starts; calling it again changes nothing.
void InstallRunHooks();

// Ends the run that lasts, if one does, as the program's end does; posts no result.
void EndRunAtExit();

// Test seam, for the end-to-end tests only: arms injected faults from a comma-separated list ("sum": one wrong
// sum in a processor worker, "bit": one flipped bit in a verified memory block, "disk": one flipped bit in a block
// the real-disk load read back, at byte 0x1005, "whea": the recorded WHEA event fed through the hardware error
// path when the next run begins). WinMain passes the environment variable
// KESTROVANE_TEST_INJECT_FAULTS, which no user sets; unknown words arm nothing.
void ArmTestFaults(const wchar_t* faults);
