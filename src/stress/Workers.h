// Thread entries of the load workers; each takes the main window as its start parameter and ends by itself.
#pragma once

#include <windows.h>

DWORD WINAPI CpuWorker(LPVOID mainWindow);
DWORD WINAPI DiskWorker(LPVOID mainWindow);
DWORD WINAPI MemoryWorker(LPVOID mainWindow);
