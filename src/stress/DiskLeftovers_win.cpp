// The sweep of a dead real-disk load's files: name, mutex and first sector decide, and the file that was checked
// is the file that is deleted.
#include "stress/DiskLeftovers.h"

#include <windows.h>

#include "stress/DiskFileName.h"
#include "stress/DiskSector.h"

namespace {

// A running load holds its run tag's mutex. When the mutex cannot be opened for another reason than its absence
// (it exists but is not ours to open), the files are taken for live ones.
bool RunIsAlive(uint64_t runTag) {
    const std::u16string name = DiskMutexName(runTag);
    HANDLE mutex = OpenMutexW(SYNCHRONIZE, FALSE, std::wstring(name.begin(), name.end()).c_str());
    if (mutex) {
        CloseHandle(mutex);
        return true;
    }
    return GetLastError() != ERROR_FILE_NOT_FOUND;
}

// The first sector must be an intact sector 0 of the very file the name names.
bool FirstSectorIsTheLoads(HANDLE file, uint64_t runTag, uint64_t fileNumber) {
    alignas(8) uint8_t sector[kDiskSectorBytes];
    DWORD read = 0;
    OVERLAPPED start = {};
    if (!ReadFile(file, sector, sizeof(sector), &read, &start) || read != sizeof(sector))
        return false;
    DiskSectorHeader header;
    return ReadIntactSectorHeader(sector, read, header) && header.runTag == runTag && header.fileNumber == fileNumber &&
           header.sectorNumber == 0;
}

// Opened with the right to delete and without following a link: a link named like the load's files is never
// followed to its target, and fails the content check itself. No sharing for writing or deleting, so a live
// load's file (whose handle writes) cannot be opened at all, and nothing can change the file between the check
// and the deletion.
bool DeleteIfLeftover(const std::wstring& path, uint64_t runTag, uint64_t fileNumber) {
    HANDLE file = CreateFileW(path.c_str(), GENERIC_READ | DELETE, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                              FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    bool deleted = false;
    if (GetFileType(file) == FILE_TYPE_DISK && FirstSectorIsTheLoads(file, runTag, fileNumber)) {
        FILE_DISPOSITION_INFO disposition = {};
        disposition.DeleteFile = TRUE;
        deleted = SetFileInformationByHandle(file, FileDispositionInfo, &disposition, sizeof(disposition)) != 0;
    }
    CloseHandle(file);
    return deleted;
}

}  // namespace

int SweepDiskLeftovers(const std::wstring& folder) {
    std::wstring prefix = folder;
    if (!prefix.empty() && prefix.back() != L'\\')
        prefix += L'\\';
    const std::u16string pattern = kDiskFileNamePattern;
    WIN32_FIND_DATAW found;
    HANDLE search = FindFirstFileExW((prefix + std::wstring(pattern.begin(), pattern.end())).c_str(), FindExInfoBasic,
                                     &found, FindExSearchNameMatch, nullptr, 0);
    if (search == INVALID_HANDLE_VALUE)
        return 0;
    int deleted = 0;
    do {
        if (found.dwFileAttributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT))
            continue;
        const std::wstring name = found.cFileName;
        uint64_t runTag = 0, fileNumber = 0;
        if (!ParseDiskFileName(std::u16string(name.begin(), name.end()), runTag, fileNumber) || RunIsAlive(runTag))
            continue;
        if (DeleteIfLeftover(prefix + name, runTag, fileNumber))
            ++deleted;
    } while (FindNextFileW(search, &found));
    FindClose(search);
    return deleted;
}
