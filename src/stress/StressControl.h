// Stress control: the toggles behind the toolbar commands, the check states, and starting load workers.
#pragma once

#include <windows.h>

#include "stress/StressState.h"

// Command identifiers of the load switches (toolbar buttons and WM_COMMAND).
enum StressCommand : int {
    kCommandCpu = 107,
    kCommandPaint = 108,
    kCommandMaster = 109,
    kCommandDisk = 110,
    kCommandMemory = 111,
};

void ToggleCpuLoad(HWND window);
void TogglePaintLoad(HWND window);
void ToggleMasterSwitch(HWND window);
void ToggleDiskLoad(HWND window);
void ToggleMemoryLoad(HWND window);

// Shows the switches as check states on the stress toolbar and, unless the paint load owns the client area,
// recomposes the status text and repaints the window.
void SyncStressControls(HWND window);

// Starts the workers of one load; the window is every worker's start parameter. Keeps no handle.
void StartLoadWorkers(HWND window, LoadType type);

// Reads the four load switches and the paint mode from the settings into the stress state.
void LoadStressSettings();
