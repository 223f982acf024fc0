// The messages by which workers and watchers tell the main window about the run, without ever waiting for it.
#pragma once

#include <windows.h>

// An error was recorded in the current run: the window flashes, shows it and, when asked to, stops the run.
constexpr UINT kRunErrorMessage = WM_APP + 0x41;
// A run has ended (wParam: its id): the window shows the result once the loads were told to stop.
constexpr UINT kRunEndedMessage = WM_APP + 0x42;
// The detectors' self-test has finished on its own thread (lParam: its SelfTestReport, owned by the receiver).
constexpr UINT kSelfTestDoneMessage = WM_APP + 0x43;

// Posts kRunErrorMessage unless one is already on its way: a stuck bit found on every pass by every worker must
// not flood the queue. PostMessageW never blocks. Any thread; a null window is not told.
void PostRunErrorNotice(HWND window);
// The user-interface thread took the notice: the next error posts a new one.
void TakeRunErrorNotice();
