// Watches the System event log for the hardware errors that the WHEA logger records while a run lasts.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string_view>

#include "run/RunRecord.h"

// Subscribes to the logger's future events for the run and notes in it whether the log can be watched: the
// event log API is looked up at run time, and where it is missing, refuses the subscription (no rights, no event
// log service, Wine) or cannot be loaded, the run says "not available". `clock` is the time base of the run's
// start. User-interface thread.
HardwareLogState StartHardwareErrorWatch(HWND window, uint32_t runId, int64_t (*clock)());
// Ends the subscription; events delivered afterwards are not counted. User-interface thread.
void StopHardwareErrorWatch();

// What every delivered event goes through, and what the self-test feeds a recorded event to: reads the XML and,
// when it is a hardware error, describes it into `error`, records it in run `runId` (when that run still lasts)
// and posts the window a notice. Returns whether the event is a hardware error.
bool HandleLoggedEventXml(HWND window,
                          uint32_t runId,
                          std::u16string_view xml,
                          int64_t millisecondsSinceStart,
                          RunError& error);
