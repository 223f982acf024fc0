// The command line as start-up carries it out: refused before any load starts when it is bad, then the loads chosen
// for this run, the master switch, a hidden window, and the program's end with the run and its exit code.
#pragma once

#include <windows.h>

#include <cstdint>

#include "report/RunFiles_win.h"

struct LaunchPlan {
    // /nogui: the main window exists for its messages and timers but is never shown.
    bool showWindow = true;
    // /start: the master switch goes on once the window exists.
    bool start = false;
    // /exit: the program ends when its first run ends.
    bool exitWhenDone = false;
    // Bit n: load n was named (/paint /cpu /disk /mem), for this run only; 0 keeps the stored selection.
    int32_t loads = 0;
    // Where every run's files go: the runs folder and the command line's copies.
    RunFilesPlan files;
};

extern LaunchPlan Launch;

// What TakeCommandLine returns when the program goes on to its window.
constexpr int kLaunchGoesOn = -1;

// Reads the process's command line (after ResolveIniPath and the language tables) and does what needs no window:
// the usage, a refusal of a bad line or of an output file that cannot be created, and the detectors' self-test,
// each returning the process's exit code; else fills Launch and the runs' overrides and returns kLaunchGoesOn.
int TakeCommandLine();

// Once the main window exists, before the message loop: the loads named on the command line, for this run only
// (never stored), and the master switch when /start asked for it.
void StartLaunchedRun(HWND window);

// After the message loop: waits a while for the last run's files and, when the command line ran the program
// (/start or /exit), writes the one-line verdict for a script and returns the last run's exit code; otherwise
// returns the loop's own result.
int FinishLaunch(int loopResult);
