// The run: from the master switch going on to its going off, what it ran, the errors its checks found and the
// verdict it ends with. Workers record errors without a lock; the user-interface thread starts, ends and reads it.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>

enum class Verdict : int { Passed = 0, Failed = 1, Incomplete = 2 };

// The check that found an error.
enum class ErrorSource : int { Additions = 0, Memory = 1, HardwareLog = 2, FloatingPoint = 3, Disk = 4 };
constexpr int kErrorSourceCount = 5;

// The first errors are kept in full; every error is counted.
constexpr int kKeptRunErrors = 1000;
// Windows' limit on logical processors across all processor groups.
constexpr int kMaxRunProcessors = 2048;
constexpr int kRunErrorDetailCapacity = 160;
// One slot per LoadType value.
constexpr int kRunLoadCount = 4;

struct RunError {
    // Since the run's start, on the clock of ClockMilliseconds.
    int64_t millisecondsSinceStart = 0;
    ErrorSource source = ErrorSource::Additions;
    // The logical processor the check ran on (across groups); -1 when not known.
    int32_t processor = -1;
    // Where in the block or file the error lies, in bytes; 0 where that means nothing.
    uint64_t offset = 0;
    uint64_t expected = 0;
    uint64_t actual = 0;
    // A short English description for the log and the report, ASCII, always terminated.
    char detail[kRunErrorDetailCapacity] = {};
};

// The kept errors' slots. They start without values — RecordRunError fills a slot before it sets the slot's ready
// flag, and only ready slots are read — so the run record, some 200 KB, is all zeros before the first run and takes
// no room in the executable.
struct KeptRunErrors {
    constexpr KeptRunErrors() {}
    RunError& operator[](size_t slot) { return slots[slot]; }
    const RunError& operator[](size_t slot) const { return slots[slot]; }
    union {
        RunError slots[kKeptRunErrors];
    };
};

// The settings a run was started with; the user-interface thread writes them in BeginRun, workers read them.
struct RunCheckSettings {
    bool verify = true;
    bool stopOnError = false;
    // 0: the run lasts until stopped; else it ends by itself after this many seconds.
    int64_t durationSeconds = 0;
    // The disk load of this run is the real-disk load.
    bool realDisk = false;
};

// Whether the system's hardware error reports are watched during the run.
enum class HardwareLogState : int { NotWatched = 0, Watching = 1, NotAvailable = 2 };

struct RunRecord {
    // Changes with every run: a worker records into the run it was started for, never into a later one.
    std::atomic<uint32_t> runId{0};
    std::atomic<int32_t> active{0};
    // Written by the user-interface thread before the workers start; read by workers stamping their errors, so
    // atomic: a late worker of the last run may read it while the next run begins.
    std::atomic<int64_t> startMilliseconds{0};
    // Written by the user-interface thread after the workers were told to stop.
    int64_t endMilliseconds = 0;
    // Wall time of the start, seconds since 1970 in UTC.
    int64_t startUnixSeconds = 0;
    // Bit n set: load n (a LoadType value) was selected for the run.
    int32_t selectedLoads = 0;
    // 0: until stopped. User-interface thread only.
    int64_t durationSeconds = 0;
    struct {
        // BeginRun sets these; zero before the first run keeps the record all zeros (see KeptRunErrors).
        std::atomic<int32_t> verify{0};
        std::atomic<int32_t> stopOnError{0};
        std::atomic<int32_t> realDisk{0};
    } settings;
    std::atomic<int32_t> hardwareLog{int32_t(HardwareLogState::NotWatched)};

    std::atomic<int64_t> errorCount{0};
    std::atomic<int32_t> errorSlotsTaken{0};
    // A kept error may be read once its slot reads 1: the writer fills the slot first, then sets this with
    // release order.
    std::atomic<int32_t> errorSlotReady[kKeptRunErrors] = {};
    KeptRunErrors errors;
    std::atomic<int32_t> processorErrors[kMaxRunProcessors] = {};
    std::atomic<int32_t> sourceErrors[kErrorSourceCount] = {};
    // Per load: it did its work at least once, or it could not run at all (its folder unwritable, no memory).
    std::atomic<int32_t> loadRan[kRunLoadCount] = {};
    std::atomic<int32_t> loadCouldNotRun[kRunLoadCount] = {};
    // Per load: it ran, then lost what it needs before the run ended (its folder went away).
    std::atomic<int32_t> loadInterrupted[kRunLoadCount] = {};
};

extern RunRecord CurrentRun;

// Starts a new run with the given loads at the given times; returns its id. User-interface thread only.
uint32_t BeginRun(int32_t selectedLoads,
                  int64_t startMilliseconds,
                  int64_t startUnixSeconds,
                  const RunCheckSettings& settings = RunCheckSettings());
// Ends the run at the given time; errors recorded afterwards by late workers are dropped.
void EndRun(int64_t endMilliseconds);

// Records an error of the run `runId` from any thread; false when that run is over or another one began.
bool RecordRunError(uint32_t runId, const RunError& error);
// A load tells that it did its work, or that it could not run at all, in the run `runId`.
void MarkLoadRan(uint32_t runId, int load);
void MarkLoadCouldNotRun(uint32_t runId, int load);
// A load that ran tells that it had to stop before the run ended, for want of what it needs.
void MarkLoadInterrupted(uint32_t runId, int load);

void SetHardwareLogState(HardwareLogState state);

// The loads whose work is checked in a run with these settings: the processor and memory loads when "verify" is
// on, and the disk load when the run has the real-disk load, which always checks what it reads back. The paint
// load draws what cannot be read back meaningfully and the temporary-file disk load's writes may never leave the
// cache, so neither is verified.
bool LoadIsVerified(const RunRecord& run, int load);

// FAILED with any error; else INCOMPLETE when a selected load never ran and said it could not, or was
// interrupted; else PASSED.
Verdict RunVerdict(const RunRecord& run);
// "PASSED", "FAILED", "INCOMPLETE": the verdict as scripts, the log and the report read it.
const char* VerdictName(Verdict verdict);
