// The handles of the main window and its controls, shared by the shell, the stress control and the language menu.
#pragma once

#include <windows.h>

constexpr int kRebarId = 11111;

struct UiHandles {
    HINSTANCE instance = nullptr;
    HWND mainWindow = nullptr;
    HWND rebar = nullptr;
    HWND stressToolbar = nullptr;
    HWND commandToolbar = nullptr;
    HWND statusBar = nullptr;
};

// Written by the main window's creation on the user-interface thread; workers never touch it.
extern UiHandles Ui;
