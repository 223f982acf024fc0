// The real-disk load's folder chosen in the system's folder dialog, stored as text in the settings.
#pragma once

#include <windows.h>

#include <string>

// Shows the folder dialog owned by the window, titled `title` and opening at `initial`; the chosen folder's full
// path, or empty when the user cancelled.
std::wstring PickFolder(HWND owner, const wchar_t* title, const std::wstring& initial);

// The options menu's "Choose the folder…": picks a folder for the real-disk load and stores it (INI disk_folder);
// a path too long for the settings file is refused with a message and changes nothing.
void ChooseDiskFolder(HWND window);
