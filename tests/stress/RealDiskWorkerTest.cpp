// The real-disk load on real files under Windows: files of its own names that are verified and gone after a stop,
// an exit or a kill; a fault on the read path found at its offset; the free-space floor; leftovers swept only when
// they carry the load's first sector; folders that are missing, files, read-only, too deep or lost mid-run.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "stress/DiskFileName.h"
#include "stress/DiskLeftovers.h"
#include "stress/DiskSector.h"
#include "stress/DiskSpace.h"
#include "stress/RealDiskWorker.h"
#include "stress/StressControl.h"
#include "support/Scratch.h"
#include "support/TestRun.h"

namespace {

constexpr DWORD kDeadline = 30000;
constexpr uint64_t kMiB = uint64_t(1) << 20;

std::vector<std::wstring> FilesIn(const std::wstring& folder, const wchar_t* pattern = L"*") {
    std::vector<std::wstring> names;
    WIN32_FIND_DATAW found;
    HANDLE search = FindFirstFileW((folder + L"\\" + pattern).c_str(), &found);
    if (search == INVALID_HANDLE_VALUE)
        return names;
    do {
        if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
            names.push_back(found.cFileName);
    } while (FindNextFileW(search, &found));
    FindClose(search);
    return names;
}

std::wstring Wide(const std::u16string& text) {
    return std::wstring(text.begin(), text.end());
}

// The switches of a test run: on until this count of calls says otherwise.
std::atomic<int> stopAfterPolls{0};
bool KeepRunningForAWhile() {
    return stopAfterPolls.fetch_sub(1) > 0;
}

struct Recorded {
    std::vector<DiskLoadFault> faults;
    std::vector<DiskLoadOutcome> outcomes;
};

void RecordFault(void* context, const DiskLoadFault& fault) {
    static_cast<Recorded*>(context)->faults.push_back(fault);
}

void RecordOutcome(void* context, DiskLoadOutcome outcome) {
    static_cast<Recorded*>(context)->outcomes.push_back(outcome);
}

// The seams: each test sets what its adjusted calls do.
RealDiskIo systemCalls;
uint64_t flipFileNumber = 0, flipOffset = 0;
int filesCreated = 0;
std::vector<std::wstring> namesSeenOpen;
std::wstring watchedFolder;
uint64_t reportedFree = 0, reportedTotal = 0;
DWORD failWritesWith = 0;
uint64_t failWritesAt = 0;

DiskIoResult CountingCreate(void* context, const std::u16string& name, void*& file) {
    const DiskIoResult result = systemCalls.create(context, name, file);
    if (result.status == DiskIo::Ok) {
        ++filesCreated;
        for (const auto& seen : FilesIn(watchedFolder))
            namesSeenOpen.push_back(seen);
    }
    return result;
}

// Flips one bit of what the device returned, in the given file at the given offset: a sector damaged on its way.
// The read is finished here so that the bit is flipped in what arrived; the loop's own finish then gives the same
// result.
DiskIoResult FlippingRead(void* context, void* file, uint64_t offset, uint8_t* data, uint32_t bytes) {
    const DiskIoResult started = systemCalls.startRead(context, file, offset, data, bytes);
    if (started.status != DiskIo::Ok)
        return started;
    const DiskIoResult done = systemCalls.finish(context, file);
    if (done.status == DiskIo::Ok && filesCreated == int(flipFileNumber) + 1 && offset <= flipOffset &&
        flipOffset < offset + bytes)
        data[flipOffset - offset] ^= 0x04;
    return started;
}

DiskIoResult ReportedSpace(void*, uint64_t& freeBytes, uint64_t& totalBytes) {
    freeBytes = reportedFree;
    totalBytes = reportedTotal;
    return {};
}

uint64_t largestWrite = 0;

DiskIoResult FailingWrite(void* context, void* file, uint64_t offset, const uint8_t* data, uint32_t bytes) {
    largestWrite = std::max(largestWrite, offset + bytes);
    if (offset >= failWritesAt && failWritesWith != 0)
        return ClassifySystemError(failWritesWith);
    return systemCalls.startWrite(context, file, offset, data, bytes);
}

void AdjustForFlip(RealDiskIo& calls) {
    systemCalls = calls;
    calls.create = CountingCreate;
    calls.startRead = FlippingRead;
}

void AdjustSpace(RealDiskIo& calls) {
    systemCalls = calls;
    calls.create = CountingCreate;
    calls.space = ReportedSpace;
}

void AdjustWrites(RealDiskIo& calls) {
    systemCalls = calls;
    calls.create = CountingCreate;
    calls.startWrite = FailingWrite;
}

HANDLE StartChild(const std::string& arguments) {
    wchar_t self[MAX_PATH];
    GetModuleFileNameW(nullptr, self, MAX_PATH);
    std::wstring command = self;
    command = L"\"" + command.substr(0, command.find_last_of(L'\\')) + L"\\load_child.exe\" " +
              std::wstring(arguments.begin(), arguments.end());
    STARTUPINFOW startup = {};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION process = {};
    if (!CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process))
        return nullptr;
    CloseHandle(process.hThread);
    return process.hProcess;
}

// Writes a file of the given name holding `sectors` sectors of the given run and file number.
void WriteSectors(const std::wstring& path, uint64_t runTag, uint64_t fileNumber, size_t sectors) {
    std::string bytes(sectors * kDiskSectorBytes, '\0');
    FillDiskSectors(MakeDiskPattern(runTag), fileNumber, 0, reinterpret_cast<uint8_t*>(bytes.data()), sectors);
    ASSERT_TRUE(WriteFileBytes(path, bytes));
}

class RealDiskWorkerTest : public testing::Test {
protected:
    void SetUp() override {
        stopAfterPolls = 1 << 30;
        filesCreated = 0;
        namesSeenOpen.clear();
        watchedFolder = scratch_.path();
        failWritesWith = 0;
        options_.folder = scratch_.path();
        options_.sink = {&recorded_, RecordFault, RecordOutcome};
        options_.keepRunning = KeepRunningForAWhile;
        options_.maxFileBytes = 4 * kMiB;
        options_.minFileBytes = 1 * kMiB;
    }
    DiskLoadEnd Run() { return RunRealDisk(options_, status_); }

    ScratchFolder scratch_;
    RealDiskOptions options_;
    Recorded recorded_;
    DiskLoadStatus status_;
};

}  // namespace

TEST_F(RealDiskWorkerTest, FilesOfItsOwnNamesAreVerifiedOneAtATimeAndGoneAfterTheStop) {
    // A poll before each file and after each of its four blocks written and read: the stop comes in the fourth.
    stopAfterPolls = 3 * 9 + 2;
    options_.adjustCalls = AdjustForFlip;
    flipFileNumber = 1000;
    EXPECT_EQ(Run(), DiskLoadEnd::Stopped);
    EXPECT_TRUE(recorded_.faults.empty());
    EXPECT_EQ(recorded_.outcomes, std::vector<DiskLoadOutcome>{DiskLoadOutcome::Ran});
    EXPECT_EQ(status_.filesVerified.load(), 3);
    EXPECT_GT(status_.writeMegabytesPerSecond.load(), 0.0);
    EXPECT_GT(status_.readMegabytesPerSecond.load(), 0.0);
    ASSERT_EQ(filesCreated, 4);
    ASSERT_EQ(namesSeenOpen.size(), 4u) << "one file at a time";
    for (const auto& name : namesSeenOpen) {
        uint64_t tag = 0, number = 0;
        EXPECT_TRUE(ParseDiskFileName(std::u16string(name.begin(), name.end()), tag, number)) << name.c_str();
    }
    EXPECT_TRUE(FilesIn(scratch_.path()).empty());
}

TEST_F(RealDiskWorkerTest, ABitFlippedBetweenWriteAndReadBackIsAFaultAtItsFileOffset) {
    options_.adjustCalls = AdjustForFlip;
    flipFileNumber = 1;
    flipOffset = 2 * kMiB + 5 * kDiskSectorBytes + 1000;
    stopAfterPolls = 3 * 8;
    EXPECT_EQ(Run(), DiskLoadEnd::Stopped);
    ASSERT_EQ(recorded_.faults.size(), 1u);
    const DiskLoadFault& fault = recorded_.faults[0];
    EXPECT_EQ(fault.fileNumber, 1u);
    EXPECT_EQ(fault.offset, flipOffset);
    EXPECT_EQ(fault.expected ^ fault.actual, uint64_t(0x04) << (8 * (1000 % 8)));
    EXPECT_NE(std::strstr(fault.detail, "damaged sector"), nullptr) << fault.detail;
    EXPECT_TRUE(FilesIn(scratch_.path()).empty());
}

TEST_F(RealDiskWorkerTest, TheFreeSpaceFloorDecidesTheFileSizeAndWaitsWhenNothingFits) {
    options_.adjustCalls = AdjustSpace;
    reportedTotal = uint64_t(100) << 30;
    reportedFree = DiskReserveBytes(reportedTotal) + 2 * kMiB + 5000;
    // The file on the disk has the size the rule gives: 2 MiB and one whole sector.
    failWritesAt = ~uint64_t(0);
    options_.adjustCalls = [](RealDiskIo& calls) {
        AdjustSpace(calls);
        calls.startWrite = FailingWrite;
    };
    stopAfterPolls = 6;
    EXPECT_EQ(Run(), DiskLoadEnd::Stopped);
    EXPECT_EQ(largestWrite, 2 * kMiB + kDiskSectorBytes);

    reportedFree = DiskReserveBytes(reportedTotal) + kMiB - 1;
    recorded_ = {};
    filesCreated = 0;
    stopAfterPolls = 30;
    EXPECT_EQ(Run(), DiskLoadEnd::Stopped);
    EXPECT_EQ(filesCreated, 0);
    EXPECT_EQ(recorded_.outcomes, std::vector<DiskLoadOutcome>{DiskLoadOutcome::CouldNotRun});
    EXPECT_TRUE(FilesIn(scratch_.path()).empty());
}

TEST_F(RealDiskWorkerTest, ADiskFullEndsTheFileAndALostShareEndsTheLoadNeitherLeavingAFile) {
    options_.adjustCalls = AdjustWrites;
    failWritesAt = 2 * kMiB;
    failWritesWith = ERROR_DISK_FULL;
    stopAfterPolls = 2 + 2 + 2;
    EXPECT_EQ(Run(), DiskLoadEnd::Stopped);
    EXPECT_TRUE(recorded_.faults.empty()) << "a full disk is not a fault of the disk";
    EXPECT_GE(status_.filesVerified.load(), 1);
    EXPECT_TRUE(FilesIn(scratch_.path()).empty());

    recorded_ = {};
    failWritesWith = ERROR_NETNAME_DELETED;
    stopAfterPolls = 1 << 30;
    EXPECT_EQ(Run(), DiskLoadEnd::Interrupted);
    EXPECT_EQ(recorded_.outcomes, (std::vector<DiskLoadOutcome>{DiskLoadOutcome::Ran, DiskLoadOutcome::Interrupted}));
    EXPECT_EQ(status_.problem.load(), int32_t(DiskIo::FolderGone));
    EXPECT_EQ(status_.systemError.load(), DWORD(ERROR_NETNAME_DELETED));
    EXPECT_TRUE(FilesIn(scratch_.path()).empty());
}

TEST_F(RealDiskWorkerTest, AMissingFolderOrAFileIsRefusedAtOnceAndAFolderDeeperThanMaxPathWorks) {
    WriteFileBytes(scratch_.File(L"plain-file"), "x");
    const struct {
        std::wstring folder;
        DiskIo problem;
    } refused[] = {{scratch_.File(L"missing"), DiskIo::FolderMissing},
                   {scratch_.File(L"plain-file"), DiskIo::NotAFolder},
                   {scratch_.File(L"missing\\deeper"), DiskIo::FolderMissing}};
    for (const auto& c : refused) {
        recorded_ = {};
        options_.folder = c.folder;
        EXPECT_EQ(Run(), DiskLoadEnd::CouldNotRun);
        EXPECT_EQ(status_.problem.load(), int32_t(c.problem)) << c.folder.c_str();
        EXPECT_EQ(recorded_.outcomes, std::vector<DiskLoadOutcome>{DiskLoadOutcome::CouldNotRun});
    }
    EXPECT_EQ(FilesIn(scratch_.path()), std::vector<std::wstring>{L"plain-file"});

    // Twelve levels of 30 characters: far beyond MAX_PATH, reachable only through the extended-length form.
    std::wstring deep = L"\\\\?\\" + scratch_.path();
    std::vector<std::wstring> levels;
    for (int level = 0; level < 12; ++level) {
        deep += L"\\level-" + std::to_wstring(level) + std::wstring(22, L'x');
        ASSERT_TRUE(CreateDirectoryW(deep.c_str(), nullptr)) << GetLastError();
        levels.push_back(deep);
    }
    options_.folder = deep.substr(4);
    ASSERT_GT(options_.folder.size(), size_t(MAX_PATH));
    watchedFolder = deep;
    options_.adjustCalls = AdjustForFlip;
    flipFileNumber = 1000;
    stopAfterPolls = 9 + 1;
    recorded_ = {};
    EXPECT_EQ(Run(), DiskLoadEnd::Stopped);
    EXPECT_EQ(status_.filesVerified.load(), 1);
    EXPECT_TRUE(recorded_.faults.empty());
    EXPECT_EQ(namesSeenOpen.size(), 2u);
    EXPECT_TRUE(FilesIn(deep).empty());
    for (auto level = levels.rbegin(); level != levels.rend(); ++level)
        EXPECT_TRUE(RemoveDirectoryW(level->c_str())) << "nothing was left inside";
}

// Under Wine the tests run as root, for whom no permission bit makes a folder read-only; the immutable attribute of
// the Linux file system does. The test sets it on a folder of its own through the Linux chattr, which Wine starts
// like any program, and skips where that is not possible.
TEST_F(RealDiskWorkerTest, AReadOnlyFolderIsRefusedWithNothingLeft) {
    using UnixName = char*(CDECL*)(const wchar_t*);
    const auto unixName = reinterpret_cast<UnixName>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "wine_get_unix_file_name")));
    if (!unixName)
        GTEST_SKIP() << "not under Wine";
    const std::wstring folder = scratch_.File(L"read-only");
    ASSERT_TRUE(CreateDirectoryW(folder.c_str(), nullptr));
    char* path = unixName(folder.c_str());
    ASSERT_NE(path, nullptr);
    const std::string linuxPath = path;
    HeapFree(GetProcessHeap(), 0, path);
    // Wine passes on neither a Linux program's exit code nor its end, so what chattr did is read from its effect.
    auto chattr = [&](const char* flag) {
        std::wstring command = L"/usr/bin/chattr " + std::wstring(flag, flag + strlen(flag)) + L" \"" +
                               std::wstring(linuxPath.begin(), linuxPath.end()) + L"\"";
        STARTUPINFOW startup = {};
        startup.cb = sizeof(startup);
        PROCESS_INFORMATION process = {};
        if (CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process)) {
            WaitForSingleObject(process.hProcess, kDeadline);
            CloseHandle(process.hProcess);
            CloseHandle(process.hThread);
        }
    };
    // A folder as the probe, made anew each time: a file probe that +i caught between its writing and its deletion
    // would stay writable inside the immutable folder and hide the attribute. A probe folder so caught is removed
    // on the next try, or makes that try fail as it should, and is never taken for a file of the load.
    auto writable = [&] {
        const std::wstring probe = folder + L"\\probe";
        RemoveDirectoryW(probe.c_str());
        if (!CreateDirectoryW(probe.c_str(), nullptr))
            return false;
        RemoveDirectoryW(probe.c_str());
        return true;
    };
    chattr("+i");
    // A busy machine may take seconds to start chattr; a late +i must not outlive the test either, or the folder
    // could never be removed.
    if (!WaitFor([&] { return !writable(); }, kDeadline)) {
        chattr("-i");
        GTEST_SKIP() << "chattr +i is not possible here";
    }
    options_.folder = folder;
    const DiskLoadEnd end = Run();
    const std::vector<std::wstring> left = FilesIn(folder);
    chattr("-i");
    EXPECT_TRUE(WaitFor(writable, kDeadline)) << "the folder is writable again, so that the scratch folder goes";
    EXPECT_EQ(end, DiskLoadEnd::CouldNotRun);
    EXPECT_EQ(status_.problem.load(), int32_t(DiskIo::NotWritable));
    EXPECT_EQ(recorded_.outcomes, std::vector<DiskLoadOutcome>{DiskLoadOutcome::CouldNotRun});
    EXPECT_TRUE(left.empty());
}

TEST_F(RealDiskWorkerTest, OnlyLeftoversWithTheLoadsFirstSectorAndNoLiveRunAreSwept) {
    const uint64_t dead = 0x1111, live = 0x2222;
    const std::wstring leftover = Wide(DiskFileName(dead, 3));
    const std::wstring sameNameOtherContent = Wide(DiskFileName(dead, 4));
    const std::wstring nameOfAnotherFile = Wide(DiskFileName(dead, 5));
    const std::wstring liveRunsFile = Wide(DiskFileName(live, 0));
    WriteSectors(scratch_.File(leftover), dead, 3, 3);
    ASSERT_TRUE(WriteFileBytes(scratch_.File(sameNameOtherContent), std::string(8192, 'k')));
    WriteSectors(scratch_.File(nameOfAnotherFile), dead, 6, 1);
    WriteSectors(scratch_.File(liveRunsFile), live, 0, 1);
    WriteSectors(scratch_.File(L"notes.tmp"), dead, 0, 1);
    ASSERT_TRUE(CreateDirectoryW(scratch_.File(Wide(DiskFileName(dead, 9))).c_str(), nullptr));
    const std::u16string mutexName = DiskMutexName(live);
    HANDLE liveRun = CreateMutexW(nullptr, FALSE, Wide(mutexName).c_str());
    ASSERT_NE(liveRun, nullptr);

    EXPECT_EQ(SweepDiskLeftovers(scratch_.path()), 1);
    std::vector<std::wstring> expected = {sameNameOtherContent, nameOfAnotherFile, liveRunsFile, L"notes.tmp"};
    std::vector<std::wstring> left = FilesIn(scratch_.path());
    std::sort(left.begin(), left.end());
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(left, expected);
    EXPECT_EQ(ReadFileBytes(scratch_.File(sameNameOtherContent)), std::string(8192, 'k'));
    EXPECT_NE(GetFileAttributesW(scratch_.File(Wide(DiskFileName(dead, 9))).c_str()), INVALID_FILE_ATTRIBUTES);

    // The load sweeps as it starts; once the live run is gone its file goes too.
    CloseHandle(liveRun);
    stopAfterPolls = 0;
    Run();
    EXPECT_EQ(status_.leftoversRemoved.load(), 1);
    EXPECT_EQ(FilesIn(scratch_.path()).size(), 3u);
}

TEST_F(RealDiskWorkerTest, NoFileRemainsAfterTheProcessExitsOrIsKilledWithTheLoadRunning) {
    const std::string folder(scratch_.path().begin(), scratch_.path().end());
    for (int round = 0; round < 2; ++round) {
        HANDLE exiting = StartChild("realdisk-exit \"" + folder + "\"");
        ASSERT_NE(exiting, nullptr);
        DWORD code = 99;
        EXPECT_EQ(WaitForSingleObject(exiting, kDeadline), WAIT_OBJECT_0);
        GetExitCodeProcess(exiting, &code);
        CloseHandle(exiting);
        EXPECT_EQ(code, 0u) << "the child saw its load's file before it exited";
        EXPECT_TRUE(WaitFor([&] { return FilesIn(scratch_.path()).empty(); }, kDeadline)) << "after exit, " << round;

        HANDLE killed = StartChild("realdisk-wait \"" + folder + "\"");
        ASSERT_NE(killed, nullptr);
        EXPECT_TRUE(WaitFor([&] { return !FilesIn(scratch_.path()).empty(); }, kDeadline));
        TerminateProcess(killed, 9);
        EXPECT_EQ(WaitForSingleObject(killed, kDeadline), WAIT_OBJECT_0);
        CloseHandle(killed);
        EXPECT_TRUE(WaitFor([&] { return FilesIn(scratch_.path()).empty(); }, kDeadline)) << "after a kill, " << round;
    }
}

TEST(RealDiskPaths, EveryFullPathGetsItsExtendedLengthForm) {
    EXPECT_EQ(ExtendedLengthPath(L"C:\\data\\x"), L"\\\\?\\C:\\data\\x");
    EXPECT_EQ(ExtendedLengthPath(L"\\\\server\\share\\x"), L"\\\\?\\UNC\\server\\share\\x");
    EXPECT_EQ(ExtendedLengthPath(L"\\\\?\\D:\\y"), L"\\\\?\\D:\\y");
    EXPECT_EQ(ExtendedLengthPath(L""), L"");
    wchar_t temp[MAX_PATH + 1];
    GetTempPathW(MAX_PATH + 1, temp);
    EXPECT_EQ(RealDiskFolderFor(L""), temp) << "no folder chosen: the temporary folder";
    EXPECT_EQ(RealDiskFolderFor(L"C:\\a\\..\\b"), L"C:\\b") << "a chosen folder as a full path";
}

// The load's faults and outcomes reach the run through the hooks the run installs: a damaged sector is an error of
// the disk with its file offset and no processor, and a folder lost after the load ran makes the run incomplete.
TEST_F(RealDiskWorkerTest, ItsFaultsAndOutcomesReachTheRun) {
    const WorkerRun run = BeginTestRun(1 << 2);
    options_.sink = RunSink(run);
    options_.adjustCalls = AdjustForFlip;
    flipFileNumber = 0;
    flipOffset = 3 * kMiB + 77;
    stopAfterPolls = 9;
    EXPECT_EQ(Run(), DiskLoadEnd::Stopped);
    ASSERT_EQ(CurrentRun.errorCount.load(), 1);
    const RunError& error = CurrentRun.errors[0];
    EXPECT_EQ(error.source, ErrorSource::Disk);
    EXPECT_EQ(error.processor, -1);
    EXPECT_EQ(error.offset, flipOffset);
    EXPECT_NE(std::strstr(error.detail, "damaged sector"), nullptr) << error.detail;
    EXPECT_EQ(RunVerdict(CurrentRun), Verdict::Failed);

    const WorkerRun second = BeginTestRun(1 << 2);
    options_.sink = RunSink(second);
    options_.adjustCalls = AdjustWrites;
    failWritesAt = kMiB;
    failWritesWith = ERROR_NETNAME_DELETED;
    stopAfterPolls = 1 << 30;
    EXPECT_EQ(Run(), DiskLoadEnd::Interrupted);
    EXPECT_EQ(CurrentRun.loadRan[2].load(), 1);
    EXPECT_EQ(RunVerdict(CurrentRun), Verdict::Incomplete) << "the load ran, then lost its folder";
    EndTestRun();
}
