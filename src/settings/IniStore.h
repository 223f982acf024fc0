// The INI settings store: where the settings file lives and how integer settings are read and written.
#pragma once

#include <windows.h>

constexpr int kIniTextCapacity = 1024;

// Full path of the settings file; empty when no settings file could be placed anywhere.
extern wchar_t IniPath[kIniTextCapacity];

// Decides where the settings file lives and makes sure it exists. Called once at start-up.
void ResolveIniPath();

// The same decision from given inputs: the executable's path and the application-data folder (null when the
// system could not name one). ResolveIniPath passes the system's values; tests pass a scratch folder.
void ResolveIniPathFrom(const wchar_t* executablePath, const wchar_t* appDataFolder);

// Integer settings in section "Program" of IniPath.
int ReadSetting(const wchar_t* key, int defaultValue);
BOOL WriteSetting(const wchar_t* key, int value);

// The general layer: an explicit section and, optionally, another file (null means IniPath).
int ReadIniString(const wchar_t* section, const wchar_t* key, wchar_t* buffer, const wchar_t* file = nullptr);
int ReadIniInt(const wchar_t* section,
               const wchar_t* key,
               int defaultValue,
               int minimum,
               int maximum,
               const wchar_t* file = nullptr);
BOOL WriteIniString(const wchar_t* section, const wchar_t* key, const wchar_t* text, const wchar_t* file = nullptr);
BOOL WriteIniInt(const wchar_t* section, const wchar_t* key, int value, const wchar_t* file = nullptr);
