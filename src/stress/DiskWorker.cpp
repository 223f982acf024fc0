// The disk load: 4096-byte writes of zeros into 100 MiB temporary files that the system deletes on close.
#include "stress/DiskWorker.h"

#include <chrono>

#include "stress/LoadCheck.h"
#include "stress/RealDiskLoad.h"
#include "stress/StressState.h"
#include "stress/Workers.h"

namespace {

// Written by nobody; every disk worker writes from it.
const char zeroBlock[kDiskBlockBytes] = {};

constexpr DWORD kPausePollMilliseconds = 10;
// GetTempFileNameW takes the unique number's low 16 bits; 0 would make it create the file itself.
constexpr UINT kUniqueNumbers = 0xFFFF;

enum class FileEnd { Full, WriteFailed, Stopped };

HANDLE OpenStressFile(const wchar_t* name) {
    // The handle is not inheritable: a program started from here (the task manager, a browser) would otherwise
    // hold it and keep a 100 MiB file on the disk for as long as it runs, long after this program has ended.
    return CreateFileW(name, GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, CREATE_NEW,
                       FILE_FLAG_DELETE_ON_CLOSE | FILE_ATTRIBUTE_TEMPORARY, nullptr);
}

BOOL WriteBlock(HANDLE file, const void* block, DWORD bytes) {
    DWORD written = 0;
    return WriteFile(file, block, bytes, &written, nullptr);
}

bool NameTaken(DWORD error) {
    return error == ERROR_FILE_EXISTS || error == ERROR_ALREADY_EXISTS;
}

// GetTempFileNameW only forms the name here; the open creates the file already delete-on-close. Had the file been
// created empty first and opened after, an exit or a kill of the process in between would leave it behind for
// good, and so would an open that fails. A name that is in use is skipped.
HANDLE CreateStressFile(const wchar_t* folder, const DiskFileCalls& calls, UINT& unique) {
    for (UINT tries = 0; tries < kUniqueNumbers; ++tries) {
        unique = unique % kUniqueNumbers + 1;
        wchar_t name[MAX_PATH + 1] = {};
        if (!GetTempFileNameW(folder, L"stress", unique, name))
            return INVALID_HANDLE_VALUE;
        HANDLE file = calls.open(name);
        if (file != INVALID_HANDLE_VALUE || !NameTaken(GetLastError()))
            return file;
    }
    return INVALID_HANDLE_VALUE;
}

// Short writes are not detected: the count is of successful calls, so a file can only stay below the limit.
FileEnd FillFile(HANDLE file, const DiskFileCalls& calls, bool& wrote) {
    const auto start = std::chrono::steady_clock::now();
    for (int blocks = 0; blocks < kDiskBlocksPerFile; ++blocks) {
        if (!calls.write(file, zeroBlock, kDiskBlockBytes))
            return FileEnd::WriteFailed;
        wrote = true;
        if (!LoadKeepsRunning(Stress.diskOn))
            return FileEnd::Stopped;
    }
    // Shown nowhere in the window; a run's report sets it beside the real-disk load's rates.
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    if (seconds > 0)
        DiskStatus.cacheMegabytesPerSecond.store(double(kDiskBlockBytes) * kDiskBlocksPerFile / seconds / 1e6,
                                                 kRelaxed);
    return FileEnd::Full;
}

// On a full disk every write fails while new files can still be made: without a pause the worker would create and
// delete files as fast as it can, and without a poll it would never see a stop. Returns whether to go on.
bool PauseAfterFailedWrite() {
    for (DWORD waited = 0; waited < kFailedWritePauseMilliseconds; waited += kPausePollMilliseconds) {
        if (!LoadKeepsRunning(Stress.diskOn))
            return false;
        Sleep(kPausePollMilliseconds);
    }
    return LoadKeepsRunning(Stress.diskOn);
}

}  // namespace

const DiskFileCalls kSystemDiskCalls = {OpenStressFile, WriteBlock};

DWORD RunDiskLoad(const wchar_t* folder, const DiskFileCalls& calls, const WorkerRun* run) {
    // Numbers from the clock: two workers, or two copies of the program, seldom try the same names.
    UINT unique = GetTickCount() % kUniqueNumbers;
    bool wrote = false, told = false;
    for (;;) {
        HANDLE file = CreateStressFile(folder, calls, unique);
        if (file == INVALID_HANDLE_VALUE) {
            if (run && !wrote)
                ReportLoadOutcome(*run, LoadType::Disk, false);
            return 1;
        }
        const FileEnd end = FillFile(file, calls, wrote);
        CloseHandle(file);
        if (run && wrote && !told) {
            ReportLoadOutcome(*run, LoadType::Disk, true);
            told = true;
        }
        if (end == FileEnd::Stopped)
            return 0;
        if (end == FileEnd::WriteFailed && !PauseAfterFailedWrite())
            return 0;
    }
}

DWORD WINAPI DiskWorker(LPVOID mainWindow) {
    const WorkerRun run = JoinCurrentRun(static_cast<HWND>(mainWindow));
    wchar_t folder[MAX_PATH + 1];
    const DWORD length = GetTempPathW(MAX_PATH + 1, folder);
    if (length == 0 || length > MAX_PATH) {
        ReportLoadOutcome(run, LoadType::Disk, false);
        return 1;
    }
    return RunDiskLoad(folder, kSystemDiskCalls, &run);
}
