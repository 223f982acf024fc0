// The real-disk load on Windows: the setting, the folder's checks, the unbuffered write-through delete-on-close
// files, the run tag's mutex and the worker thread.
#include "stress/RealDiskWorker.h"

#include <cwchar>
#include <vector>

#include "settings/IniStore.h"
#include "stress/DiskFileName.h"
#include "stress/DiskLeftovers.h"
#include "stress/DiskSector.h"
#include "stress/StressState.h"

namespace {

constexpr wchar_t kSettingsSection[] = L"Program";
// Unbuffered transfers need buffers aligned to the sector; VirtualAlloc gives 64 KiB alignment.
constexpr uint32_t kLargestUnitBytes = 64 * 1024;

// Not in every SDK's headers.
constexpr DWORD kErrorNoSuchDevice = 433;

struct ErrorClass {
    DWORD error;
    DiskIo status;
};

// Everything not listed is a fault of the device.
const ErrorClass kErrorClasses[] = {
    {ERROR_DISK_FULL, DiskIo::DiskFull},
    {ERROR_HANDLE_DISK_FULL, DiskIo::DiskFull},
    {ERROR_FILE_EXISTS, DiskIo::NameTaken},
    {ERROR_ALREADY_EXISTS, DiskIo::NameTaken},
    {ERROR_FILE_NOT_FOUND, DiskIo::FolderMissing},
    {ERROR_PATH_NOT_FOUND, DiskIo::FolderMissing},
    {ERROR_INVALID_NAME, DiskIo::FolderMissing},
    {ERROR_BAD_PATHNAME, DiskIo::FolderMissing},
    {ERROR_INVALID_DRIVE, DiskIo::FolderMissing},
    {ERROR_FILENAME_EXCED_RANGE, DiskIo::FolderMissing},
    {ERROR_DIRECTORY, DiskIo::NotAFolder},
    {ERROR_ACCESS_DENIED, DiskIo::NotWritable},
    {ERROR_WRITE_PROTECT, DiskIo::NotWritable},
    {ERROR_NOT_SUPPORTED, DiskIo::NotWritable},
    {ERROR_INVALID_PARAMETER, DiskIo::NotWritable},
    {ERROR_PRIVILEGE_NOT_HELD, DiskIo::NotWritable},
    {ERROR_BAD_NETPATH, DiskIo::FolderGone},
    {ERROR_NETNAME_DELETED, DiskIo::FolderGone},
    {ERROR_UNEXP_NET_ERR, DiskIo::FolderGone},
    {ERROR_BAD_NET_NAME, DiskIo::FolderGone},
    {ERROR_NETWORK_BUSY, DiskIo::FolderGone},
    {ERROR_REM_NOT_LIST, DiskIo::FolderGone},
    {ERROR_DEV_NOT_EXIST, DiskIo::FolderGone},
    {ERROR_NETWORK_ACCESS_DENIED, DiskIo::FolderGone},
    {ERROR_VC_DISCONNECTED, DiskIo::FolderGone},
    {ERROR_NETWORK_UNREACHABLE, DiskIo::FolderGone},
    {ERROR_CONNECTION_ABORTED, DiskIo::FolderGone},
    {ERROR_NOT_READY, DiskIo::FolderGone},
    {ERROR_DEVICE_NOT_CONNECTED, DiskIo::FolderGone},
    {kErrorNoSuchDevice, DiskIo::FolderGone},
    {ERROR_FILE_INVALID, DiskIo::FolderGone},
    {ERROR_MEDIA_CHANGED, DiskIo::FolderGone},
    {ERROR_NO_MEDIA_IN_DRIVE, DiskIo::FolderGone},
    {ERROR_DEVICE_REMOVED, DiskIo::FolderGone},
};

DiskIoResult LastError() {
    return ClassifySystemError(GetLastError());
}

// Runs the flushes that go on beside the writes, one at a time, on a thread of its own: under Wine (and on file
// systems that do not write through) the device works during the flush, and the next megabytes are written
// meanwhile.
struct Flusher {
    HANDLE thread = nullptr;
    HANDLE request = nullptr;  // auto-reset: a flush of `file` is wanted, or the end when `file` is null
    HANDLE idle = nullptr;     // manual-reset: set while no flush runs
    HANDLE file = nullptr;
    DiskIoResult result;
};

DWORD WINAPI FlushWhenAsked(LPVOID parameter) {
    auto* flusher = static_cast<Flusher*>(parameter);
    for (;;) {
        WaitForSingleObject(flusher->request, INFINITE);
        if (!flusher->file)
            return 0;
        flusher->result = FlushFileBuffers(flusher->file) ? DiskIoResult() : LastError();
        SetEvent(flusher->idle);
    }
}

bool StartFlusher(Flusher& flusher) {
    flusher.request = CreateEventW(nullptr, FALSE, FALSE, nullptr);
    flusher.idle = CreateEventW(nullptr, TRUE, TRUE, nullptr);
    if (flusher.request && flusher.idle)
        flusher.thread = CreateThread(nullptr, 0, FlushWhenAsked, &flusher, 0, nullptr);
    return flusher.thread != nullptr;
}

void StopFlusher(Flusher& flusher) {
    if (flusher.thread) {
        WaitForSingleObject(flusher.idle, INFINITE);
        flusher.file = nullptr;
        SetEvent(flusher.request);
        WaitForSingleObject(flusher.thread, INFINITE);
        CloseHandle(flusher.thread);
    }
    if (flusher.request)
        CloseHandle(flusher.request);
    if (flusher.idle)
        CloseHandle(flusher.idle);
}

// Waits for the flush that runs, if one does, and takes its result.
DiskIoResult AwaitFlush(Flusher& flusher) {
    WaitForSingleObject(flusher.idle, INFINITE);
    const DiskIoResult result = flusher.result;
    flusher.result = DiskIoResult();
    return result;
}

// The folder the calls work in: its extended-length path with a trailing backslash.
struct WindowsDiskFolder {
    std::wstring prefix;
    Flusher flusher;
};

// An open file of the load with its one transfer.
struct OpenDiskFile {
    HANDLE handle = INVALID_HANDLE_VALUE;
    HANDLE done = nullptr;
    OVERLAPPED transfer = {};
    uint32_t bytes = 0;
    // The buffer of a read in flight, for the injected faults; null for a write.
    uint8_t* readInto = nullptr;
    bool inFlight = false;
    DiskIoResult last;
};

DiskIoResult FreeSpace(void* context, uint64_t& freeBytes, uint64_t& totalBytes) {
    const auto* folder = static_cast<const WindowsDiskFolder*>(context);
    ULARGE_INTEGER available = {}, total = {};
    if (!GetDiskFreeSpaceExW(folder->prefix.c_str(), &available, &total, nullptr))
        return LastError();
    freeBytes = available.QuadPart;
    totalBytes = total.QuadPart;
    return {};
}

// One handle for writing and reading back: the file is delete-on-close from its first moment, so it goes with that
// handle, or with the process however it ends. No FILE_SHARE_DELETE or FILE_SHARE_WRITE: no other program, and
// no other copy's sweep, can delete or change it while it is in use. The handle is not inheritable. Overlapped, so
// that the next block is filled or the last one checked while the device works.
DiskIoResult CreateDiskFile(void* context, const std::u16string& name, void*& file) {
    const auto* folder = static_cast<const WindowsDiskFolder*>(context);
    const std::wstring path = folder->prefix + std::wstring(name.begin(), name.end());
    auto* open = new OpenDiskFile;
    open->done = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    if (!open->done) {
        const DiskIoResult failed = LastError();
        delete open;
        return failed;
    }
    open->handle = CreateFileW(
        path.c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_NEW,
        FILE_FLAG_WRITE_THROUGH | FILE_FLAG_NO_BUFFERING | FILE_FLAG_DELETE_ON_CLOSE | FILE_FLAG_OVERLAPPED, nullptr);
    if (open->handle == INVALID_HANDLE_VALUE) {
        const DiskIoResult failed = LastError();
        CloseHandle(open->done);
        delete open;
        return failed;
    }
    file = open;
    return {};
}

// Starts the transfer; one that the system finished at once is kept for `finish` like one in flight.
DiskIoResult StartTransfer(OpenDiskFile& open,
                           uint64_t offset,
                           uint32_t bytes,
                           bool write,
                           const uint8_t* from,
                           uint8_t* into) {
    open.transfer = OVERLAPPED();
    open.transfer.Offset = DWORD(offset);
    open.transfer.OffsetHigh = DWORD(offset >> 32);
    open.transfer.hEvent = open.done;
    open.bytes = bytes;
    open.readInto = into;
    open.last = DiskIoResult();
    const BOOL started = write ? WriteFile(open.handle, from, bytes, nullptr, &open.transfer)
                               : ReadFile(open.handle, into, bytes, nullptr, &open.transfer);
    if (!started && GetLastError() != ERROR_IO_PENDING)
        return LastError();
    open.inFlight = true;
    return {};
}

DiskIoResult StartWrite(void*, void* file, uint64_t offset, const uint8_t* data, uint32_t bytes) {
    return StartTransfer(*static_cast<OpenDiskFile*>(file), offset, bytes, true, data, nullptr);
}

DiskIoResult StartRead(void*, void* file, uint64_t offset, uint8_t* data, uint32_t bytes) {
    return StartTransfer(*static_cast<OpenDiskFile*>(file), offset, bytes, false, nullptr, data);
}

DiskIoResult FinishTransfer(void*, void* file) {
    auto& open = *static_cast<OpenDiskFile*>(file);
    if (!open.inFlight)
        return open.last;
    open.inFlight = false;
    DWORD moved = 0;
    if (!GetOverlappedResult(open.handle, &open.transfer, &moved, TRUE))
        open.last = LastError();
    // A transfer of a disk file moves all or nothing; anything else is the device's doing (or the end of a file
    // that should not end there).
    else if (moved != open.bytes)
        open.last = {DiskIo::DeviceError, ERROR_HANDLE_EOF};
    else if (open.readInto && TakeInjectedFault(TestFaults.diskReadFlips))
        open.readInto[TestFaults.diskFlipOffset.load(kRelaxed) % open.bytes] ^= 1;
    return open.last;
}

// Write-through asks the device to write through its own cache; the flush also covers devices and file systems
// that do not honour it (Wine writes through the page cache and honours only this).
DiskIoResult FlushDiskFile(void* context, void* file, bool wait) {
    auto* folder = static_cast<WindowsDiskFolder*>(context);
    const HANDLE handle = static_cast<OpenDiskFile*>(file)->handle;
    const DiskIoResult earlier = AwaitFlush(folder->flusher);
    if (earlier.status != DiskIo::Ok)
        return earlier;
    if (wait || !folder->flusher.thread)
        return FlushFileBuffers(handle) ? DiskIoResult() : LastError();
    folder->flusher.file = handle;
    ResetEvent(folder->flusher.idle);
    SetEvent(folder->flusher.request);
    return {};
}

void CloseDiskFile(void* context, void* file) {
    auto* open = static_cast<OpenDiskFile*>(file);
    // A flush still going on beside the writes uses the handle: it ends first.
    AwaitFlush(static_cast<WindowsDiskFolder*>(context)->flusher);
    if (open->inFlight)
        FinishTransfer(context, file);
    CloseHandle(open->handle);
    CloseHandle(open->done);
    delete open;
}

std::wstring TemporaryFolder() {
    std::vector<wchar_t> buffer(MAX_PATH + 1);
    for (;;) {
        const DWORD length = GetTempPathW(DWORD(buffer.size()), buffer.data());
        if (length == 0)
            return std::wstring();
        if (length < buffer.size())
            return std::wstring(buffer.data(), length);
        buffer.resize(length + 1);
    }
}

std::wstring FullPath(const std::wstring& path) {
    std::vector<wchar_t> buffer(MAX_PATH + 1);
    for (;;) {
        const DWORD length = GetFullPathNameW(path.c_str(), DWORD(buffer.size()), buffer.data(), nullptr);
        if (length == 0)
            return std::wstring();
        if (length < buffer.size())
            return std::wstring(buffer.data(), length);
        buffer.resize(length + 1);
    }
}

bool StartsWith(const std::wstring& text, const wchar_t* prefix) {
    return text.compare(0, wcslen(prefix), prefix) == 0;
}

std::wstring WithTrailingBackslash(std::wstring path) {
    if (path.empty() || path.back() != L'\\')
        path += L'\\';
    return path;
}

// The folder must be there and be a folder: a missing one is not created, a file is never taken for a folder.
// Asked without the trailing backslash (a file's name with one is simply not found), except for a volume's root.
DiskIoResult CheckFolder(const std::wstring& prefix) {
    std::wstring path = prefix;
    if (path.size() > 1 && path.back() == L'\\' && path[path.size() - 2] != L':')
        path.pop_back();
    const DWORD attributes = GetFileAttributesW(path.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES)
        return LastError();
    if (!(attributes & FILE_ATTRIBUTE_DIRECTORY))
        return {DiskIo::NotAFolder, ERROR_DIRECTORY};
    return {};
}

// The volume's sector size, at least the format's sector; 0 when it cannot serve unbuffered transfers from our
// buffers.
uint32_t UnitBytes(const std::wstring& extended) {
    std::vector<wchar_t> root(extended.size() + 2);
    DWORD sectorsPerCluster = 0, bytesPerSector = 0, freeClusters = 0, clusters = 0;
    if (!GetVolumePathNameW(extended.c_str(), root.data(), DWORD(root.size())) ||
        !GetDiskFreeSpaceW(root.data(), &sectorsPerCluster, &bytesPerSector, &freeClusters, &clusters))
        return kDiskSectorBytes;
    if (bytesPerSector <= kDiskSectorBytes)
        return kDiskSectorBytes;
    const bool powerOfTwo = (bytesPerSector & (bytesPerSector - 1)) == 0;
    return powerOfTwo && bytesPerSector <= kLargestUnitBytes ? bytesPerSector : 0;
}

uint64_t Mix(uint64_t value) {
    value += 0x9E3779B97F4A7C15u;
    value = (value ^ (value >> 30)) * 0xBF58476D1CE4E5B9u;
    value = (value ^ (value >> 27)) * 0x94D049BB133111EBu;
    return value ^ (value >> 31);
}

// Different for every load started, in this process or any other, now or in an earlier run.
uint64_t NewRunTag() {
    static std::atomic<uint64_t> started{0};
    FILETIME now;
    GetSystemTimeAsFileTime(&now);
    LARGE_INTEGER counter;
    QueryPerformanceCounter(&counter);
    uint64_t tag = Mix(uint64_t(now.dwHighDateTime) << 32 | now.dwLowDateTime);
    tag = Mix(tag ^ uint64_t(GetCurrentProcessId()) << 32 ^ GetCurrentThreadId());
    tag = Mix(tag ^ uint64_t(counter.QuadPart) ^ started.fetch_add(1) << 48);
    return tag != 0 ? tag : 1;
}

// Holds the run tag's mutex: while it exists, no copy of the program takes this run's files for leftovers.
HANDLE ClaimRunTag(uint64_t& tag) {
    for (;;) {
        tag = NewRunTag();
        const std::u16string name = DiskMutexName(tag);
        HANDLE mutex = CreateMutexW(nullptr, FALSE, std::wstring(name.begin(), name.end()).c_str());
        if (mutex && GetLastError() != ERROR_ALREADY_EXISTS)
            return mutex;
        if (mutex)
            CloseHandle(mutex);
        else
            return nullptr;
    }
}

DiskLoadEnd EndBeforeStart(const RealDiskOptions& options, DiskLoadStatus& status, DiskIoResult problem) {
    status.systemError.store(problem.systemError, kRelaxed);
    status.problem.store(int32_t(problem.status), kRelaxed);
    status.phase.store(int32_t(DiskPhase::Ended), kRelaxed);
    if (options.sink.outcome)
        options.sink.outcome(options.sink.context, DiskLoadOutcome::CouldNotRun);
    return DiskLoadEnd::CouldNotRun;
}

bool DiskKeepsRunning() {
    return LoadKeepsRunning(Stress.diskOn);
}

// A fault of the disk has a place in a file, not on a processor: it goes to the run without a processor number.
void FaultToRun(void* context, const DiskLoadFault& fault) {
    if (!StressRunHooks.fault)
        return;
    LoadFault found;
    found.load = LoadType::Disk;
    found.offset = fault.offset;
    found.expected = fault.expected;
    found.actual = fault.actual;
    static_assert(sizeof(found.detail) == sizeof(fault.detail));
    for (size_t i = 0; i < sizeof(found.detail); ++i)
        found.detail[i] = fault.detail[i];
    found.detail[sizeof(found.detail) - 1] = 0;
    StressRunHooks.fault(*static_cast<const WorkerRun*>(context), found);
}

void OutcomeToRun(void* context, DiskLoadOutcome outcome) {
    const WorkerRun& run = *static_cast<const WorkerRun*>(context);
    if (outcome == DiskLoadOutcome::Interrupted) {
        if (StressRunHooks.interrupted)
            StressRunHooks.interrupted(run, LoadType::Disk);
        return;
    }
    ReportLoadOutcome(run, LoadType::Disk, outcome == DiskLoadOutcome::Ran);
}

}  // namespace

DiskIoResult ClassifySystemError(DWORD error) {
    for (const ErrorClass& known : kErrorClasses)
        if (known.error == error)
            return {known.status, error};
    return {DiskIo::DeviceError, error};
}

void LoadDiskLoadSettings() {
    DiskChoice.mode.store(
        ReadSetting(kDiskModeSettingKey, 0) == 1 ? int32_t(DiskLoadMode::Real) : int32_t(DiskLoadMode::Cache),
        kRelaxed);
    wchar_t folder[kIniTextCapacity] = {};
    const int length = ReadIniString(kSettingsSection, kDiskFolderSettingKey, folder);
    DiskChoice.folder.assign(folder, folder + (length > 0 ? length : 0));
}

void SetDiskLoadMode(DiskLoadMode mode, bool store) {
    DiskChoice.mode.store(int32_t(mode), kRelaxed);
    if (store)
        WriteSetting(kDiskModeSettingKey, int(mode));
}

bool SetDiskFolder(const std::wstring& folder, bool store) {
    // The settings file keeps a value of at most kIniTextCapacity - 1 characters; a longer one would come back cut.
    if (store && (folder.size() >= size_t(kIniTextCapacity) - 1 ||
                  !WriteIniString(kSettingsSection, kDiskFolderSettingKey, folder.c_str())))
        return false;
    DiskChoice.folder.assign(folder.begin(), folder.end());
    return true;
}

std::wstring RealDiskFolderFor(const std::wstring& chosen) {
    if (chosen.empty())
        return TemporaryFolder();
    return FullPath(chosen);
}

std::wstring ExtendedLengthPath(const std::wstring& fullPath) {
    if (fullPath.empty() || StartsWith(fullPath, L"\\\\?\\") || StartsWith(fullPath, L"\\\\.\\"))
        return fullPath;
    if (StartsWith(fullPath, L"\\\\"))
        return L"\\\\?\\UNC\\" + fullPath.substr(2);
    return L"\\\\?\\" + fullPath;
}

DiskLoadEnd RunRealDisk(const RealDiskOptions& options, DiskLoadStatus& status) {
    status.phase.store(int32_t(DiskPhase::Preparing), kRelaxed);
    status.problem.store(int32_t(DiskIo::Ok), kRelaxed);
    status.leftoversRemoved.store(0, kRelaxed);
    const std::wstring full = RealDiskFolderFor(options.folder);
    if (full.empty())
        return EndBeforeStart(options, status, {DiskIo::FolderMissing, GetLastError()});
    WindowsDiskFolder folder;
    folder.prefix = WithTrailingBackslash(ExtendedLengthPath(full));
    const DiskIoResult checked = CheckFolder(folder.prefix);
    if (checked.status != DiskIo::Ok)
        return EndBeforeStart(options, status, checked);
    RealDiskJob job;
    job.unitBytes = UnitBytes(folder.prefix);
    if (job.unitBytes == 0)
        return EndBeforeStart(options, status, {DiskIo::NotWritable, ERROR_INVALID_PARAMETER});
    job.maxFileBytes = options.maxFileBytes;
    job.minFileBytes = options.minFileBytes;
    job.keepRunning = options.keepRunning ? options.keepRunning : DiskKeepsRunning;
    HANDLE mutex = ClaimRunTag(job.runTag);
    if (!mutex)
        return EndBeforeStart(options, status, {DiskIo::NotWritable, GetLastError()});
    status.leftoversRemoved.store(SweepDiskLeftovers(folder.prefix), kRelaxed);
    auto* buffers = static_cast<uint8_t*>(
        VirtualAlloc(nullptr, 2 * size_t(job.blockBytes), MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE));
    if (!buffers) {
        CloseHandle(mutex);
        return EndBeforeStart(options, status, {DiskIo::NotWritable, GetLastError()});
    }
    job.buffers[0] = buffers;
    job.buffers[1] = buffers + job.blockBytes;
    // Without its thread every flush is simply awaited.
    StartFlusher(folder.flusher);
    RealDiskIo calls;
    calls.context = &folder;
    calls.space = FreeSpace;
    calls.create = CreateDiskFile;
    calls.startWrite = StartWrite;
    calls.startRead = StartRead;
    calls.finish = FinishTransfer;
    calls.flush = FlushDiskFile;
    calls.close = CloseDiskFile;
    if (options.adjustCalls)
        options.adjustCalls(calls);
    const DiskLoadEnd end = RunRealDiskLoad(job, calls, options.sink, status);
    StopFlusher(folder.flusher);
    VirtualFree(buffers, 0, MEM_RELEASE);
    CloseHandle(mutex);
    return end;
}

DWORD WINAPI RealDiskWorker(LPVOID parameter) {
    auto* start = static_cast<RealDiskStart*>(parameter);
    const WorkerRun run = start->run;
    RealDiskOptions options;
    options.folder = start->folder;
    options.sink = RunSink(run);
    const HWND window = start->window;
    delete start;
    if (RunRealDisk(options, DiskStatus) == DiskLoadEnd::Stopped)
        return 0;
    if (window)
        PostMessageW(window, kDiskProblemMessage, WPARAM(DiskStatus.problem.load(kRelaxed)), 0);
    return 1;
}

RealDiskSink RunSink(const WorkerRun& run) {
    return {const_cast<WorkerRun*>(&run), FaultToRun, OutcomeToRun};
}

void StartRealDiskWorker(HWND window) {
    auto* start = new RealDiskStart;
    start->window = window;
    // Taken here, as the other workers take it when they start: the master switch wrote it just before.
    start->run = JoinCurrentRun(window);
    start->folder.assign(DiskChoice.folder.begin(), DiskChoice.folder.end());
    HANDLE thread = CreateThread(nullptr, 0, RealDiskWorker, start, 0, nullptr);
    if (!thread) {
        delete start;
        return;
    }
    CloseHandle(thread);
}
