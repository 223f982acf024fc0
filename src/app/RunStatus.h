// The run as the main window shows it: the status bar's second part, the flash on an error, stopping on the
// first error when asked, the end of a timed run, the result box, and the detectors' self-test result.
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
// kRunDeadlineTimer: when the timed run's time is up, the master switch goes off.
void OnRunDeadline(HWND window);
// kRunEndedMessage: the part is brought up to date; with /exit the program ends; otherwise, for a run that failed or
// whose time was up, the result box says how it went and where its report is, once the report is written.
void OnRunEnded(HWND window, WPARAM runId);
// kSelfTestDoneMessage: the self-test's table in a message box; takes the report.
void OnSelfTestDone(HWND window, LPARAM report);
