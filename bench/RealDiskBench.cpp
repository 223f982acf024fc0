// The real-disk load's own write and read rates, as it publishes them, over a few whole files in a given folder;
// bench/real-disk-bench.sh runs it beside dd with direct I/O and prints the ratios. Under Wine the program's
// unbuffered reads are served from Linux's page cache (Wine does not pass FILE_FLAG_NO_BUFFERING on), so before
// each read phase this program asks Linux to drop the file's cached pages, as Windows would never have kept them.
// Usage: real_disk_bench.exe FOLDER [FILES] [FILE_MIB]; prints "write_mb_per_s=..." and "read_mb_per_s=..." lines.
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "stress/RealDiskWorker.h"

namespace {

int filesWanted = 3;
std::wstring folder;
std::vector<double> writeRates, readRates;
RealDiskIo systemCalls;
bool evicting = false;
int evictions = 0;

using UnixName = char*(CDECL*)(const wchar_t*);

UnixName WineUnixName() {
    return reinterpret_cast<UnixName>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "wine_get_unix_file_name")));
}

std::string LinuxPath(const std::wstring& path) {
    char* name = WineUnixName()(path.c_str());
    if (!name)
        return std::string();
    std::string result = name;
    HeapFree(GetProcessHeap(), 0, name);
    return result;
}

// Wine starts Linux programs but cannot wait for them, so the command leaves a mark when it is done.
void DropCachedPages(void*, void*, const std::u16string& name) {
    if (!evicting)
        return;
    const std::wstring path = folder + L"\\" + std::wstring(name.begin(), name.end());
    const std::wstring mark = folder + L"\\kv-bench-evicted";
    DeleteFileW(mark.c_str());
    const std::string command = "/bin/sh -c \"dd if='" + LinuxPath(path) +
                                "' iflag=nocache count=0 2>/dev/null; : > '" + LinuxPath(mark) + "'\"";
    std::wstring wide(command.begin(), command.end());
    STARTUPINFOW startup = {};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION process = {};
    if (!CreateProcessW(nullptr, wide.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process))
        return;
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    for (int tries = 0; tries < 3000 && GetFileAttributesW(mark.c_str()) == INVALID_FILE_ATTRIBUTES; ++tries)
        Sleep(2);
    if (DeleteFileW(mark.c_str()))
        ++evictions;
}

// Each file's phase rates are published before the file is closed.
void CloseAndNote(void* context, void* file) {
    systemCalls.close(context, file);
    writeRates.push_back(DiskStatus.writeMegabytesPerSecond.load());
    readRates.push_back(DiskStatus.readMegabytesPerSecond.load());
}

void Adjust(RealDiskIo& calls) {
    systemCalls = calls;
    calls.close = CloseAndNote;
    calls.betweenPhases = DropCachedPages;
}

bool UntilEnoughFiles() {
    return DiskStatus.filesVerified.load() < filesWanted;
}

double Median(std::vector<double> values) {
    if (values.empty())
        return 0;
    std::sort(values.begin(), values.end());
    const size_t middle = values.size() / 2;
    return values.size() % 2 ? values[middle] : (values[middle - 1] + values[middle]) / 2;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: real_disk_bench.exe FOLDER [FILES] [FILE_MIB]\n");
        return 2;
    }
    folder = argv[1];
    if (argc > 2)
        filesWanted = std::max(1, _wtoi(argv[2]));
    const uint64_t fileMebibytes = argc > 3 ? uint64_t(std::max(1, _wtoi(argv[3]))) : 1024;
    evicting = WineUnixName() != nullptr;

    RealDiskOptions options;
    options.folder = folder;
    options.keepRunning = UntilEnoughFiles;
    options.maxFileBytes = fileMebibytes << 20;
    options.minFileBytes = fileMebibytes << 20;
    options.adjustCalls = Adjust;
    const DiskLoadEnd end = RunRealDisk(options, DiskStatus);
    if (end != DiskLoadEnd::Stopped || DiskStatus.filesVerified.load() < filesWanted) {
        std::fprintf(stderr, "the load ended early: problem %d, system error %u\n", int(DiskStatus.problem.load()),
                     unsigned(DiskStatus.systemError.load()));
        return 1;
    }
    std::printf("files=%d file_mib=%llu page_cache_dropped_before_reads=%d\n", filesWanted,
                static_cast<unsigned long long>(fileMebibytes), evictions);
    for (size_t i = 0; i < writeRates.size(); ++i)
        std::printf("file %zu: write %.0f MB/s, read %.0f MB/s\n", i, writeRates[i], readRates[i]);
    std::printf("write_mb_per_s=%.1f\nread_mb_per_s=%.1f\n", Median(writeRates), Median(readRates));
    return 0;
}
