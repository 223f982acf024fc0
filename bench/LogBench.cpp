// Prints the loads' rates with the run log written beside them and without it, side by side: the processor load
// on every processor (MEGA-ADD/s, as the status line shows it) and the disk load (MB/s written), in short windows
// that alternate in the order ABBA, so that other work on the machine slows both sides alike; the ratio is the median
// of the rounds' ratios.
#include <windows.h>

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <cstdio>
#include <ctime>
#include <string>
#include <vector>

#include "report/RunFiles_win.h"
#include "report/RunSummary.h"
#include "run/RunRecord.h"
#include "stress/DiskWorker.h"
#include "stress/StressControl.h"
#include "stress/StressState.h"

namespace {

constexpr int kRounds = 10;
constexpr DWORD kSettleMilliseconds = 500;
constexpr DWORD kWindowMilliseconds = 3000;
constexpr DWORD kSampleMilliseconds = 100;

std::atomic<uint64_t> diskBytes{0};

BOOL CountingWrite(HANDLE file, const void* block, DWORD bytes) {
    const BOOL written = kSystemDiskCalls.write(file, block, bytes);
    if (written)
        diskBytes.fetch_add(bytes, kRelaxed);
    return written;
}

DWORD WINAPI CountedDiskLoad(LPVOID folder) {
    return RunDiskLoad(static_cast<const wchar_t*>(folder), {kSystemDiskCalls.open, CountingWrite});
}

double Seconds() {
    LARGE_INTEGER now, frequency;
    QueryPerformanceCounter(&now);
    QueryPerformanceFrequency(&frequency);
    return double(now.QuadPart) / double(frequency.QuadPart);
}

struct Rates {
    double megaAdd = 0.0;
    double diskMegabytes = 0.0;
};

// The loads' rates over one window: the published MEGA-ADD/s averaged over samples, the disk's bytes counted.
Rates MeasureWindow() {
    Sleep(kSettleMilliseconds);
    const uint64_t firstBytes = diskBytes.load();
    const double start = Seconds();
    double sum = 0.0;
    int samples = 0;
    for (DWORD waited = 0; waited < kWindowMilliseconds; waited += kSampleMilliseconds) {
        Sleep(kSampleMilliseconds);
        sum += Stress.megaAddRate.load(kRelaxed);
        ++samples;
    }
    Rates rates;
    rates.megaAdd = sum / samples;
    rates.diskMegabytes = double(diskBytes.load() - firstBytes) / (Seconds() - start) / 1e6;
    return rates;
}

// A window with a run whose log thread writes a line every second into the runs folder, as every run does.
Rates MeasureWithLog(const std::wstring& runsFolder) {
    const uint32_t runId =
        BeginRun((1 << int(LoadType::Cpu)) | (1 << int(LoadType::Disk)), ClockMilliseconds(), std::time(nullptr));
    RunDescription description;
    description.programVersion = u"Kestrovane log bench";
    description.settings.loads = (1 << int(LoadType::Cpu)) | (1 << int(LoadType::Disk));
    description.startUnixSeconds = CurrentRun.startUnixSeconds;
    RunFilesPlan plan;
    plan.runsFolder = runsFolder;
    if (!StartRunFiles(nullptr, runId, CurrentRun.startMilliseconds, description, plan))
        std::printf("the log thread did not start\n");
    const Rates rates = MeasureWindow();
    if (RunLogNotWritten(runId))
        std::printf("the log was not written\n");
    // The run ends and its report is composed after the window, outside the measurement.
    EndRun(ClockMilliseconds());
    FinishRunFiles(runId, CollectRunOutcome(CurrentRun, std::time(nullptr), false), ReportTexts());
    WaitForRunFiles(30000);
    return rates;
}

double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    const size_t middle = values.size() / 2;
    return values.size() % 2 ? values[middle] : (values[middle - 1] + values[middle]) / 2;
}

void PrintSideBySide(const char* name, const std::vector<double>& with, const std::vector<double>& without) {
    std::vector<double> ratios;
    for (size_t round = 0; round < with.size(); ++round)
        ratios.push_back(without[round] > 0 ? with[round] / without[round] : 0.0);
    std::printf("%-30s %12.1f %12.1f %8.3f\n", name, Median(with), Median(without), Median(ratios));
}

void RemoveFolderFiles(const std::wstring& folder) {
    WIN32_FIND_DATAW found;
    HANDLE search = FindFirstFileW((folder + L"\\*").c_str(), &found);
    if (search != INVALID_HANDLE_VALUE) {
        do
            if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
                DeleteFileW((folder + L"\\" + found.cFileName).c_str());
        while (FindNextFileW(search, &found));
        FindClose(search);
    }
    RemoveDirectoryW(folder.c_str());
}

}  // namespace

int main() {
    SYSTEM_INFO info;
    GetSystemInfo(&info);
    wchar_t temporary[MAX_PATH + 1] = {};
    GetTempPathW(MAX_PATH + 1, temporary);
    const std::wstring folder =
        std::wstring(temporary) + L"kestrovane-log-bench-" + std::to_wstring(GetCurrentProcessId());
    const std::wstring runsFolder = folder + L"\\Runs";
    CreateDirectoryW(folder.c_str(), nullptr);

    Stress.processorCount = int32_t(info.dwNumberOfProcessors);
    Stress.cpuOn = 1;
    Stress.diskOn = 1;
    Stress.masterOn = 1;
    StartLoadWorkers(nullptr, LoadType::Cpu);
    HANDLE disk = CreateThread(nullptr, 0, CountedDiskLoad, const_cast<wchar_t*>(folder.c_str()), 0, nullptr);

    std::vector<double> megaAddWith, megaAddWithout, diskWith, diskWithout;
    for (int round = 0; round < kRounds; ++round) {
        // ABBA: a round that starts without the log is followed by one that starts with it.
        Rates with, without;
        if (round % 2 == 0) {
            without = MeasureWindow();
            with = MeasureWithLog(runsFolder);
        } else {
            with = MeasureWithLog(runsFolder);
            without = MeasureWindow();
        }
        megaAddWithout.push_back(without.megaAdd);
        diskWithout.push_back(without.diskMegabytes);
        megaAddWith.push_back(with.megaAdd);
        diskWith.push_back(with.diskMegabytes);
        std::printf("round %2d: MEGA-ADD/s %8.1f with the log, %8.1f without; disk MB/s %6.1f with, %6.1f without\n",
                    round + 1, with.megaAdd, without.megaAdd, with.diskMegabytes, without.diskMegabytes);
    }
    Stress.masterOn = 0;
    if (disk) {
        WaitForSingleObject(disk, 30000);
        CloseHandle(disk);
    }
    RemoveFolderFiles(runsFolder);
    RemoveFolderFiles(folder);

    std::printf(
        "\n%d rounds of two %.0f s windows, %lu processors; the reference is the same load without the log;"
        " goal: ratio >= 0.98\n",
        kRounds, kWindowMilliseconds / 1000.0, info.dwNumberOfProcessors);
    std::printf("%-30s %12s %12s %8s\n", "rate (median of the rounds)", "with log", "without", "ratio");
    PrintSideBySide("MEGA-ADD/s, every processor", megaAddWith, megaAddWithout);
    PrintSideBySide("disk load MB/s", diskWith, diskWithout);
    return 0;
}
