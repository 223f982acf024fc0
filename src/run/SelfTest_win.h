// The detector self-test from the options menu (on a thread of its own, the result posted to the window) and from
// the command line (the table on the console, the exit code for a script).
#pragma once

#include <windows.h>

// Starts the self-test on a new thread unless one runs; its SelfTestReport, allocated with new, arrives with
// kSelfTestDoneMessage (lParam) and belongs to the window from then on. False when no thread could be started.
bool StartSelfTestThread(HWND window);

// Runs the self-test on this thread, writes its table to the console (a message box when there is none) and
// returns the process exit code: 0 when every detector caught its fault, else 1.
int RunSelfTestOnConsole();
