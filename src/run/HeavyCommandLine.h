// The command line's /cpu, /mem and /cycle for one run: they change the heavy loads' options in memory only, so
// the settings file keeps what the user chose in the options menu.
#pragma once

#include "run/CommandLine.h"
#include "stress/HeavyOptions.h"

// Called once the stored settings are read and before any load starts; an option not given leaves its setting.
void ApplyHeavyCommandLine(const CommandLine& options, HeavyOptions& heavy);
