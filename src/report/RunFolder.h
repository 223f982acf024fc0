// The runs folder: each run's files are named from its start time (2026-12-08_14-03-22.csv, .json and .html
// beside it), and only the newest runs are kept. Only names of exactly this pattern are ever chosen for deletion.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "report/CivilTime.h"

constexpr int kKeptRuns = 100;
// A second run in the same second gets "_2", then "_3", up to this.
constexpr int kMaxRunSuffix = 999;

enum class RunFileKind : int { Log = 0, Summary = 1, Report = 2 };
constexpr int kRunFileKindCount = 3;

struct RunFileName {
    CivilTime start;
    // 1 for the first run of that second, else the number after '_'.
    int suffix = 1;
    RunFileKind kind = RunFileKind::Log;
};

// "2026-12-08_14-03-22", or "2026-12-08_14-03-22_2" for a suffix above 1.
std::u16string RunFileStem(const CivilTime& start, int suffix = 1);
// The stem with ".csv", ".json" or ".html".
std::u16string RunFileNameOf(std::u16string_view stem, RunFileKind kind);

// True, with its parts, for a name the program gives its runs' files: the exact pattern with a real date and
// time, a suffix from 2 to kMaxRunSuffix without leading zeros, and a lower-case extension.
bool ParseRunFileName(std::u16string_view name, RunFileName& parsed);

// The first stem for that start time that none of the folder's names uses with any of the three extensions;
// empty when every suffix is taken.
std::u16string ChooseRunStem(const CivilTime& start, const std::vector<std::u16string>& folderNames);

// Of a folder's file names, those to delete so that the newest `keep` runs remain (a run is a stem with any of its
// files; newer is a later start time, then a higher suffix). Names outside the pattern are never returned, nor
// the files of `currentStem`, the run being written, whatever the clock said.
std::vector<std::u16string> RunFilesToDelete(const std::vector<std::u16string>& folderNames,
                                             std::u16string_view currentStem,
                                             int keep = kKeptRuns);
