// The real-disk load's folder chosen in the system's folder dialog, stored as text in the settings, and the
// message that tells the user why the load could not use it.
#pragma once

#include <windows.h>

#include <string>

// Shows the folder dialog owned by the window, titled `title` and opening at `initial`; the chosen folder's full
// path, or empty when the user cancelled.
std::wstring PickFolder(HWND owner, const wchar_t* title, const std::wstring& initial);

// The options menu's "Choose the folder…": picks a folder for the real-disk load and stores it (INI disk_folder);
// a path too long for the settings file is refused with a message and changes nothing.
void ChooseDiskFolder(HWND window);

// The message for a real-disk load that its folder failed (a DiskIo class), naming the folder; empty for a class
// that is no folder problem.
std::wstring DiskProblemMessage(int problem, const std::wstring& folder);

// kDiskProblemMessage: tells the user in a message box owned by the window. The loads go on meanwhile.
void OnDiskProblem(HWND window, WPARAM problem);
