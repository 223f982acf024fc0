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
    int64_t durationSeconds = -1;
};
extern RunSettingOverrides RunOverrides;

// The settings the next run starts with: the options, unless overridden.
RunCheckSettings NextRunSettings();

// Why a run ended.
enum class RunEndReason : int { User = 0, TimeUp = 1, FirstError = 2, ProgramEnd = 3 };

struct RunEnding {
    uint32_t runId = 0;
    RunEndReason reason = RunEndReason::User;
    // The user (or the program's end) stopped a timed run before its time was up.
    bool stoppedBeforeTime = false;
    // Wall time of the end, seconds since 1970 in UTC.
    int64_t endUnixSeconds = 0;
};

// What else follows a run, installed by the application: its files. User-interface thread; a null hook does nothing.
struct RunObserverHooks {
    // The run has begun (its record is open), before its workers start.
    void (*begun)(HWND window, uint32_t runId) = nullptr;
    // The run has ended: its record is closed and its end posted to the window (kRunEndedMessage).
    void (*ended)(HWND window, const RunEnding& ending) = nullptr;
};
extern RunObserverHooks RunObservers;

// The reason the run that lasts will end for when the master switch goes off next; without one it is the user's.
// Set by the deadline and by stop-on-error just before they switch the master off.
void SetRunEndReason(RunEndReason reason);
// How the last run ended; a zero run id before any has.
const RunEnding& LastRunEnding();

// Milliseconds the run that lasts has left at `nowMilliseconds` (ClockMilliseconds), at least 0; -1 when no run
// lasts or it is not timed.
int64_t RunMillisecondsLeft(int64_t nowMilliseconds);
// The deadline timer (kRunDeadlineTimer) ticked: true when the timed run's time is up, which the window then ends;
// otherwise the timer is set again for the time left (a timer cannot wait longer than about 24 days at once).
bool RunTimeIsUp(HWND window);

// Reads the run's options from the settings (a stored value other than 0 means on; "duration_min" as
// DurationMinutesFromSetting reads it). User-interface thread.
void LoadRunOptions();
// Turns the option of a row's command over, or takes the "Run for" choice, and stores it at once; false for any
// other command.
bool ToggleRunOption(int command);

// Hooks the run into the stress engine's master switch and workers. User-interface thread, before any load
// starts; calling it again changes nothing.
void InstallRunHooks();

// Ends the run that lasts, if one does, as the program's end does; posts no result.
void EndRunAtExit();

// Test seam, for the end-to-end tests only: arms injected faults from a comma-separated list ("sum": one wrong
// sum in a processor worker, "bit": one flipped bit in a verified memory block, "disk": one flipped bit in a block
// the real-disk load read back, at byte 0x1005, "whea": the recorded WHEA event fed through the hardware error
// path when the next run begins, "fp": one wrong result in a call of the floating-point kernel on any processor).
// WinMain passes the environment variable KESTROVANE_TEST_INJECT_FAULTS, which no user sets; unknown words arm
// nothing.
void ArmTestFaults(const wchar_t* faults);
