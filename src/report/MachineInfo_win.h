// The machine a run ran on, as the log's first line and the JSON summary describe it.
#pragma once

#include "report/RunDescription.h"

// The processor's name (the registry's ProcessorNameString, else the processor's own brand string), the logical
// processors across all groups, the physical memory and the Windows version as the kernel reports it (RtlGetVersion,
// which is not subject to the compatibility shims GetVersionEx applies). Any thread; a figure that cannot be had
// stays empty or 0.
MachineInfo ReadMachineInfo();
