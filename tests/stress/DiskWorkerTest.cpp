// The disk load on real files: the files it makes, their size, its stops, and that nothing is left behind when it
// stops, fails, or its process ends or is killed.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <string>
#include <vector>

#include "stress/DiskWorker.h"
#include "stress/StressControl.h"
#include "stress/Workers.h"
#include "support/Scratch.h"

namespace {

constexpr DWORD kDeadline = 30000;

// Points the process's temporary folder (TMP and TEMP) at a folder of the test's own.
class TemporaryFolderOverride {
public:
    explicit TemporaryFolderOverride(const std::wstring& folder) {
        for (int i = 0; i < 2; ++i) {
            wchar_t value[MAX_PATH + 1] = {};
            saved_[i] = GetEnvironmentVariableW(kNames[i], value, MAX_PATH + 1) ? value : L"";
            SetEnvironmentVariableW(kNames[i], folder.c_str());
        }
    }
    ~TemporaryFolderOverride() {
        for (int i = 0; i < 2; ++i)
            SetEnvironmentVariableW(kNames[i], saved_[i].empty() ? nullptr : saved_[i].c_str());
    }

private:
    static constexpr const wchar_t* kNames[2] = {L"TMP", L"TEMP"};
    std::wstring saved_[2];
};

std::vector<std::wstring> StressFiles(const std::wstring& folder) {
    std::vector<std::wstring> names;
    WIN32_FIND_DATAW found;
    HANDLE search = FindFirstFileW((folder + L"\\*").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE)
        return names;
    do {
        if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
            names.push_back(found.cFileName);
    } while (FindNextFileW(search, &found));
    FindClose(search);
    return names;
}

// "str", the unique number in 1 to 4 hex digits (fewer when it is small), ".tmp"; the case is the system's.
bool HasStressName(const std::wstring& name) {
    const size_t digits = name.size() - std::min<size_t>(name.size(), 7);
    return digits >= 1 && digits <= 4 && _wcsnicmp(name.c_str(), L"str", 3) == 0 &&
           _wcsicmp(name.c_str() + 3 + digits, L".tmp") == 0 &&
           name.find_first_not_of(L"0123456789ABCDEFabcdef", 3) == 3 + digits;
}

DWORD FinishAndGetExitCode(HANDLE thread) {
    DWORD code = 99;
    if (WaitForSingleObject(thread, kDeadline) == WAIT_OBJECT_0)
        GetExitCodeThread(thread, &code);
    CloseHandle(thread);
    return code;
}

HANDLE StartChild(const std::wstring& mode, bool inheritHandles = false) {
    wchar_t self[MAX_PATH];
    GetModuleFileNameW(nullptr, self, MAX_PATH);
    std::wstring command = self;
    command = L"\"" + command.substr(0, command.find_last_of(L'\\')) + L"\\load_child.exe\" " + mode;
    STARTUPINFOW startup = {};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION process = {};
    if (!CreateProcessW(nullptr, command.data(), nullptr, nullptr, inheritHandles, 0, nullptr, nullptr, &startup,
                        &process))
        return nullptr;
    CloseHandle(process.hThread);
    return process.hProcess;
}

// The seam's calls for the cases below; each test sets what it needs before running the load.
std::atomic<int> writes{0};
std::atomic<int> stopAfterWrites{0};
std::atomic<int32_t>* switchToStop = nullptr;

BOOL CountingWrite(HANDLE file, const void* block, DWORD bytes) {
    const BOOL written = kSystemDiskCalls.write(file, block, bytes);
    if (++writes == stopAfterWrites)
        switchToStop->store(0);
    return written;
}

BOOL FailingWrite(HANDLE, const void*, DWORD) {
    ++writes;
    SetLastError(ERROR_DISK_FULL);
    return FALSE;
}

std::atomic<int> opens{0};
std::vector<std::wstring> openedNames;

HANDLE FailingOpen(const wchar_t* name) {
    ++opens;
    openedNames.push_back(name);
    SetLastError(ERROR_ACCESS_DENIED);
    return INVALID_HANDLE_VALUE;
}

std::atomic<int> namesInUseAtOpen{0};

HANDLE OpenNotingWhetherTheNameIsInUse(const wchar_t* name) {
    ++opens;
    if (GetFileAttributesW(name) != INVALID_FILE_ATTRIBUTES)
        ++namesInUseAtOpen;
    return kSystemDiskCalls.open(name);
}

// The first two names the worker picks turn out to be taken by another program's files.
HANDLE OpenAfterAnotherProgram(const wchar_t* name) {
    if (++opens <= 2) {
        openedNames.push_back(name);
        WriteFileBytes(name, "not the load's");
    }
    return kSystemDiskCalls.open(name);
}

struct LoadRun {
    const wchar_t* folder;
    DiskFileCalls calls;
};

DWORD RunLoad(const LoadRun& run) {
    return RunDiskLoad(run.folder, run.calls);
}

DWORD WINAPI RunLoadThread(LPVOID run) {
    return RunLoad(*static_cast<const LoadRun*>(run));
}

HANDLE StartLoad(const LoadRun& run) {
    return CreateThread(nullptr, 0, RunLoadThread, const_cast<LoadRun*>(&run), 0, nullptr);
}

class DiskWorkerTest : public testing::Test {
protected:
    void SetUp() override {
        Stress.masterOn = 1;
        Stress.diskOn = 1;
        writes = 0;
        opens = 0;
        openedNames.clear();
    }
    void TearDown() override {
        Stress.masterOn = 0;
        Stress.diskOn = 0;
    }
    bool FolderEmpties() {
        return WaitFor([&] { return StressFiles(scratch_.path()).empty(); }, kDeadline);
    }
    ScratchFolder scratch_;
    std::wstring folder_ = scratch_.path() + L"\\";
};

}  // namespace

TEST_F(DiskWorkerTest, FilesAppearWithThePrefixOneAtATimeAndAreGoneAfterStop) {
    TemporaryFolderOverride temporary(scratch_.path());
    const int before = CountProcessThreads();
    StartLoadWorkers(nullptr, LoadType::Disk);
    EXPECT_EQ(CountProcessThreads(), before + 1);
    std::vector<std::wstring> seen;
    ASSERT_TRUE(WaitFor(
        [&] {
            seen = StressFiles(scratch_.path());
            return !seen.empty();
        },
        kDeadline));
    ASSERT_EQ(seen.size(), 1u);
    EXPECT_TRUE(HasStressName(seen[0])) << "file name: " << testing::PrintToString(seen[0]);
    Stress.diskOn = 0;
    EXPECT_TRUE(WaitFor([&] { return CountProcessThreads() == before; }, kDeadline));
    EXPECT_TRUE(FolderEmpties());
}

TEST_F(DiskWorkerTest, EachFileReachesExactlyOneHundredMebibytesBeforeTheNextNameAppears) {
    TemporaryFolderOverride temporary(scratch_.path());
    HANDLE worker = CreateThread(nullptr, 0, DiskWorker, nullptr, 0, nullptr);
    ASSERT_NE(worker, nullptr);
    // A handle of our own keeps the first file, and its final size, after the worker has closed it.
    std::wstring first;
    HANDLE held = INVALID_HANDLE_VALUE;
    ASSERT_TRUE(WaitFor(
        [&] {
            for (const auto& name : StressFiles(scratch_.path())) {
                held = CreateFileW(scratch_.File(name).c_str(), GENERIC_READ,
                                   FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING, 0,
                                   nullptr);
                first = name;
                return held != INVALID_HANDLE_VALUE;
            }
            return false;
        },
        kDeadline));
    std::vector<std::wstring> names;
    EXPECT_TRUE(WaitFor(
        [&] {
            names = StressFiles(scratch_.path());
            return names.size() == 2;
        },
        120000));
    LARGE_INTEGER size = {};
    GetFileSizeEx(held, &size);
    EXPECT_EQ(size.QuadPart, 104857600);
    Stress.diskOn = 0;
    EXPECT_EQ(FinishAndGetExitCode(worker), 0u);
    CloseHandle(held);
    EXPECT_TRUE(FolderEmpties());
}

TEST_F(DiskWorkerTest, AStopIsHonouredAfterTheWriteInProgress) {
    const LoadRun run = {folder_.c_str(), {kSystemDiskCalls.open, CountingWrite}};
    for (auto* loadSwitch : {&Stress.diskOn, &Stress.masterOn}) {
        Stress.diskOn = 1;
        Stress.masterOn = 1;
        writes = 0;
        stopAfterWrites = 300;
        switchToStop = loadSwitch;
        EXPECT_EQ(RunLoad(run), 0u);
        EXPECT_EQ(writes, 300) << "the worker writes nothing after the stop";
        EXPECT_TRUE(StressFiles(scratch_.path()).empty());
    }
}

TEST_F(DiskWorkerTest, AFullDiskPausesBetweenAttemptsAndStillEndsOnAStop) {
    const LoadRun run = {folder_.c_str(), {kSystemDiskCalls.open, FailingWrite}};
    const ULONGLONG start = GetTickCount64();
    HANDLE worker = StartLoad(run);
    ASSERT_NE(worker, nullptr);
    size_t mostFiles = 0;
    EXPECT_TRUE(WaitFor(
        [&] {
            mostFiles = std::max(mostFiles, StressFiles(scratch_.path()).size());
            return writes >= 4;
        },
        kDeadline))
        << "the worker goes on with new files";
    const int attempts = writes;
    const ULONGLONG elapsed = GetTickCount64() - start;
    EXPECT_LE(attempts, int(elapsed / (kFailedWritePauseMilliseconds / 2)) + 2)
        << attempts << " failing files in " << elapsed << " ms";
    EXPECT_LE(mostFiles, 1u);
    Stress.diskOn = 0;
    EXPECT_EQ(FinishAndGetExitCode(worker), 0u);
    EXPECT_TRUE(FolderEmpties());
}

TEST_F(DiskWorkerTest, AFileThatCannotBeCreatedLeavesNothingAndEndsTheWorker) {
    const LoadRun run = {folder_.c_str(), {FailingOpen, CountingWrite}};
    EXPECT_EQ(RunLoad(run), 1u);
    EXPECT_EQ(writes, 0);
    ASSERT_EQ(opens, 1) << "only a name in use is passed over";
    EXPECT_EQ(openedNames[0].compare(0, folder_.size(), folder_), 0) << "the name lies in the given folder";
    EXPECT_TRUE(HasStressName(openedNames[0].substr(folder_.size())));
    EXPECT_TRUE(StressFiles(scratch_.path()).empty());
}

TEST_F(DiskWorkerTest, EachFileComesIntoBeingWithItsDeleteOnCloseOpen) {
    const LoadRun run = {folder_.c_str(), {OpenNotingWhetherTheNameIsInUse, FailingWrite}};
    namesInUseAtOpen = 0;
    HANDLE worker = StartLoad(run);
    ASSERT_NE(worker, nullptr);
    EXPECT_TRUE(WaitFor([&] { return opens >= 3; }, kDeadline));
    Stress.diskOn = 0;
    EXPECT_EQ(FinishAndGetExitCode(worker), 0u);
    EXPECT_EQ(namesInUseAtOpen, 0) << "a file made before its delete-on-close open outlives an exit or a kill between";
}

TEST_F(DiskWorkerTest, ANameInUseIsPassedOverAndItsFileLeftAlone) {
    const LoadRun run = {folder_.c_str(), {OpenAfterAnotherProgram, CountingWrite}};
    stopAfterWrites = 10;
    switchToStop = &Stress.diskOn;
    EXPECT_EQ(RunLoad(run), 0u);
    EXPECT_EQ(opens, 3);
    EXPECT_EQ(writes, 10);
    ASSERT_EQ(openedNames.size(), 2u);
    EXPECT_NE(openedNames[0], openedNames[1]);
    for (const auto& name : openedNames)
        EXPECT_EQ(ReadFileBytes(name), "not the load's");
    EXPECT_EQ(StressFiles(scratch_.path()).size(), 2u) << "the other program's files, and nothing of the load";
}

TEST_F(DiskWorkerTest, ATemporaryFolderThatCannotBeWrittenEndsTheWorkerAtOnceWithTheSwitchOn) {
    WriteFileBytes(scratch_.File(L"plain-file"), "x");
    for (const std::wstring& unusable : {scratch_.File(L"missing"), scratch_.File(L"plain-file")}) {
        TemporaryFolderOverride temporary(unusable);
        EXPECT_EQ(FinishAndGetExitCode(CreateThread(nullptr, 0, DiskWorker, nullptr, 0, nullptr)), 1u);
        const int before = CountProcessThreads();
        StartLoadWorkers(nullptr, LoadType::Disk);
        EXPECT_TRUE(WaitFor([&] { return CountProcessThreads() == before; }, kDeadline));
        EXPECT_EQ(Stress.diskOn, 1);
        EXPECT_EQ(Stress.masterOn, 1);
        EXPECT_EQ(StressFiles(scratch_.path()), std::vector<std::wstring>{L"plain-file"});
    }
}

// A few rounds: each process ends as soon as its first file appears, just after that file came into being.
TEST_F(DiskWorkerTest, NoFileRemainsAfterTheProcessExitsOrIsKilledWithTheLoadRunning) {
    TemporaryFolderOverride temporary(scratch_.path());
    for (int round = 0; round < 3; ++round) {
        HANDLE exiting = StartChild(L"disk-exit");
        ASSERT_NE(exiting, nullptr);
        DWORD code = 99;
        EXPECT_EQ(WaitForSingleObject(exiting, kDeadline), WAIT_OBJECT_0);
        GetExitCodeProcess(exiting, &code);
        CloseHandle(exiting);
        EXPECT_EQ(code, 0u) << "the child saw its load write a file before it exited";
        EXPECT_TRUE(FolderEmpties()) << "after a normal exit, round " << round;

        HANDLE killed = StartChild(L"disk-wait");
        ASSERT_NE(killed, nullptr);
        EXPECT_TRUE(WaitFor([&] { return !StressFiles(scratch_.path()).empty(); }, kDeadline));
        TerminateProcess(killed, 9);
        EXPECT_EQ(WaitForSingleObject(killed, kDeadline), WAIT_OBJECT_0);
        CloseHandle(killed);
        EXPECT_TRUE(FolderEmpties()) << "after the process was terminated, round " << round;
    }
}

TEST_F(DiskWorkerTest, AProgramStartedWhileTheLoadRunsDoesNotKeepItsFile) {
    TemporaryFolderOverride temporary(scratch_.path());
    HANDLE worker = CreateThread(nullptr, 0, DiskWorker, nullptr, 0, nullptr);
    ASSERT_NE(worker, nullptr);
    ASSERT_TRUE(WaitFor([&] { return !StressFiles(scratch_.path()).empty(); }, kDeadline));
    HANDLE child = StartChild(L"sleep", true);
    ASSERT_NE(child, nullptr);
    Stress.diskOn = 0;
    EXPECT_EQ(FinishAndGetExitCode(worker), 0u);
    EXPECT_TRUE(FolderEmpties()) << "the file outlived the load in a program that inherited its handle";
    EXPECT_EQ(WaitForSingleObject(child, 0), DWORD(WAIT_TIMEOUT)) << "the inheriting program still runs";
    TerminateProcess(child, 0);
    WaitForSingleObject(child, kDeadline);
    CloseHandle(child);
}
