// The real-disk load's loop, apart from Windows: before each file the free-space rule, then the file written in
// large blocks of stamped sectors, flushed, read back and checked, then deleted and the next one begun. The file
// calls, the switches and where faults go are passed in, so the loop runs the same on the system's unbuffered
// write-through files and on the tests' files.
#pragma once

#include <atomic>
#include <cstdint>
#include <string>

// What a file call came to, in the classes the load acts on.
enum class DiskIo : int {
    Ok = 0,
    // The volume has no room left: ends the file early; not a fault of the disk.
    DiskFull = 1,
    // Create: a file of that name is there already (not the load's own); the next number is taken.
    NameTaken = 2,
    // The folder is not there, or its path is not a valid one.
    FolderMissing = 3,
    // The path names a file, not a folder.
    NotAFolder = 4,
    // The folder cannot be written: no rights, a read-only medium or volume.
    NotWritable = 5,
    // The folder was there and is gone: a network share or a removable drive that went away.
    FolderGone = 6,
    // The device failed the request: a fault of the disk.
    DeviceError = 7,
};

struct DiskIoResult {
    DiskIo status = DiskIo::Ok;
    // The system's own error code, for the message and the fault's detail; 0 when there is none.
    uint32_t systemError = 0;
};

// The calls the loop makes on its folder. Offsets and sizes are whole sectors; a file handle is opaque. A file has
// at most one transfer in flight: the loop fills or checks one buffer while the other is on its way, so that the
// device never waits for the processor.
struct RealDiskIo {
    void* context = nullptr;
    // The bytes this program may still use on the folder's volume, and the volume's size.
    DiskIoResult (*space)(void* context, uint64_t& freeBytes, uint64_t& totalBytes) = nullptr;
    // Creates the named file in the folder, new, for reading and writing, deleted when closed or when the process
    // ends, whatever way.
    DiskIoResult (*create)(void* context, const std::u16string& name, void*& file) = nullptr;
    // Start a transfer; its buffer stays the device's until `finish` returns.
    DiskIoResult (*startWrite)(void* context, void* file, uint64_t offset, const uint8_t* data, uint32_t bytes) =
        nullptr;
    DiskIoResult (*startRead)(void* context, void* file, uint64_t offset, uint8_t* data, uint32_t bytes) = nullptr;
    // Waits for the transfer in flight and gives its result; with none in flight, the last one's.
    DiskIoResult (*finish)(void* context, void* file) = nullptr;
    // Makes what was written so far reach the device. With `wait` false the flush may go on beside the next
    // writes: the call then only waits for an earlier flush, and reports that one's failure.
    DiskIoResult (*flush)(void* context, void* file, bool wait) = nullptr;
    // Closes, and so deletes, the file; nothing may be in flight.
    void (*close)(void* context, void* file) = nullptr;
    // Benchmark seam, null in the program: called between a file's write phase and its read phase, outside both
    // phases' clocks.
    void (*betweenPhases)(void* context, void* file, const std::u16string& name) = nullptr;
};

constexpr uint32_t kRealDiskBlockBytes = uint32_t(1) << 20;
// Large files, so that reading one back outruns the device's own cache.
constexpr uint64_t kRealDiskMaxFileBytes = uint64_t(1) << 30;
constexpr uint64_t kRealDiskMinFileBytes = uint64_t(16) << 20;
// Written data is flushed this often, so that a stop never waits for a whole file's flush.
constexpr uint64_t kRealDiskFlushBytes = uint64_t(64) << 20;

struct RealDiskJob {
    uint64_t runTag = 0;
    uint64_t maxFileBytes = kRealDiskMaxFileBytes;
    uint64_t minFileBytes = kRealDiskMinFileBytes;
    uint64_t flushBytes = kRealDiskFlushBytes;
    // The write and read unit; a multiple of unitBytes.
    uint32_t blockBytes = kRealDiskBlockBytes;
    // Files are a whole number of these: the volume's sector size, at least kDiskSectorBytes, a power of two.
    uint32_t unitBytes = 4096;
    // Two buffers of blockBytes each, aligned as the device needs for unbuffered transfers: one in flight, one
    // being filled or checked.
    uint8_t* buffers[2] = {};
    // The disk switch and the master switch, polled after every block and while waiting.
    bool (*keepRunning)() = nullptr;
    // How often the free space is asked again while it is short, and how long the load rests after a failed file.
    int spacePollMilliseconds = 500;
    int failurePauseMilliseconds = 100;
};

enum class DiskLoadOutcome : int {
    // The load wrote: told once, at its first written block.
    Ran = 0,
    // It has not written yet and cannot now: its folder is unusable, or the volume has no room.
    CouldNotRun = 1,
    // It wrote, then its folder went away: the run did not get the load it asked for.
    Interrupted = 2,
};

constexpr int kDiskLoadFaultDetailCapacity = 160;

// A fault of the disk: a block that came back wrong, or a transfer the device failed.
struct DiskLoadFault {
    uint64_t fileNumber = 0;
    // Byte offset in the file: the first wrong byte of a damaged sector, the start of a stale or misplaced one, the
    // start of the block whose transfer failed.
    uint64_t offset = 0;
    uint64_t expected = 0;
    uint64_t actual = 0;
    // English, ASCII, terminated: the file's name, the offset and what was wrong.
    char detail[kDiskLoadFaultDetailCapacity] = {};
};

struct RealDiskSink {
    void* context = nullptr;
    // Any thread, never blocking.
    void (*fault)(void* context, const DiskLoadFault& fault) = nullptr;
    void (*outcome)(void* context, DiskLoadOutcome outcome) = nullptr;
};

enum class DiskPhase : int { Idle = 0, Preparing = 1, Writing = 2, Reading = 3, NearlyFull = 4, Ended = 5 };

// What the load shows while it runs; written by the load, read by anyone. MB are 1,000,000 bytes, as disks count.
struct DiskLoadStatus {
    std::atomic<int32_t> phase{int32_t(DiskPhase::Idle)};
    // The DiskIo class of the folder problem that ended the load, Ok while there is none, and the system's code.
    std::atomic<int32_t> problem{int32_t(DiskIo::Ok)};
    std::atomic<uint32_t> systemError{0};
    // Each from its own phase of the last file, and while a long phase lasts, from that phase so far.
    std::atomic<double> writeMegabytesPerSecond{0.0};
    std::atomic<double> readMegabytesPerSecond{0.0};
    std::atomic<int64_t> bytesWritten{0};
    std::atomic<int64_t> bytesVerified{0};
    std::atomic<int64_t> filesVerified{0};
    // Files of dead runs found and deleted when the load started.
    std::atomic<int32_t> leftoversRemoved{0};
    // The temporary-file (cache) load's rate over its last whole file, for a report that shows both.
    std::atomic<double> cacheMegabytesPerSecond{0.0};
};

extern DiskLoadStatus DiskStatus;

enum class DiskLoadEnd : int { Stopped = 0, CouldNotRun = 1, Interrupted = 2 };

// Runs the load until the switches go off (Stopped) or its folder fails it (CouldNotRun before its first write,
// Interrupted after), publishing into `status`. Every file it creates is closed, and so deleted, before it returns.
DiskLoadEnd RunRealDiskLoad(const RealDiskJob& job,
                            const RealDiskIo& io,
                            const RealDiskSink& sink,
                            DiskLoadStatus& status);
