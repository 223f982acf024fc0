// The real-disk load on Windows: its setting (which disk load, which folder), its worker thread, and the system's
// unbuffered, write-through, delete-on-close files behind the portable loop.
#pragma once

#include <windows.h>

#include <atomic>
#include <string>

#include "stress/DiskLoadChoice.h"
#include "stress/LoadCheck.h"
#include "stress/RealDiskLoad.h"

// Settings keys, section "Program": 0 the temporary-file (cache) load, 1 the real-disk load; the real-disk
// load's folder as text (empty or absent: the temporary folder).
constexpr wchar_t kDiskModeSettingKey[] = L"disk_mode";
constexpr wchar_t kDiskFolderSettingKey[] = L"disk_folder";

// Reads disk_mode and disk_folder into DiskChoice. Any disk_mode other than 1 means the cache load.
void LoadDiskLoadSettings();
// Sets and stores the mode; stores nothing when `store` is false (a command line's choice for its run).
void SetDiskLoadMode(DiskLoadMode mode, bool store);
// Sets the folder and, when `store`, writes it; false when the settings file could not take it (then nothing is
// changed).
bool SetDiskFolder(const std::wstring& folder, bool store);

// The folder the real-disk load uses for `chosen`: the chosen folder made a full path, or the temporary folder.
std::wstring RealDiskFolderFor(const std::wstring& chosen);
// The same path in the form the file calls take at any length: "\\?\C:\..." or "\\?\UNC\server\share\...".
std::wstring ExtendedLengthPath(const std::wstring& fullPath);

// How the load reads a system error code.
DiskIoResult ClassifySystemError(DWORD error);

// A run of the load on Windows, as the worker starts it and as the tests do.
struct RealDiskOptions {
    // As the user gave it; empty: the temporary folder.
    std::wstring folder;
    RealDiskSink sink;
    // The switches; the worker's are the disk switch and the master switch.
    bool (*keepRunning)() = nullptr;
    uint64_t maxFileBytes = kRealDiskMaxFileBytes;
    uint64_t minFileBytes = kRealDiskMinFileBytes;
    // Test seam: may replace calls of the system's table (a fault on the read path, a free space of its own).
    void (*adjustCalls)(RealDiskIo& calls) = nullptr;
};

// Checks the folder, takes a run tag and its mutex, deletes the leftovers of dead runs there, then runs the loop.
// Returns with every file of this run closed and so deleted.
DiskLoadEnd RunRealDisk(const RealDiskOptions& options, DiskLoadStatus& status);

// What a real-disk worker thread is started with; the thread frees it.
struct RealDiskStart {
    HWND window = nullptr;
    std::wstring folder;
    // The run the worker reports its faults and outcome to.
    WorkerRun run;
};

// The sink that hands the load's faults and outcome to the run, through the hooks the run installs; `run` must
// outlive the load.
RealDiskSink RunSink(const WorkerRun& run);

// Posted to the main window by a real-disk worker that its folder failed (DiskStatus.problem says how); wParam is
// the DiskIo class. PostMessageW never waits.
constexpr UINT kDiskProblemMessage = WM_APP + 0x50;

// Thread entry: runs RunRealDisk with the disk switch and the master switch. Exit code 0 on a stop, 1 when the
// folder failed it, which it then tells the window.
DWORD WINAPI RealDiskWorker(LPVOID start);

// Starts one real-disk worker for the folder chosen now. User-interface thread.
void StartRealDiskWorker(HWND window);
