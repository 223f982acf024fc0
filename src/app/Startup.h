// Start-up of the program: DPI awareness, the class name and first title, the window class, the message loop.
#pragma once

#include <windows.h>

constexpr int kStartupTextCapacity = 100;
constexpr int kClassNameString = 103;
constexpr int kMainIcon = 107;
constexpr int kMainMenuName = 109;

// Both loaded from string 103 ("Kestrovane"); the window is created with them.
extern wchar_t MainClassName[kStartupTextCapacity];
extern wchar_t InitialTitle[kStartupTextCapacity];

// Makes the process aware of each screen's DPI (SetProcessDpiAwarenessContext, per monitor, version 2) where
// user32 has it, else of the system's (SetProcessDPIAware); returns whether it is aware, 0 when neither is there.
BOOL EnableDpiAwareness();

// Loads the class name and the first title from the string resource.
void LoadStartupTexts(HINSTANCE instance);

// Registers the main window's class under MainClassName; a failure shows later as a failed window creation.
void RegisterMainWindowClass(HINSTANCE instance);

// Dispatches messages until the quit message and returns its code.
int RunMessageLoop();
