// Deleting the files that a real-disk load left behind when its process could not end (a power loss, a crash of
// the system): only files with the load's names, its intact first sector, and no running load behind them.
#pragma once

#include <string>

// The folder in the form ExtendedLengthPath gives. Returns how many files were deleted.
int SweepDiskLeftovers(const std::wstring& folder);
