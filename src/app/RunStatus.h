// The run as the main window shows it: the status bar's second part, the flash on an error, stopping on the
// first error when asked, the result box after a failed run, and the detectors' self-test result.
#pragma once

#include <windows.h>

// Shows, hides or changes the status bar's second part to match the run; cheap when nothing changed. Called on
// every timer tick, on a resize and on every run notice.
void UpdateRunStatusPart();

// WM_DRAWITEM: draws the part in its alarm colours; false for any other item.
bool DrawRunStatusPart(const DRAWITEMSTRUCT& item);

// kRunErrorMessage: the window flashes, the part shows the errors, and with "stop on first error" the master
// switch goes off.
void OnRunError(HWND window);
// kRunEndedMessage: the part is brought up to date and, for a run that failed, the result box says what failed.
void OnRunEnded(HWND window, WPARAM runId);
// kSelfTestDoneMessage: the self-test's table in a message box; takes the report.
void OnSelfTestDone(HWND window, LPARAM report);
