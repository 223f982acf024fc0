// The runs folder's place and the file calls behind the run's files.
#include "report/RunFolder_win.h"

#include <shlobj.h>

#include "base/WideText.h"
#include "report/RunFolder.h"
#include "report/RunLogFile.h"
#include "settings/IniStore.h"

namespace {

// The head read of a long log: enough for its first two lines however long the machine's description.
constexpr DWORD kLogHeadBytes = 64 * 1024;

std::wstring Wide(const std::u16string& text) {
    return AsWide(text.c_str());
}

std::wstring ExecutablePath() {
    std::wstring path(MAX_PATH, L'\0');
    for (;;) {
        const DWORD length = GetModuleFileNameW(nullptr, path.data(), DWORD(path.size()));
        if (length == 0)
            return {};
        // A full buffer may hold a cut path: try again with a larger one.
        if (length < path.size()) {
            path.resize(length);
            return path;
        }
        if (path.size() >= 32768)
            return {};
        path.resize(path.size() * 2);
    }
}

std::wstring LocalAppDataFolder() {
    wchar_t folder[MAX_PATH + 1] = {};
    if (FAILED(SHGetFolderPathW(nullptr, CSIDL_LOCAL_APPDATA, nullptr, SHGFP_TYPE_CURRENT, folder)))
        return {};
    return folder;
}

HANDLE OpenForReading(const std::wstring& path) {
    return CreateFileW(FileApiPath(path).c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                       nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
}

bool ReadAt(HANDLE file, uint64_t offset, DWORD count, std::string& bytes) {
    LARGE_INTEGER position;
    position.QuadPart = LONGLONG(offset);
    if (!SetFilePointerEx(file, position, nullptr, FILE_BEGIN))
        return false;
    bytes.resize(count);
    DWORD done = 0;
    while (done < count) {
        DWORD read = 0;
        if (!ReadFile(file, bytes.data() + done, count - done, &read, nullptr))
            return false;
        if (read == 0)
            break;
        done += read;
    }
    bytes.resize(done);
    return true;
}

}  // namespace

std::wstring LocateRunsFolder() {
    const std::wstring executable = ExecutablePath();
    const std::wstring local = LocalAppDataFolder();
    return Wide(RunsFolderFor(AsUtf16(executable.c_str()), AsUtf16(IniPath), AsUtf16(local.c_str())));
}

std::wstring FullPathOf(const std::wstring& path) {
    if (path.empty())
        return {};
    std::wstring full(MAX_PATH, L'\0');
    DWORD length = GetFullPathNameW(path.c_str(), DWORD(full.size()), full.data(), nullptr);
    if (length >= full.size()) {
        full.resize(length);
        length = GetFullPathNameW(path.c_str(), DWORD(full.size()), full.data(), nullptr);
    }
    if (length == 0 || length >= full.size())
        return {};
    full.resize(length);
    return full;
}

std::wstring FileApiPath(const std::wstring& fullPath) {
    return Wide(LongPathForm(AsUtf16(fullPath.c_str())));
}

bool MakeFolder(const std::wstring& folder) {
    if (folder.empty())
        return false;
    const std::wstring path = FileApiPath(folder);
    if (CreateDirectoryW(path.c_str(), nullptr))
        return true;
    const DWORD error = GetLastError();
    if (error == ERROR_ALREADY_EXISTS) {
        const DWORD attributes = GetFileAttributesW(path.c_str());
        return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
    }
    if (error != ERROR_PATH_NOT_FOUND)
        return false;
    const size_t slash = folder.find_last_of(L'\\');
    if (slash == std::wstring::npos || slash == 0 || !MakeFolder(folder.substr(0, slash)))
        return false;
    return CreateDirectoryW(path.c_str(), nullptr) || GetLastError() == ERROR_ALREADY_EXISTS;
}

std::vector<std::u16string> FolderFileNames(const std::wstring& folder) {
    std::vector<std::u16string> names;
    WIN32_FIND_DATAW found;
    HANDLE search = FindFirstFileExW(FileApiPath(folder + L"\\*").c_str(), FindExInfoBasic, &found,
                                     FindExSearchNameMatch, nullptr, 0);
    if (search == INVALID_HANDLE_VALUE)
        return names;
    do {
        if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
            names.emplace_back(AsUtf16(found.cFileName));
    } while (FindNextFileW(search, &found));
    FindClose(search);
    return names;
}

bool WriteWholeFile(const std::wstring& path, std::string_view bytes) {
    HANDLE file = CreateFileW(FileApiPath(path).c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    bool written = true;
    while (written && !bytes.empty()) {
        DWORD done = 0;
        const DWORD chunk = bytes.size() > (1u << 20) ? (1u << 20) : DWORD(bytes.size());
        written = WriteFile(file, bytes.data(), chunk, &done, nullptr) && done > 0;
        bytes.remove_prefix(done);
    }
    return CloseHandle(file) && written;
}

bool ReadLogText(const std::wstring& path, size_t limit, std::string& text) {
    HANDLE file = OpenForReading(path);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    LARGE_INTEGER size = {};
    bool read = GetFileSizeEx(file, &size) != 0;
    if (read && uint64_t(size.QuadPart) <= limit) {
        read = ReadAt(file, 0, DWORD(size.QuadPart), text);
    } else if (read) {
        std::string head, tail;
        read =
            ReadAt(file, 0, kLogHeadBytes, head) && ReadAt(file, uint64_t(size.QuadPart) - limit, DWORD(limit), tail);
        if (read)
            text = JoinLogHeadAndTail(head, tail);
    }
    CloseHandle(file);
    return read;
}

bool CanCreateFile(const std::wstring& fullPath) {
    if (fullPath.empty())
        return false;
    const std::wstring path = FileApiPath(fullPath);
    HANDLE file =
        CreateFileW(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    const bool existed = GetLastError() == ERROR_ALREADY_EXISTS;
    CloseHandle(file);
    if (!existed)
        DeleteFileW(path.c_str());
    return true;
}
