// The INI settings store over the Win32 private-profile functions; every read and write goes to the file.
#include "settings/IniStore.h"

#include <shlobj.h>
#include <cwchar>

#include "base/WideText.h"
#include "settings/IniValue.h"

wchar_t IniPath[kIniTextCapacity];

namespace {

constexpr wchar_t kSection[] = L"Program";
constexpr wchar_t kFolderName[] = L"Kestrovane";

bool FileExists(const wchar_t* path) {
    return GetFileAttributesW(path) != INVALID_FILE_ATTRIBUTES;
}

// Copies with truncation; IniPath is never left unterminated.
void SetIniPath(const wchar_t* first, const wchar_t* second = L"", const wchar_t* third = L"") {
    _snwprintf(IniPath, kIniTextCapacity, L"%ls%ls%ls", first, second, third);
    IniPath[kIniTextCapacity - 1] = 0;
}

void MakeSureFileExists(const wchar_t* path) {
    HANDLE file =
        CreateFileW(path, GENERIC_WRITE, FILE_SHARE_READ, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        file = CreateFileW(path, GENERIC_WRITE, FILE_SHARE_READ, nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file != INVALID_HANDLE_VALUE)
        CloseHandle(file);
}

const wchar_t* FileOrIniPath(const wchar_t* file) {
    return file ? file : IniPath;
}

}  // namespace

void ResolveIniPathFrom(const wchar_t* executablePath, const wchar_t* appDataFolder) {
    SetIniPath(executablePath);
    if (wchar_t* dot = wcsrchr(IniPath, L'.'))
        *dot = 0;
    size_t length = wcslen(IniPath);
    if (length + 4 < kIniTextCapacity)
        wcscpy(IniPath + length, L".ini");

    if (!FileExists(IniPath)) {
        // Without an application-data folder there is no place of the program's own: run on the defaults and
        // remember nothing, rather than scatter a settings folder at the root of the current drive.
        if (!appDataFolder || !*appDataFolder) {
            IniPath[0] = 0;
            return;
        }
        wchar_t folder[kIniTextCapacity];
        _snwprintf(folder, kIniTextCapacity, L"%ls\\%ls", appDataFolder, kFolderName);
        folder[kIniTextCapacity - 1] = 0;
        CreateDirectoryW(folder, nullptr);
        SetIniPath(folder, L"\\Kestrovane", L".ini");
    }
    MakeSureFileExists(IniPath);
}

void ResolveIniPath() {
    wchar_t executablePath[MAX_PATH + 1] = {};
    GetModuleFileNameW(nullptr, executablePath, MAX_PATH);
    wchar_t appData[MAX_PATH + 1] = {};
    bool haveAppData = SHGetSpecialFolderPathW(nullptr, appData, CSIDL_APPDATA, FALSE);
    ResolveIniPathFrom(executablePath, haveAppData ? appData : nullptr);
}

int ReadIniString(const wchar_t* section, const wchar_t* key, wchar_t* buffer, const wchar_t* file) {
    const wchar_t* path = FileOrIniPath(file);
    // An empty path would make the profile functions fall back to win.ini in the Windows folder.
    if (!*path)
        return 0;
    wchar_t defaultText[kIniTextCapacity];
    wcsncpy(defaultText, buffer, kIniTextCapacity - 1);
    defaultText[kIniTextCapacity - 1] = 0;
    return int(GetPrivateProfileStringW(section, key, defaultText, buffer, kIniTextCapacity, path));
}

int ReadIniInt(const wchar_t* section,
               const wchar_t* key,
               int defaultValue,
               int minimum,
               int maximum,
               const wchar_t* file) {
    wchar_t text[kIniTextCapacity] = {};
    int value = ReadIniString(section, key, text, file) != 0 ? ParseIniInteger(AsUtf16(text)) : defaultValue;
    if (minimum != -1 && maximum != -1) {
        if (value > maximum)
            value = maximum;
        if (value < minimum)
            value = minimum;
    }
    return value;
}

BOOL WriteIniString(const wchar_t* section, const wchar_t* key, const wchar_t* text, const wchar_t* file) {
    const wchar_t* path = FileOrIniPath(file);
    if (!*path)
        return FALSE;
    return WritePrivateProfileStringW(section, key, text, path);
}

BOOL WriteIniInt(const wchar_t* section, const wchar_t* key, int value, const wchar_t* file) {
    wchar_t text[kIniTextCapacity];
    _snwprintf(text, kIniTextCapacity, L"%d", value);
    text[kIniTextCapacity - 1] = 0;
    return WriteIniString(section, key, text, file);
}

int ReadSetting(const wchar_t* key, int defaultValue) {
    return ReadIniInt(kSection, key, defaultValue, -1, -1);
}

BOOL WriteSetting(const wchar_t* key, int value) {
    return WriteIniInt(kSection, key, value);
}
