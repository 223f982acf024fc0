// Prints the disk load's and the memory load's throughput against plain loops doing the same work, and how long
// each load takes to end after its switch goes off.
#include <windows.h>

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <initializer_list>
#include <vector>

#include "stress/DiskWorker.h"
#include "stress/MemoryWorker.h"
#include "stress/StressState.h"
#include "stress/VerifiedCopy.h"
#include "stress/Workers.h"

namespace {

constexpr int kRounds = 3;
constexpr int kStopTrials = 3;
constexpr DWORD kMemoryRunMilliseconds = 1500;
constexpr double kFileBytes = double(kDiskBlockBytes) * kDiskBlocksPerFile;

double Seconds() {
    LARGE_INTEGER now, frequency;
    QueryPerformanceCounter(&now);
    QueryPerformanceFrequency(&frequency);
    return double(now.QuadPart) / double(frequency.QuadPart);
}

std::wstring TemporaryFolder() {
    wchar_t folder[MAX_PATH + 1] = {};
    GetTempPathW(MAX_PATH + 1, folder);
    return folder;
}

int ProcessorCount() {
    SYSTEM_INFO info;
    GetSystemInfo(&info);
    return int(info.dwNumberOfProcessors);
}

void SwitchLoads(int32_t on) {
    Stress.masterOn = on;
    Stress.diskOn = on;
    Stress.memoryOn = on;
}

// Threads started the way the program starts the memory load: suspended, bound to processor i when asked, resumed.
std::vector<HANDLE> StartThreads(LPTHREAD_START_ROUTINE entry, int count, LPVOID parameter, bool bind) {
    std::vector<HANDLE> threads;
    for (int i = 0; i < count; ++i) {
        HANDLE thread = CreateThread(nullptr, 0, entry, parameter, CREATE_SUSPENDED, nullptr);
        if (!thread)
            continue;
        if (bind && i < int(sizeof(DWORD_PTR) * 8))
            SetThreadAffinityMask(thread, DWORD_PTR(1) << i);
        ResumeThread(thread);
        threads.push_back(thread);
    }
    return threads;
}

void Finish(std::vector<HANDLE>& threads) {
    WaitForMultipleObjects(DWORD(threads.size()), threads.data(), TRUE, INFINITE);
    for (HANDLE thread : threads)
        CloseHandle(thread);
    threads.clear();
}

// A new delete-on-close file made the way the load makes its files: the name formed, the file created by the open.
HANDLE CreateDeleteOnCloseFile(const std::wstring& folder) {
    static UINT unique = GetTickCount() % 0xFFFF;
    for (int tries = 0; tries < 0xFFFF; ++tries) {
        unique = unique % 0xFFFF + 1;
        wchar_t name[MAX_PATH + 1] = {};
        GetTempFileNameW(folder.c_str(), L"bch", unique, name);
        HANDLE file = CreateFileW(name, GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                  CREATE_NEW, FILE_FLAG_DELETE_ON_CLOSE | FILE_ATTRIBUTE_TEMPORARY, nullptr);
        if (file != INVALID_HANDLE_VALUE || GetLastError() != ERROR_FILE_EXISTS)
            return file;
    }
    return INVALID_HANDLE_VALUE;
}

// The disk load's own loop over exactly one full file: a write that counts switches the load off after the file's
// last block, and the worker closes the file and ends. Deleting a file on close is part of the load's cost.
std::atomic<int> diskWrites{0};

BOOL CountingWrite(HANDLE file, const void* block, DWORD bytes) {
    const BOOL written = kSystemDiskCalls.write(file, block, bytes);
    if (++diskWrites == kDiskBlocksPerFile)
        SwitchLoads(0);
    return written;
}

DWORD WINAPI OneFileOfTheLoad(LPVOID folder) {
    return RunDiskLoad(static_cast<const wchar_t*>(folder), {kSystemDiskCalls.open, CountingWrite});
}

double DiskLoadBytesPerSecond(const std::wstring& folder) {
    SwitchLoads(1);
    diskWrites = 0;
    const double start = Seconds();
    std::vector<HANDLE> threads = StartThreads(OneFileOfTheLoad, 1, const_cast<wchar_t*>(folder.c_str()), false);
    Finish(threads);
    return kFileBytes / (Seconds() - start);
}

// The same 4096-byte synchronous writes into the same kind of file, with nothing else around them; returns the
// full, still open file (INVALID_HANDLE_VALUE when none could be made).
HANDLE WriteFullPlainFile(const std::wstring& folder) {
    static const char zeros[kDiskBlockBytes] = {};
    HANDLE file = CreateDeleteOnCloseFile(folder);
    if (file == INVALID_HANDLE_VALUE)
        return file;
    DWORD written = 0;
    for (int block = 0; block < kDiskBlocksPerFile; ++block)
        WriteFile(file, zeros, kDiskBlockBytes, &written, nullptr);
    return file;
}

double PlainDiskBytesPerSecond(const std::wstring& folder) {
    const double start = Seconds();
    HANDLE file = WriteFullPlainFile(folder);
    if (file == INVALID_HANDLE_VALUE)
        return 0.0;
    CloseHandle(file);
    return kFileBytes / (Seconds() - start);
}

// The memory load's own loop with a copy that also counts.
std::atomic<uint64_t> memoryCopies{0};

void CountingCopy(void* destination, const void* source, size_t bytes) {
    kHeapMemoryCalls.copy(destination, source, bytes);
    memoryCopies.fetch_add(1, kRelaxed);
}

DWORD WINAPI CountedMemoryLoad(LPVOID) {
    return RunMemoryLoad({std::malloc, std::free, CountingCopy});
}

// A plain memcpy of 16 MiB blocks; the destination escapes so that the copies cannot be optimised away.
std::atomic<bool> plainRuns{false};
void* volatile escapedBlock;

DWORD WINAPI PlainMemoryLoop(LPVOID) {
    char* source = static_cast<char*>(std::malloc(kMemoryBlockBytes));
    char* destination = static_cast<char*>(std::malloc(kMemoryBlockBytes));
    escapedBlock = destination;
    while (source && destination && plainRuns.load(kRelaxed)) {
        std::memcpy(destination, source, kMemoryBlockBytes);
        memoryCopies.fetch_add(1, kRelaxed);
    }
    std::free(destination);
    std::free(source);
    return 0;
}

// The verified memory load's loop: the same passes the worker makes when "Verify results" is on.
DWORD WINAPI VerifiedMemoryLoop(LPVOID) {
    void* source = std::malloc(kMemoryBlockBytes);
    void* destination = std::malloc(kMemoryBlockBytes);
    if (source && destination) {
        VerifiedBlocks blocks;
        blocks.block[0] = static_cast<uint64_t*>(source);
        blocks.block[1] = static_cast<uint64_t*>(destination);
        blocks.bytes = kMemoryBlockBytes;
        StartVerifiedBlocks(blocks, GetTickCount64());
        while (plainRuns.load(kRelaxed)) {
            if (VerifiedCopyPass(blocks, MismatchSink()) != 0)
                std::printf("verified copy: a wrong word was found\n");
            memoryCopies.fetch_add(1, kRelaxed);
        }
    }
    std::free(destination);
    std::free(source);
    return 0;
}

// Copies per second while the threads run, after they have settled.
double MemoryBytesPerSecond(LPTHREAD_START_ROUTINE entry, int threadCount, bool bind) {
    SwitchLoads(1);
    plainRuns = true;
    std::vector<HANDLE> threads = StartThreads(entry, threadCount, nullptr, bind);
    Sleep(200);
    const double start = Seconds();
    const uint64_t first = memoryCopies.load();
    Sleep(kMemoryRunMilliseconds);
    const double rate = double(memoryCopies.load() - first) / (Seconds() - start) * double(kMemoryBlockBytes);
    SwitchLoads(0);
    plainRuns = false;
    Finish(threads);
    return rate;
}

// The disk load's loop with a write that notes when it returned: how soon the writes stop after a switch-off.
std::atomic<double> lastWriteReturned{0.0};

BOOL TimedWrite(HANDLE file, const void* block, DWORD bytes) {
    const BOOL written = kSystemDiskCalls.write(file, block, bytes);
    lastWriteReturned.store(Seconds(), kRelaxed);
    return written;
}

DWORD WINAPI TimedDiskLoad(LPVOID folder) {
    return RunDiskLoad(static_cast<const wchar_t*>(folder), {kSystemDiskCalls.open, TimedWrite});
}

// Runs the workers a while, switches the load off and times until the last one has ended; the worst of a few.
double WorstStopMilliseconds(LPTHREAD_START_ROUTINE worker,
                             int count,
                             LPVOID parameter,
                             bool bind,
                             double* lastWriteMilliseconds = nullptr) {
    double worst = 0.0;
    for (int trial = 0; trial < kStopTrials; ++trial) {
        SwitchLoads(1);
        std::vector<HANDLE> threads = StartThreads(worker, count, parameter, bind);
        Sleep(500);
        const double off = Seconds();
        SwitchLoads(0);
        Finish(threads);
        worst = std::max(worst, (Seconds() - off) * 1000.0);
        if (lastWriteMilliseconds)
            *lastWriteMilliseconds = std::max(*lastWriteMilliseconds, (lastWriteReturned.load() - off) * 1000.0);
    }
    return worst;
}

// What the system takes to close, and so delete, one full file of the load.
double CloseFullFileMilliseconds(const std::wstring& folder) {
    HANDLE file = WriteFullPlainFile(folder);
    if (file == INVALID_HANDLE_VALUE)
        return 0.0;
    const double start = Seconds();
    CloseHandle(file);
    return (Seconds() - start) * 1000.0;
}

void PrintRow(const char* measure, double value, const char* goal, int decimals = 1) {
    std::printf("%-62s %12.*f  %s\n", measure, decimals, value, goal);
}

double Ratio(double value, double reference) {
    return reference > 0.0 ? value / reference : 0.0;
}

// Only the plain and the verified memory copies, side by side on bound threads.
int CompareVerifiedMemory(int processors) {
    double plain = 0.0, verified = 0.0;
    for (int round = 0; round < 2 * kRounds; ++round) {
        plain = std::max(plain, MemoryBytesPerSecond(PlainMemoryLoop, processors, true));
        verified = std::max(verified, MemoryBytesPerSecond(VerifiedMemoryLoop, processors, true));
    }
    std::printf("%-62s %12s  %s\n", "measure", "value", "goal");
    PrintRow("verified memory load, 16 MiB blocks, bound threads (MB/s)", verified / 1e6, "");
    PrintRow("plain memcpy loop, same bound threads (MB/s)", plain / 1e6, "");
    PrintRow("verified memory ratio", Ratio(verified, plain), ">= 0.90", 3);
    std::printf("processors: %d\n", processors);
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    const std::wstring folder = TemporaryFolder();
    const int processors = ProcessorCount();
    if (argc > 1 && std::strcmp(argv[1], "verified") == 0)
        return CompareVerifiedMemory(processors);

    // Rounds alternate the load and its reference, and each keeps its best round: the one least disturbed by
    // whatever else the machine runs.
    double diskLoad = 0.0, diskPlain = 0.0, memoryLoad = 0.0, memoryPlain = 0.0, memoryPlainBound = 0.0,
           memoryVerified = 0.0;
    for (int round = 0; round < kRounds; ++round) {
        diskPlain = std::max(diskPlain, PlainDiskBytesPerSecond(folder));
        diskLoad = std::max(diskLoad, DiskLoadBytesPerSecond(folder));
        memoryPlain = std::max(memoryPlain, MemoryBytesPerSecond(PlainMemoryLoop, processors, false));
        memoryPlainBound = std::max(memoryPlainBound, MemoryBytesPerSecond(PlainMemoryLoop, processors, true));
        memoryLoad = std::max(memoryLoad, MemoryBytesPerSecond(CountedMemoryLoad, processors, true));
        memoryVerified = std::max(memoryVerified, MemoryBytesPerSecond(VerifiedMemoryLoop, processors, true));
    }
    const double diskStop = WorstStopMilliseconds(DiskWorker, 1, nullptr, false);
    double lastWrite = 0.0;
    WorstStopMilliseconds(TimedDiskLoad, 1, const_cast<wchar_t*>(folder.c_str()), false, &lastWrite);
    const double closeFull = CloseFullFileMilliseconds(folder);
    const double memoryStop = WorstStopMilliseconds(MemoryWorker, processors, nullptr, true);

    std::printf("%-62s %12s  %s\n", "measure", "value", "goal");
    PrintRow("disk load, one 100 MiB file incl. its deletion (MB/s)", diskLoad / 1e6, "");
    PrintRow("plain loop of the same writes and file (MB/s)", diskPlain / 1e6, "");
    PrintRow("disk ratio", Ratio(diskLoad, diskPlain), ">= 0.95", 3);
    PrintRow("memory load, 16 MiB copies, all workers (MB/s)", memoryLoad / 1e6, "");
    PrintRow("plain memcpy loop, same thread count (MB/s)", memoryPlain / 1e6, "");
    PrintRow("memory ratio", Ratio(memoryLoad, memoryPlain), ">= 0.95", 3);
    PrintRow("plain memcpy loop, threads bound as the load's (MB/s)", memoryPlainBound / 1e6, "");
    PrintRow("memory ratio against the bound loop", Ratio(memoryLoad, memoryPlainBound), ">= 0.95", 3);
    PrintRow("verified memory load, bound threads (MB/s)", memoryVerified / 1e6, "");
    PrintRow("verified memory ratio against the bound loop", Ratio(memoryVerified, memoryPlainBound), ">= 0.90", 3);
    PrintRow("disk: switch-off to worker end, worst of 3 (ms)", diskStop, "< 50");
    PrintRow("disk: switch-off to the last write's return, worst of 3 (ms)", lastWrite, "");
    PrintRow("disk: closing (deleting) one full 100 MiB file (ms)", closeFull, "");
    PrintRow("memory: switch-off to last worker end, worst of 3 (ms)", memoryStop, "< 100");
    std::printf("processors: %d\n", processors);
    return 0;
}
