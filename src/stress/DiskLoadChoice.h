// Which disk load runs, the temporary-file (cache) load or the real-disk load, and the real-disk load's folder:
// the setting behind the options menu's "Disk load" rows, the INI keys and the command line.
#pragma once

#include <atomic>
#include <cstdint>
#include <string>

enum class DiskLoadMode : int32_t { Cache = 0, Real = 1 };

// The options menu's commands for the disk load's setting.
enum DiskLoadCommand : int {
    kCommandDiskCache = 1301,
    kCommandDiskReal = 1302,
    kCommandDiskFolder = 1303,
};

struct DiskLoadChoice {
    // A DiskLoadMode; the disk worker started next runs this load.
    std::atomic<int32_t> mode{int32_t(DiskLoadMode::Cache)};
    // The real-disk load's folder as the user gave it; empty for the temporary folder. User-interface thread only:
    // each worker gets a copy when it is started.
    std::u16string folder;
};

extern DiskLoadChoice DiskChoice;

inline bool DiskLoadIs(DiskLoadMode mode) {
    return DiskChoice.mode.load(std::memory_order_relaxed) == int32_t(mode);
}
