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

// A made-up heavy run of `seconds` seconds on `processors` processors: the floating-point load's per-processor
// rates and clocks, processor 1 falling 15 % below its first minute from two thirds of the run on (the
// throttling rule's events come from the real watch), and the memory load over 90 % of the free memory. With
// `cyclePeriod`, one processor at a time: each in turn for that many seconds, and an error on processor 0.
SyntheticRun MakeHeavySyntheticRun(int seconds, int processors, int cyclePeriod, HeavyRunFacts& facts);
