// The main window: its rebar, the stress and command toolbars, the status bar, their layout and captions.
#pragma once

#include <windows.h>

// Command identifiers of the command toolbar's buttons and of the stress toolbar's divider.
enum ShellCommand : int {
    kCommandExit = 105,
    kCommandTaskManager = 121,
    kCommandDivider = 130,
    kCommandLanguage = 131,
    kCommandDonate = 12323,
    kCommandFaq = 12324,
};

// Used when the command toolbar's buttons cannot be measured.
constexpr int kDefaultCommandSpan = 200;

// Creates, fills and shows the main window maximised; returns 1 when it exists and is shown, else 0.
int CreateMainWindow(HINSTANCE instance);

// The rebar (id 11111) with one band whose empty toolbar gives it the height; null when it cannot be created.
HWND CreateRebar(HWND parent, int height);

// Appends one text-only button of the given command, its width following the caption.
void AddToolbarButton(HWND toolbar, const wchar_t* caption, int command, BYTE extraStyle);

// Removes every button of the stress toolbar and adds them again, captioned in the current language; returns 1.
int BuildStressToolbar();

// Places rebar and toolbars along the top, the command toolbar flush right, and the status bar at the bottom.
void LayoutMainWindow(HWND window);

// Replaces one button's caption and keeps the toolbar's button size.
void RelabelToolbarButton(HWND toolbar, const wchar_t* caption, int command);

// Captions both toolbars in the current language again, after a change of language or an imported translation.
void RelabelToolbars();

// The DPI the main window is laid out for: 96 is 100 %.
int MainWindowDpi();

// The window moved to a screen of another DPI: the toolbar font and the bars are scaled to it, and the window
// takes the rectangle the system suggests (null: it stays where it is).
void ApplyDpiChange(HWND window, int dpi, const RECT* suggested);
