// The real-disk load's figures in a run's log, JSON summary and HTML report: its rates as log columns (beside
// the temporary-file load's, so that the cache's rate and the device's stand side by side) and what it did.
#pragma once

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <string>

#include "stress/RealDiskLoad.h"

// Extra columns of the run log, in this order; kRateColumns summarises them.
constexpr const char* kDiskLogColumns[] = {"disk_cache_mb_per_s", "disk_write_mb_per_s", "disk_read_mb_per_s"};
constexpr size_t kDiskLogColumnCount = sizeof(kDiskLogColumns) / sizeof(kDiskLogColumns[0]);

// This second's values of those columns: NaN (an empty field) where a load has not measured its rate yet.
void DiskLogValues(const DiskLoadStatus& status, double values[kDiskLogColumnCount]);

// The counters of the real-disk load at one moment; a run's figures are the difference between its end and start.
struct DiskCounters {
    int64_t bytesWritten = 0;
    int64_t bytesVerified = 0;
    int64_t filesVerified = 0;
};
DiskCounters ReadDiskCounters(const DiskLoadStatus& status);

struct DiskReport {
    // The real-disk load ran in this run; without it the JSON's "disk" is null.
    bool ran = false;
    std::u16string folder;
    DiskCounters done;
    int32_t leftoversRemoved = 0;
    // The DiskIo class of the folder problem that ended it; Ok when none did.
    DiskIo folderProblem = DiskIo::Ok;
    uint32_t systemError = 0;
};

// What the real-disk load did between `atStart` and now.
DiskReport CollectDiskReport(const DiskLoadStatus& status,
                             const DiskCounters& atStart,
                             const std::u16string& folder,
                             bool ran);

// "folder_missing", "not_a_folder", "not_writable", "folder_gone"; null for Ok and the classes that are no folder
// problem.
const char* FolderProblemKey(DiskIo problem);
