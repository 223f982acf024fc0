// Thread entries of the load workers; each takes the main window as its start parameter and ends by itself.
#pragma once

#include <windows.h>

DWORD WINAPI PaintWorker(LPVOID mainWindow);
DWORD WINAPI CpuWorker(LPVOID mainWindow);
DWORD WINAPI DiskWorker(LPVOID mainWindow);
DWORD WINAPI MemoryWorker(LPVOID mainWindow);

// One pass of the paint load over the window's client area, between the toolbar and status bands; it stops
// after the current strip when the paint switch or the master switch goes off. False when the window gave no
// device context, so that nothing was drawn or counted.
bool PaintStrips(HWND window);
