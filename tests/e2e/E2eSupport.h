// Driving the real kestrovane.exe from outside, as a user would: start it in a folder of its own, find its
// windows, read what it shows, press keys and click buttons, and keep a screenshot when something went wrong.
#pragma once

#include <windows.h>

#include <string>

// The program under test, started by StartProgram and ended by StopProgram (or by itself).
struct Program {
    PROCESS_INFORMATION process = {};
    // The folder holding the copied executable and its settings file.
    std::wstring folder;
    HWND mainWindow = nullptr;
    HWND rebar = nullptr;
    HWND stressToolbar = nullptr;
    HWND commandToolbar = nullptr;
    HWND statusBar = nullptr;

    std::wstring IniPath() const { return folder + L"\\kestrovane.ini"; }
};

// The kestrovane.exe of this build.
std::wstring BuiltProgramPath();

// Copies kestrovane.exe into the folder with `iniText` beside it as kestrovane.ini and starts it, without
// waiting for its window. Returns false, with the reason in `error`, when that fails.
bool LaunchProgram(Program& program, const std::wstring& folder, const std::string& iniText, std::string* error);

// LaunchProgram, then waits until the main window is shown with both toolbars and the status bar, and the
// first timer tick has written the status bar. The settings file beside the executable takes precedence over
// the one under the application-data folder.
bool StartProgram(Program& program, const std::wstring& folder, const std::string& iniText, std::string* error);

// Ends the program if it still runs and lets go of its handles.
void StopProgram(Program& program);

// Waits for the program to end by itself; true with its exit code when it did within the time.
bool WaitForExit(Program& program, DWORD timeoutMilliseconds, DWORD* exitCode);

// A visible top-level window of the process with that class (and title, unless null); null when there is none.
HWND FindTopLevelWindow(DWORD processId, const wchar_t* className, const wchar_t* title = nullptr);
// The visible main window of class "Kestrovane" that belongs to the process; null when there is none.
HWND FindMainWindow(DWORD processId);

// A window's text through WM_GETTEXT. Fails (false) when the window does not answer within the time, which is
// how the tests tell a hung user-interface thread.
bool ReadWindowText(HWND window, std::wstring* text, DWORD timeoutMilliseconds = 2000);
// Sets a window's text through WM_SETTEXT, with the same time limit.
bool WriteWindowText(HWND window, const std::wstring& text, DWORD timeoutMilliseconds = 2000);

// Toolbar buttons by command: caption, checked state, command at an index, rectangle on the screen. The
// messages that take a pointer are given memory inside the program (VirtualAllocEx) and read back from it.
bool ToolbarButtonText(const Program& program, HWND toolbar, int command, std::wstring* text);
bool ToolbarButtonChecked(HWND toolbar, int command);
int ToolbarButtonCount(HWND toolbar);
int ToolbarCommandAt(const Program& program, HWND toolbar, int index);
bool ToolbarButtonScreenRect(const Program& program, HWND toolbar, int command, RECT* rect);

// The client rectangle of a window in screen coordinates.
RECT ClientScreenRect(HWND window);
// A child window's rectangle relative to its parent's client area.
RECT RectInParent(HWND child);

// Brings the window to the front and presses the key, holding it for `holdMilliseconds`: the program reads
// keys with GetAsyncKeyState, which sees a key only while it is held.
void PressKey(HWND window, WORD virtualKey, DWORD holdMilliseconds = 300);

// A left click at a point of the screen (move, down, up), sent as real mouse input.
void ClickAt(HWND window, POINT screenPoint);
// A real click on the middle of a toolbar button; false when the button cannot be found.
bool ClickToolbarButton(const Program& program, HWND toolbar, int command);
// What a click on the button makes the toolbar send to its parent, for buttons that cannot be clicked.
void SendToolbarCommand(const Program& program, HWND toolbar, int command);

// The colour of one pixel of the screen.
COLORREF ScreenPixel(POINT screenPoint);
// Saves the whole screen as a 24-bit BMP file.
bool SaveScreenshot(const std::wstring& path);
// Saves the screen under the build folder's e2e-failures folder, named after the test; returns the path.
std::wstring SaveFailureScreenshot(const std::string& testName);

// A visible top-level window of the program with that class (and title); null when there is none, and when
// none comes within ten seconds for the waiting one.
HWND FindProgramWindow(const Program& program, const wchar_t* className, const wchar_t* title = nullptr);
HWND WaitForProgramWindow(const Program& program, const wchar_t* className, const wchar_t* title = nullptr);
// A message box's text: its Static child that is not an icon.
std::wstring MessageBoxText(HWND box);

// The status bar's parts: how many, the text of one (SB_GETTEXTW; an owner-drawn part has none to read) and its
// rectangle on the screen.
int StatusPartCount(HWND statusBar);
bool StatusPartText(const Program& program, int part, std::wstring* text);
bool StatusPartScreenRect(const Program& program, int part, RECT* rect);

// The settings file's bytes.
std::string ReadIniFile(const Program& program);
