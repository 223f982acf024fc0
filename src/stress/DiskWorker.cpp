// The disk load: 4096-byte writes of zeros into 100 MiB temporary files that the system deletes on close.
#include "stress/DiskWorker.h"

#include "stress/StressState.h"
#include "stress/Workers.h"

namespace {

// Written by nobody; every disk worker writes from it.
const char zeroBlock[kDiskBlockBytes] = {};

constexpr DWORD kPausePollMilliseconds = 10;

enum class FileEnd { Full, WriteFailed, Stopped };

HANDLE OpenStressFile(const wchar_t* name) {
    // The handle is not inheritable: a program started from here (the task manager, a browser) would otherwise
    // hold it and keep a 100 MiB file on the disk for as long as it runs, long after this program has ended.
    return CreateFileW(name, GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, CREATE_ALWAYS,
                       FILE_FLAG_DELETE_ON_CLOSE | FILE_ATTRIBUTE_TEMPORARY, nullptr);
}

BOOL WriteBlock(HANDLE file, const void* block, DWORD bytes) {
    DWORD written = 0;
    return WriteFile(file, block, bytes, &written, nullptr);
}

// Short writes are not detected: the count is of successful calls, so a file can only stay below the limit.
FileEnd FillFile(HANDLE file, const DiskFileCalls& calls) {
    for (int blocks = 0; blocks < kDiskBlocksPerFile; ++blocks) {
        if (!calls.write(file, zeroBlock, kDiskBlockBytes))
            return FileEnd::WriteFailed;
        if (!LoadKeepsRunning(Stress.diskOn))
            return FileEnd::Stopped;
    }
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

DWORD RunDiskLoad(const wchar_t* folder, const DiskFileCalls& calls) {
    for (;;) {
        // Without a name there is nothing to open, and the buffer's content would be undefined.
        wchar_t name[MAX_PATH + 1] = {};
        if (!GetTempFileNameW(folder, L"stress", 0, name))
            return 1;
        HANDLE file = calls.open(name);
        if (file == INVALID_HANDLE_VALUE) {
            // GetTempFileNameW created the file empty; left alone it would stay in the temporary folder for good.
            DeleteFileW(name);
            return 1;
        }
        const FileEnd end = FillFile(file, calls);
        CloseHandle(file);
        if (end == FileEnd::Stopped)
            return 0;
        if (end == FileEnd::WriteFailed && !PauseAfterFailedWrite())
            return 0;
    }
}

DWORD WINAPI DiskWorker(LPVOID) {
    wchar_t folder[MAX_PATH + 1];
    const DWORD length = GetTempPathW(MAX_PATH + 1, folder);
    if (length == 0 || length > MAX_PATH)
        return 1;
    return RunDiskLoad(folder, kSystemDiskCalls);
}
