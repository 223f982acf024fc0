// The main window's procedure: commands, keys, the one-second status timer, and what the client area shows.
#pragma once

#include <windows.h>

// What the client area shows: the gradient with the info text, or nothing new (it keeps what was drawn last,
// such as the paint load's strips). Only these two values are ever stored.
constexpr int kInfoView = -1;
constexpr int kBlankView = 12;
// Read by the client painting; written by the key handler on the user-interface thread.
extern int clientViewMode;

constexpr UINT_PTR kStatusTimer = 1;
constexpr UINT kStatusTimerPeriod = 1000;

LRESULT CALLBACK MainWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

// The web page a toolbar command opens in the current language (the thanks page for kCommandDonate, the FAQ
// for kCommandFaq) into a buffer of kAddressCapacity units; false when the address is unknown.
bool ComposeWebPageAddress(int command, wchar_t* address);
