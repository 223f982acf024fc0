// The disk load's loop over temporary files, with the open and the write passed in so that tests can make them
// fail the way a full or broken disk does.
#pragma once

#include <windows.h>

struct WorkerRun;

constexpr DWORD kDiskBlockBytes = 4096;
// 25,600 blocks of 4096 bytes: 100 MiB per file.
constexpr int kDiskBlocksPerFile = 25600;
// How long the worker waits after a failed write before it tries a new file.
constexpr DWORD kFailedWritePauseMilliseconds = 100;

struct DiskFileCalls {
    // Creates the named file for the load; INVALID_HANDLE_VALUE, with the system's error, when it cannot.
    HANDLE (*open)(const wchar_t* name);
    // One synchronous write of the block at the file's end; whether it succeeded.
    BOOL (*write)(HANDLE file, const void* block, DWORD bytes);
};

// The calls the program's own disk worker makes: a new delete-on-close temporary file and WriteFile.
extern const DiskFileCalls kSystemDiskCalls;

// Fills temporary files named with the prefix "stress" in the folder, one after another, until the disk switch
// or the master switch goes off (returns 0) or a file cannot be created (returns 1). Leaves no file behind. With a
// run, tells it once that the load wrote, or that it could not write a single block.
DWORD RunDiskLoad(const wchar_t* folder, const DiskFileCalls& calls, const WorkerRun* run = nullptr);
