// A made-up run for the report's tests, benchmark and browser check: a log of any length with a dip and a spike in
// the processor rate, and errors at known seconds.
#pragma once

#include <string>

#include "report/RunSummary.h"

struct SyntheticRun {
    RunDescription description;
    RunOutcome outcome;
    std::string logText;
    DiskReport disk;
};

// `seconds` lines of paint, processor and memory load; the processor rate dips to a tenth for one second at two
// thirds of the run and doubles for one second at a third. `errors` errors of the memory check, spread evenly.
// With `realDisk` the disk load runs too: the temporary-file load for the first third, the real-disk load after.
SyntheticRun MakeSyntheticRun(int seconds, int errors, bool realDisk = false);
