// The runs folder on the disk: where it lies, making it, reading its names, and the file calls the run's files are
// written and read with, every one in the long-path form so that deep folders and any characters work.
#pragma once

#include <windows.h>

#include <string>
#include <string_view>
#include <vector>

// The runs folder for this program's settings file (IniPath, so after ResolveIniPath): "Runs" beside the
// executable for portable use, else under the local application-data folder; empty when neither is known.
std::wstring LocateRunsFolder();

// The full path of a path as the user gave it, relative to the current folder; empty when it has none.
std::wstring FullPathOf(const std::wstring& path);
// A full path in the form the file functions take beyond MAX_PATH ("\\?\C:\...").
std::wstring FileApiPath(const std::wstring& fullPath);

// Makes the folder and every missing folder above it; true when it is there afterwards.
bool MakeFolder(const std::wstring& folder);
// The names of the files in the folder (no folders); empty when it cannot be read.
std::vector<std::u16string> FolderFileNames(const std::wstring& folder);

// Creates or replaces the file with exactly these bytes; false when any of them could not be written.
bool WriteWholeFile(const std::wstring& path, std::string_view bytes);
// The file's bytes, at most `limit` of them: a longer file gives its first two lines and its last `limit` bytes'
// whole lines (JoinLogHeadAndTail). False when it cannot be read.
bool ReadLogText(const std::wstring& path, size_t limit, std::string& text);

// Whether a file can be created at the full path: tries, and removes a file the try created. An existing file
// stays as it is.
bool CanCreateFile(const std::wstring& fullPath);
