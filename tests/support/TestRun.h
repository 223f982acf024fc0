// Starting a run for worker tests the way the master switch does: the run's hooks installed, the run begun and
// the workers' run id published.
#pragma once

#include "run/RunControl_win.h"
#include "stress/LoadCheck.h"

inline WorkerRun BeginTestRun(int32_t selectedLoads) {
    InstallRunHooks();
    const WorkerRun run = StressRunHooks.begin(nullptr, selectedLoads);
    WorkerRunNow.verify = run.verify ? 1 : 0;
    WorkerRunNow.realDisk = run.realDisk ? 1 : 0;
    WorkerRunNow.runId = run.runId;
    return run;
}

inline void EndTestRun() {
    EndRunAtExit();
}
