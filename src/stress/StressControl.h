// Stress control: the toggles behind the toolbar commands, the check states, and starting load workers.
#pragma once

#include <windows.h>

#include "stress/StressState.h"

// The toolbar that shows the load switches as check states, handed over by the application once it has made
// it; null shows them nowhere. The stress control knows no more of the window than this handle.
void SetSwitchToolbar(HWND toolbar);

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
