// A helper process for the load tests: runs the disk load as the program does and then exits or waits to be
// killed, or only sleeps (a program started while the load runs). Exit code 2 when its arguments are wrong,
// 3 when the load wrote no file.
#include <windows.h>

#include <string>

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

void StartDiskLoad() {
    Stress.masterOn = 1;
    Stress.diskOn = 1;
    StartLoadWorkers(nullptr, LoadType::Disk);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2)
        return 2;
    const std::string mode = argv[1];
    if (mode == "sleep") {
        Sleep(INFINITE);
    } else if (mode == "disk-wait") {
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
