// The command line for automation: options parsed from UTF-16 arguments into one record, the message that names
// a bad part, the usage text for /? and the exit codes a script reads.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "run/RunRecord.h"
#include "stress/DiskLoadChoice.h"

// What the program returns to a script.
enum class ExitCode : int { Passed = 0, Failed = 1, BadCommandLine = 2, Incomplete = 3, StoppedByUser = 4 };

// FAILED and INCOMPLETE as the verdict says; a run without errors that the user stopped before its duration was
// up gives StoppedByUser; else Passed.
ExitCode ExitCodeFor(Verdict verdict, bool stoppedByUserBeforeDuration);

// Durations: "90s", "30m", "2h", or a bare number of minutes; more than zero and at most a year.
constexpr int64_t kMaxDurationSeconds = int64_t(8760) * 3600;
// "/cycle" without a value.
constexpr int64_t kDefaultCycleSeconds = 6 * 60;
// "/mem N%": a share of the free physical memory from 1 to 90 percent; "/mem N": N MiB, at most 1 PiB.
constexpr int kMaxMemoryPercent = 90;
constexpr int64_t kMaxMemoryMebibytes = int64_t(1) << 30;

enum class CpuMethodChoice : int { Stored = 0, Additions = 1, FloatingPoint = 2 };
enum class MemorySizeChoice : int { Stored = 0, Percent = 1, Mebibytes = 2 };
enum class DiskModeChoice : int { Stored = 0, Cache = 1, Real = 2 };

// Options whose feature this version parses but cannot run yet (bits of CommandLine::unsupported).
enum UnsupportedFeature : uint32_t {
    kFeatureFloatingPoint = 1 << 0,  // /cpu fp
    kFeatureMemorySize = 1 << 1,     // /mem 90%, /mem 4096
    kFeatureRealDisk = 1 << 2,       // /disk real
    kFeatureDiskPath = 1 << 3,       // /diskpath PATH
    kFeatureCycle = 1 << 4,          // /cycle T
};
// The features this version runs; the glue refuses an option whose bit is in CommandLine::unsupported and not
// here. A feature that lands adds its bit.
constexpr uint32_t kAvailableFeatures =
    kFeatureFloatingPoint | kFeatureMemorySize | kFeatureCycle | kFeatureRealDisk | kFeatureDiskPath;

struct CommandLine {
    bool usage = false;     // /?
    bool selfTest = false;  // /selftest
    bool start = false;
    bool exitWhenDone = false;
    bool stopOnError = false;
    bool noVerify = false;
    bool noGui = false;
    // Bit n: load n (a LoadType value: paint, cpu, disk, memory) was named; 0 keeps the stored selection.
    int32_t loads = 0;
    // 0: no /duration, the run lasts until stopped.
    int64_t durationSeconds = 0;
    std::u16string logPath;
    std::u16string reportPath;
    std::u16string jsonPath;
    CpuMethodChoice cpuMethod = CpuMethodChoice::Stored;
    MemorySizeChoice memorySize = MemorySizeChoice::Stored;
    // Percent or MiB as memorySize says.
    int64_t memoryAmount = 0;
    DiskModeChoice diskMode = DiskModeChoice::Stored;
    std::u16string diskPath;
    // 0: no /cycle.
    int64_t cycleSeconds = 0;
    // UnsupportedFeature bits of the options given, and each such option as the user wrote it, in order.
    uint32_t unsupported = 0;
    struct FeatureOption {
        uint32_t feature = 0;
        std::u16string written;
    };
    std::vector<FeatureOption> featureOptions;
};

enum class CommandLineProblem : int {
    None = 0,
    UnknownOption,    // subject: the option
    NotAnOption,      // subject: the argument
    MissingValue,     // subject: the option
    BadDuration,      // subject, value
    ZeroDuration,     // subject, value
    DurationTooLong,  // subject, value
    BadValue,         // subject, value, allowed: the values it takes
    BadMemorySize,    // subject, value
    Repeated,         // subject: the option
    ExitNeedsEnd,     // /exit without /duration or /stoponerror
    Needs,            // subject needs allowed (an option)
    CannotCombine,    // subject cannot be combined with allowed
};

struct CommandLineError {
    CommandLineProblem problem = CommandLineProblem::None;
    std::u16string subject;
    std::u16string value;
    std::u16string allowed;
};

struct CommandLineResult {
    CommandLine options;
    // problem None: the options are good (which says nothing yet about unsupported ones or output files).
    CommandLineError error;
};

// Parses the arguments after the program's name (CommandLineToArgvW's argv[1] on). Options start with '/' or '-'
// and are case-insensitive. A value is the next argument; /cpu, /mem, /disk and /cycle take one only when the
// next argument does not start with '/' or '-'. The first fault found is reported; /? anywhere asks for the
// usage and nothing else is checked.
CommandLineResult ParseCommandLine(const std::vector<std::u16string>& arguments);

// True when any argument is that option ("nogui": "/nogui", "-NoGui"), whatever else the line holds: a line too
// bad to parse may still say that no window, and so no message box, is wanted.
bool NamesOption(const std::vector<std::u16string>& arguments, std::u16string_view name);

// The disk load's choices of this run, /disk real|cache and /diskpath, put into the disk load's setting without
// storing them; an option not given leaves the stored choice.
void ApplyDiskOptions(const CommandLine& options, DiskLoadChoice& choice);

// The first option given whose feature is not in `available`, as the user wrote it; empty when none.
std::u16string UnavailableOption(const CommandLine& options, uint32_t available = kAvailableFeatures);

// The messages, in the current language: what is wrong, then how to see the options.
std::u16string ComposeCommandLineMessage(const CommandLineError& error);
std::u16string ComposeUnavailableMessage(const std::u16string& option);
// "The file for /log cannot be created: PATH", for the glue that tries to create it.
std::u16string ComposeFileNotCreatedMessage(const std::u16string& option, const std::u16string& path);

// The text /? prints: usage line, one line per available option (names literal, descriptions in the current
// language), the exit codes. Lines end with "\r\n".
std::u16string ComposeUsageText(uint32_t available = kAvailableFeatures);
