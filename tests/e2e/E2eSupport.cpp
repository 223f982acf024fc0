// The end-to-end rig's helpers: start, find, read, press, click and photograph the real program from outside.
#include "e2e/E2eSupport.h"

#include <commctrl.h>

#include <vector>

#include "support/Scratch.h"

namespace {

constexpr int kRebarId = 11111;
constexpr int kMasterCommand = 109;
constexpr int kExitCommand = 105;
constexpr DWORD kStartTimeout = 20000;

// Build paths arrive as the build system wrote them; under Wine a Unix path is reached through drive Z:.
std::wstring WindowsPath(const char* buildPath) {
    std::wstring path;
    if (buildPath[0] == '/')
        path = L"Z:";
    for (const char* at = buildPath; *at; ++at)
        path += *at == '/' ? L'\\' : wchar_t(static_cast<unsigned char>(*at));
    return path;
}

// Memory inside the program for the toolbar messages that return data through a pointer.
class RemoteBuffer {
public:
    RemoteBuffer(HANDLE process, size_t size)
        : process_(process), address_(VirtualAllocEx(process, nullptr, size, MEM_COMMIT, PAGE_READWRITE)) {}
    ~RemoteBuffer() {
        if (address_)
            VirtualFreeEx(process_, address_, 0, MEM_RELEASE);
    }
    RemoteBuffer(const RemoteBuffer&) = delete;
    RemoteBuffer& operator=(const RemoteBuffer&) = delete;

    bool valid() const { return address_ != nullptr; }
    LPARAM param() const { return reinterpret_cast<LPARAM>(address_); }
    bool Read(void* target, size_t size) const {
        SIZE_T read = 0;
        return ReadProcessMemory(process_, address_, target, size, &read) && read == size;
    }

private:
    HANDLE process_;
    void* address_;
};

struct TopLevelSearch {
    DWORD processId;
    const wchar_t* className;
    const wchar_t* title;  // null: any
    HWND found;
};

BOOL CALLBACK MatchTopLevel(HWND window, LPARAM param) {
    auto* search = reinterpret_cast<TopLevelSearch*>(param);
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    wchar_t className[64] = {};
    GetClassNameW(window, className, 64);
    wchar_t title[256] = {};
    GetWindowTextW(window, title, 256);
    // Class names compare without regard to case, as the system itself compares them.
    if (owner == search->processId && IsWindowVisible(window) && lstrcmpiW(className, search->className) == 0 &&
        (!search->title || lstrcmpW(title, search->title) == 0)) {
        search->found = window;
        return FALSE;
    }
    return TRUE;
}

struct ToolbarSearch {
    HWND stress;
    HWND command;
};

BOOL CALLBACK MatchToolbar(HWND window, LPARAM param) {
    auto* search = reinterpret_cast<ToolbarSearch*>(param);
    wchar_t className[64] = {};
    GetClassNameW(window, className, 64);
    if (lstrcmpW(className, TOOLBARCLASSNAMEW) != 0)
        return TRUE;
    if (SendMessageW(window, TB_COMMANDTOINDEX, kMasterCommand, 0) >= 0)
        search->stress = window;
    else if (SendMessageW(window, TB_COMMANDTOINDEX, kExitCommand, 0) >= 0)
        search->command = window;
    return TRUE;
}

bool FindControls(Program& program) {
    program.mainWindow = FindMainWindow(program.process.dwProcessId);
    if (!program.mainWindow)
        return false;
    program.rebar = GetDlgItem(program.mainWindow, kRebarId);
    ToolbarSearch toolbars = {};
    EnumChildWindows(program.mainWindow, MatchToolbar, reinterpret_cast<LPARAM>(&toolbars));
    program.stressToolbar = toolbars.stress;
    program.commandToolbar = toolbars.command;
    program.statusBar = FindWindowExW(program.mainWindow, nullptr, STATUSCLASSNAMEW, nullptr);
    return program.stressToolbar && program.commandToolbar && program.statusBar;
}

// Input goes to the thread with the keyboard focus: wait until the window is in front and its thread has
// given it the focus, or a key sent right after start can land before the window takes it.
bool BringToFront(HWND window) {
    SetForegroundWindow(window);
    const DWORD thread = GetWindowThreadProcessId(window, nullptr);
    return WaitFor(
        [&] {
            GUITHREADINFO info = {};
            info.cbSize = sizeof(info);
            return GetForegroundWindow() == window && GetGUIThreadInfo(thread, &info) &&
                   (info.hwndFocus == window || IsChild(window, info.hwndFocus));
        },
        2000);
}

INPUT MouseInput(POINT screenPoint, DWORD flags) {
    INPUT input = {};
    input.type = INPUT_MOUSE;
    // Absolute positions run from 0 to 65535 across the primary screen.
    input.mi.dx = MulDiv(screenPoint.x, 65535, GetSystemMetrics(SM_CXSCREEN) - 1);
    input.mi.dy = MulDiv(screenPoint.y, 65535, GetSystemMetrics(SM_CYSCREEN) - 1);
    input.mi.dwFlags = flags | MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE;
    return input;
}

INPUT KeyInput(WORD virtualKey, DWORD flags) {
    INPUT input = {};
    input.type = INPUT_KEYBOARD;
    input.ki.wVk = virtualKey;
    input.ki.wScan = WORD(MapVirtualKeyW(virtualKey, MAPVK_VK_TO_VSC));
    input.ki.dwFlags = flags;
    return input;
}

}  // namespace

std::wstring BuiltProgramPath() {
    return WindowsPath(KV_PROGRAM_PATH);
}

bool LaunchProgram(Program& program, const std::wstring& folder, const std::string& iniText, std::string* error) {
    program.folder = folder;
    const std::wstring executable = folder + L"\\kestrovane.exe";
    if (!CopyFileW(BuiltProgramPath().c_str(), executable.c_str(), FALSE)) {
        *error = "cannot copy kestrovane.exe into the scratch folder";
        return false;
    }
    if (!WriteFileBytes(program.IniPath(), iniText)) {
        *error = "cannot write kestrovane.ini";
        return false;
    }
    STARTUPINFOW startup = {};
    startup.cb = sizeof(startup);
    std::wstring commandLine = L"\"" + executable + L"\"";
    if (!CreateProcessW(executable.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, folder.c_str(),
                        &startup, &program.process)) {
        *error = "CreateProcessW failed";
        return false;
    }
    return true;
}

bool StartProgram(Program& program, const std::wstring& folder, const std::string& iniText, std::string* error) {
    if (!LaunchProgram(program, folder, iniText, error))
        return false;
    const bool shown = WaitFor(
        [&] { return FindControls(program) || WaitForSingleObject(program.process.hProcess, 0) == WAIT_OBJECT_0; },
        kStartTimeout);
    if (!shown || !program.mainWindow) {
        *error = "the main window with its toolbars and status bar did not appear";
        return false;
    }
    // The first tick comes a second after the window: by then the window has taken the focus and settled its
    // key state. Under Wine a key sent earlier can be reset to "up" by the focus change while it is held.
    std::wstring status;
    if (!WaitFor([&] { return ReadWindowText(program.statusBar, &status) && !status.empty(); }, kStartTimeout)) {
        *error = "the status bar showed no text after the first timer tick";
        return false;
    }
    return true;
}

void StopProgram(Program& program) {
    if (program.process.hProcess) {
        if (WaitForSingleObject(program.process.hProcess, 0) == WAIT_TIMEOUT) {
            TerminateProcess(program.process.hProcess, 1);
            WaitForSingleObject(program.process.hProcess, 5000);
        }
        CloseHandle(program.process.hProcess);
        CloseHandle(program.process.hThread);
    }
    program.process = {};
    program.mainWindow = nullptr;
}

bool WaitForExit(Program& program, DWORD timeoutMilliseconds, DWORD* exitCode) {
    if (WaitForSingleObject(program.process.hProcess, timeoutMilliseconds) != WAIT_OBJECT_0)
        return false;
    return GetExitCodeProcess(program.process.hProcess, exitCode) != 0;
}

HWND FindTopLevelWindow(DWORD processId, const wchar_t* className, const wchar_t* title) {
    TopLevelSearch search = {processId, className, title, nullptr};
    EnumWindows(MatchTopLevel, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

HWND FindMainWindow(DWORD processId) {
    return FindTopLevelWindow(processId, L"Kestrovane");
}

bool ReadWindowText(HWND window, std::wstring* text, DWORD timeoutMilliseconds) {
    wchar_t buffer[2048] = {};
    DWORD_PTR length = 0;
    if (!SendMessageTimeoutW(window, WM_GETTEXT, 2048, reinterpret_cast<LPARAM>(buffer), SMTO_ABORTIFHUNG,
                             timeoutMilliseconds, &length))
        return false;
    text->assign(buffer, length);
    return true;
}

bool WriteWindowText(HWND window, const std::wstring& text, DWORD timeoutMilliseconds) {
    DWORD_PTR result = 0;
    return SendMessageTimeoutW(window, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()), SMTO_ABORTIFHUNG,
                               timeoutMilliseconds, &result) != 0;
}

bool ToolbarButtonText(const Program& program, HWND toolbar, int command, std::wstring* text) {
    constexpr int kUnits = 512;
    RemoteBuffer remote(program.process.hProcess, kUnits * sizeof(wchar_t));
    if (!remote.valid())
        return false;
    const LRESULT length = SendMessageW(toolbar, TB_GETBUTTONTEXTW, WPARAM(command), remote.param());
    if (length < 0 || length >= kUnits)
        return false;
    std::vector<wchar_t> local(size_t(length) + 1);
    if (!remote.Read(local.data(), local.size() * sizeof(wchar_t)))
        return false;
    text->assign(local.data(), size_t(length));
    return true;
}

bool ToolbarButtonChecked(HWND toolbar, int command) {
    return SendMessageW(toolbar, TB_ISBUTTONCHECKED, WPARAM(command), 0) != 0;
}

int ToolbarButtonCount(HWND toolbar) {
    return int(SendMessageW(toolbar, TB_BUTTONCOUNT, 0, 0));
}

int ToolbarCommandAt(const Program& program, HWND toolbar, int index) {
    RemoteBuffer remote(program.process.hProcess, sizeof(TBBUTTON));
    TBBUTTON button = {};
    if (!remote.valid() || !SendMessageW(toolbar, TB_GETBUTTON, WPARAM(index), remote.param()) ||
        !remote.Read(&button, sizeof(button)))
        return -1;
    return button.idCommand;
}

bool ToolbarButtonScreenRect(const Program& program, HWND toolbar, int command, RECT* rect) {
    RemoteBuffer remote(program.process.hProcess, sizeof(RECT));
    if (!remote.valid() || !SendMessageW(toolbar, TB_GETRECT, WPARAM(command), remote.param()) ||
        !remote.Read(rect, sizeof(RECT)))
        return false;
    MapWindowPoints(toolbar, nullptr, reinterpret_cast<POINT*>(rect), 2);
    return true;
}

RECT ClientScreenRect(HWND window) {
    RECT rect = {};
    GetClientRect(window, &rect);
    MapWindowPoints(window, nullptr, reinterpret_cast<POINT*>(&rect), 2);
    return rect;
}

RECT RectInParent(HWND child) {
    RECT rect = {};
    GetWindowRect(child, &rect);
    MapWindowPoints(nullptr, GetParent(child), reinterpret_cast<POINT*>(&rect), 2);
    return rect;
}

void PressKey(HWND window, WORD virtualKey, DWORD holdMilliseconds) {
    BringToFront(window);
    INPUT down = KeyInput(virtualKey, 0);
    SendInput(1, &down, sizeof(INPUT));
    Sleep(holdMilliseconds);
    INPUT up = KeyInput(virtualKey, KEYEVENTF_KEYUP);
    SendInput(1, &up, sizeof(INPUT));
}

void ClickAt(HWND window, POINT screenPoint) {
    BringToFront(window);
    INPUT move = MouseInput(screenPoint, 0);
    SendInput(1, &move, sizeof(INPUT));
    Sleep(50);
    INPUT down = MouseInput(screenPoint, MOUSEEVENTF_LEFTDOWN);
    SendInput(1, &down, sizeof(INPUT));
    Sleep(50);
    INPUT up = MouseInput(screenPoint, MOUSEEVENTF_LEFTUP);
    SendInput(1, &up, sizeof(INPUT));
}

bool ClickToolbarButton(const Program& program, HWND toolbar, int command) {
    RECT rect;
    if (!ToolbarButtonScreenRect(program, toolbar, command, &rect))
        return false;
    ClickAt(program.mainWindow, POINT{(rect.left + rect.right) / 2, (rect.top + rect.bottom) / 2});
    return true;
}

void SendToolbarCommand(const Program& program, HWND toolbar, int command) {
    // A toolbar reports a click as WM_COMMAND (command, BN_CLICKED) from itself; the rebar passes it on.
    PostMessageW(program.mainWindow, WM_COMMAND, MAKEWPARAM(command, BN_CLICKED), reinterpret_cast<LPARAM>(toolbar));
}

COLORREF ScreenPixel(POINT screenPoint) {
    HDC screen = GetDC(nullptr);
    const COLORREF colour = GetPixel(screen, screenPoint.x, screenPoint.y);
    ReleaseDC(nullptr, screen);
    return colour;
}

bool SaveScreenshot(const std::wstring& path) {
    const int width = GetSystemMetrics(SM_CXSCREEN);
    const int height = GetSystemMetrics(SM_CYSCREEN);
    HDC screen = GetDC(nullptr);
    HDC memory = CreateCompatibleDC(screen);
    HBITMAP bitmap = CreateCompatibleBitmap(screen, width, height);
    HGDIOBJ previous = SelectObject(memory, bitmap);
    BitBlt(memory, 0, 0, width, height, screen, 0, 0, SRCCOPY);
    SelectObject(memory, previous);

    BITMAPINFOHEADER info = {};
    info.biSize = sizeof(info);
    info.biWidth = width;
    info.biHeight = height;
    info.biPlanes = 1;
    info.biBitCount = 24;
    info.biCompression = BI_RGB;
    const DWORD stride = DWORD((width * 3 + 3) & ~3);
    std::vector<char> pixels(size_t(stride) * size_t(height));
    const int rows =
        GetDIBits(memory, bitmap, 0, UINT(height), pixels.data(), reinterpret_cast<BITMAPINFO*>(&info), DIB_RGB_COLORS);
    DeleteObject(bitmap);
    DeleteDC(memory);
    ReleaseDC(nullptr, screen);
    if (rows != height)
        return false;

    BITMAPFILEHEADER file = {};
    file.bfType = 0x4D42;
    file.bfOffBits = sizeof(file) + sizeof(info);
    file.bfSize = DWORD(file.bfOffBits + pixels.size());
    std::string bytes(reinterpret_cast<const char*>(&file), sizeof(file));
    bytes.append(reinterpret_cast<const char*>(&info), sizeof(info));
    bytes.append(pixels.data(), pixels.size());
    return WriteFileBytes(path, bytes);
}

std::wstring SaveFailureScreenshot(const std::string& testName) {
    const std::wstring folder = WindowsPath(KV_FAILURE_FOLDER);
    CreateDirectoryW(folder.c_str(), nullptr);
    std::wstring path = folder + L"\\";
    for (char c : testName)
        path += (isalnum(static_cast<unsigned char>(c)) || c == '-') ? wchar_t(c) : L'_';
    path += L".bmp";
    return SaveScreenshot(path) ? path : std::wstring();
}

std::string ReadIniFile(const Program& program) {
    return ReadFileBytes(program.IniPath());
}

HWND FindProgramWindow(const Program& program, const wchar_t* className, const wchar_t* title) {
    return FindTopLevelWindow(program.process.dwProcessId, className, title);
}

HWND WaitForProgramWindow(const Program& program, const wchar_t* className, const wchar_t* title) {
    HWND window = nullptr;
    WaitFor([&] { return (window = FindProgramWindow(program, className, title)) != nullptr; }, 10000);
    return window;
}

static BOOL CALLBACK MatchTextStatic(HWND window, LPARAM param) {
    wchar_t className[64] = {};
    GetClassNameW(window, className, 64);
    if (lstrcmpiW(className, L"Static") == 0 && (GetWindowLongW(window, GWL_STYLE) & SS_TYPEMASK) != SS_ICON) {
        *reinterpret_cast<HWND*>(param) = window;
        return FALSE;
    }
    return TRUE;
}

std::wstring MessageBoxText(HWND box) {
    HWND text = nullptr;
    EnumChildWindows(box, MatchTextStatic, reinterpret_cast<LPARAM>(&text));
    std::wstring content;
    if (text)
        ReadWindowText(text, &content);
    return content;
}

int StatusPartCount(HWND statusBar) {
    return int(SendMessageW(statusBar, SB_GETPARTS, 0, 0));
}

bool StatusPartText(const Program& program, int part, std::wstring* text) {
    constexpr int kUnits = 512;
    const LRESULT length = LOWORD(SendMessageW(program.statusBar, SB_GETTEXTLENGTHW, WPARAM(part), 0));
    if (length >= kUnits)
        return false;
    RemoteBuffer remote(program.process.hProcess, kUnits * sizeof(wchar_t));
    if (!remote.valid())
        return false;
    SendMessageW(program.statusBar, SB_GETTEXTW, WPARAM(part), remote.param());
    std::vector<wchar_t> local(size_t(length) + 1);
    if (!remote.Read(local.data(), local.size() * sizeof(wchar_t)))
        return false;
    text->assign(local.data(), size_t(length));
    return true;
}

bool StatusPartScreenRect(const Program& program, int part, RECT* rect) {
    RemoteBuffer remote(program.process.hProcess, sizeof(RECT));
    if (!remote.valid() || !SendMessageW(program.statusBar, SB_GETRECT, WPARAM(part), remote.param()) ||
        !remote.Read(rect, sizeof(RECT)))
        return false;
    MapWindowPoints(program.statusBar, nullptr, reinterpret_cast<POINT*>(rect), 2);
    return true;
}
