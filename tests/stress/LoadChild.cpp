// A helper process for the load tests: runs the disk load (the temporary-file load, or the real-disk load in a
// given folder) as the program does and then exits or waits to be killed, or only sleeps (a program started while
// the load runs). Exit code 2 when its arguments are wrong, 3 when the load wrote no file.
#include <windows.h>

#include <string>

#include "stress/RealDiskWorker.h"
#include "stress/StressControl.h"

namespace {

bool StressFileExists() {
    wchar_t folder[MAX_PATH + 1];
    if (!GetTempPathW(MAX_PATH + 1, folder))
        return false;
    WIN32_FIND_DATAW found;
    HANDLE search = FindFirstFileW((std::wstring(folder) + L"str*.tmp").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE)
        return false;
    FindClose(search);
    return true;
}

bool RealDiskFileExists(const std::wstring& folder) {
    WIN32_FIND_DATAW found;
    HANDLE search = FindFirstFileW((folder + L"\\kestrovane-disk-*.tmp").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE)
        return false;
    FindClose(search);
    return true;
}

void StartDiskLoad() {
    Stress.masterOn = 1;
    Stress.diskOn = 1;
    StartLoadWorkers(nullptr, LoadType::Disk);
}

// The real-disk load through the program's own start: the setting, then the disk switch.
void StartRealDiskLoad(const std::wstring& folder) {
    SetDiskLoadMode(DiskLoadMode::Real, false);
    SetDiskFolder(folder, false);
    StartDiskLoad();
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2 && argc != 3)
        return 2;
    const std::string mode = argv[1];
    const std::string narrowFolder = argc == 3 ? argv[2] : "";
    const std::wstring folder(narrowFolder.begin(), narrowFolder.end());
    if (mode == "realdisk-wait") {
        StartRealDiskLoad(folder);
        Sleep(INFINITE);
    } else if (mode == "realdisk-exit") {
        // Returns from main with the worker in the middle of a file.
        StartRealDiskLoad(folder);
        for (int tries = 0; tries < 3000 && !RealDiskFileExists(folder); ++tries)
            Sleep(10);
        return RealDiskFileExists(folder) ? 0 : 3;
    }
    if (mode == "sleep") {
        Sleep(INFINITE);
    } else if (mode == "disk-wait") {
        // A folder given becomes the temporary folder, where the temporary-file load writes.
        if (!folder.empty()) {
            SetEnvironmentVariableW(L"TMP", folder.c_str());
            SetEnvironmentVariableW(L"TEMP", folder.c_str());
        }
        StartDiskLoad();
        Sleep(INFINITE);
    } else if (mode == "disk-exit") {
        // Returns from main, as the program's message loop does, with the worker still writing.
        StartDiskLoad();
        for (int tries = 0; tries < 3000 && !StressFileExists(); ++tries)
            Sleep(10);
        return StressFileExists() ? 0 : 3;
    }
    return 2;
}
