// Console output of a GUI-subsystem program: a valid standard output first, then the parent's console, then a box.
#include "run/ConsoleOutput_win.h"

#include <windows.h>

#include <string>

#include "base/WideText.h"

namespace {

bool IsUsableHandle(HANDLE handle) {
    return handle && handle != INVALID_HANDLE_VALUE && GetFileType(handle) != FILE_TYPE_UNKNOWN;
}

bool IsConsole(HANDLE handle) {
    DWORD mode = 0;
    return GetConsoleMode(handle, &mode) != 0;
}

// WriteConsoleW and WriteFile may take less than asked; the rest follows until all is out or a call fails.
bool WriteAllToConsole(HANDLE console, const wchar_t* text, size_t length) {
    while (length > 0) {
        DWORD written = 0;
        const DWORD chunk = length > 16384 ? 16384 : DWORD(length);
        if (!WriteConsoleW(console, text, chunk, &written, nullptr) || written == 0)
            return false;
        text += written;
        length -= written;
    }
    return true;
}

bool WriteAllBytes(HANDLE file, const char* bytes, size_t length) {
    while (length > 0) {
        DWORD written = 0;
        const DWORD chunk = length > (1u << 20) ? (1u << 20) : DWORD(length);
        if (!WriteFile(file, bytes, chunk, &written, nullptr) || written == 0)
            return false;
        bytes += written;
        length -= written;
    }
    return true;
}

// Bytes go out as they are: no text mode sits between WriteFile and the pipe, so nothing turns "\n" into "\r\n".
bool WriteUtf8(HANDLE file, const wchar_t* text, int length) {
    if (length == 0)
        return true;
    const int bytes = WideCharToMultiByte(CP_UTF8, 0, text, length, nullptr, 0, nullptr, nullptr);
    if (bytes <= 0)
        return false;
    std::string utf8(size_t(bytes), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text, length, utf8.data(), bytes, nullptr, nullptr);
    return WriteAllBytes(file, utf8.data(), utf8.size());
}

bool WriteToHandle(HANDLE handle, const wchar_t* text) {
    const int length = lstrlenW(text);
    if (IsConsole(handle))
        return WriteAllToConsole(handle, text, size_t(length));
    return WriteUtf8(handle, text, length);
}

// A GUI program attached to its parent's console has no standard handles of its own; CONOUT$ is that console.
bool WriteToParentConsole(const wchar_t* text) {
    if (!AttachConsole(ATTACH_PARENT_PROCESS))
        return false;
    HANDLE console = CreateFileW(L"CONOUT$", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                 OPEN_EXISTING, 0, nullptr);
    bool written = false;
    if (console != INVALID_HANDLE_VALUE) {
        written = WriteAllToConsole(console, text, size_t(lstrlenW(text)));
        CloseHandle(console);
    }
    FreeConsole();
    return written;
}

}  // namespace

ConsoleOutputRoute WriteConsoleText(const char16_t* text, const char16_t* messageBoxCaption) {
    const wchar_t* wide = AsWide(text ? text : u"");
    HANDLE output = GetStdHandle(STD_OUTPUT_HANDLE);
    if (IsUsableHandle(output) && WriteToHandle(output, wide))
        return ConsoleOutputRoute::StandardOutput;
    if (WriteToParentConsole(wide))
        return ConsoleOutputRoute::ParentConsole;
    if (!messageBoxCaption)
        return ConsoleOutputRoute::Nowhere;
    MessageBoxW(nullptr, wide, AsWide(messageBoxCaption), MB_OK | MB_ICONINFORMATION | MB_SETFOREGROUND);
    return ConsoleOutputRoute::ShownInBox;
}
