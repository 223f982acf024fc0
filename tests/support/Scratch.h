// Test support under Windows: a scratch folder of the test's own, file contents, and the process's thread count.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

// A fresh, empty folder in the temporary folder, removed with everything in it when the object goes.
class ScratchFolder {
public:
    ScratchFolder();
    ~ScratchFolder();
    const std::wstring& path() const { return path_; }
    std::wstring File(const std::wstring& name) const { return path_ + L"\\" + name; }

private:
    std::wstring path_;
};

// The file's bytes as a narrow string; empty when it cannot be read.
std::string ReadFileBytes(const std::wstring& path);
bool WriteFileBytes(const std::wstring& path, const std::string& bytes);

// Threads that belong to the process right now, as Toolhelp32 sees them; the count is -1 when it cannot be had.
std::vector<DWORD> ProcessThreadIds(DWORD processId = GetCurrentProcessId());
int CountProcessThreads(DWORD processId = GetCurrentProcessId());

// Polls the condition until it holds or the deadline passes; returns whether it held.
template <typename Condition>
bool WaitFor(Condition condition, DWORD timeoutMilliseconds) {
    const ULONGLONG deadline = GetTickCount64() + timeoutMilliseconds;
    while (!condition()) {
        if (GetTickCount64() > deadline)
            return false;
        Sleep(10);
    }
    return true;
}
