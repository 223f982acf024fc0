// The real-disk load's loop on a disk in memory: files written and read back whole, a fault on the read path found
// at its offset, the free-space floor held, a full disk waited out, and the folder's failures ending the load the
// way the run needs to know.
#include <gtest/gtest.h>

#include <atomic>
#include <cstring>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "stress/DiskFileName.h"
#include "stress/DiskSector.h"
#include "stress/DiskSpace.h"
#include "stress/RealDiskLoad.h"

namespace {

constexpr uint64_t kMiB = uint64_t(1) << 20;
constexpr uint64_t kGiB = uint64_t(1) << 30;
constexpr uint32_t kBlock = 256 * 1024;

// A volume of 100 GiB (reserve 5 GiB) whose free space follows what the load writes and deletes.
struct FakeDisk {
    uint64_t totalBytes = 100 * kGiB;
    uint64_t freeBytes = 6 * kGiB;
    uint64_t lowestFree = ~uint64_t(0);
    std::map<std::u16string, std::vector<uint8_t>> files;
    std::vector<uint64_t> createdSizes;
    int openFiles = 0, writes = 0, reads = 0, flushes = 0, awaitedFlushes = 0;
    // Faults to inject: each returns Ok to let the call through.
    std::function<DiskIoResult(const std::u16string& name)> onCreate;
    std::function<DiskIoResult(uint64_t offset)> onWrite;
    std::function<DiskIoResult(uint64_t offset)> onSpace;
    std::function<void(uint64_t offset, uint8_t* data, uint32_t bytes)> afterRead;
    std::function<DiskIoResult(uint64_t offset)> onRead;
};

// Transfers complete at once; `finish` hands back the result of the last one, as the system's calls do.
struct OpenFile {
    FakeDisk* disk;
    std::u16string name;
    DiskIoResult last;
    bool inFlight = false;
};

FakeDisk* Disk(void* context) {
    return static_cast<FakeDisk*>(context);
}

DiskIoResult Space(void* context, uint64_t& freeBytes, uint64_t& totalBytes) {
    FakeDisk& disk = *Disk(context);
    if (disk.onSpace) {
        const DiskIoResult result = disk.onSpace(0);
        if (result.status != DiskIo::Ok)
            return result;
    }
    freeBytes = disk.freeBytes;
    totalBytes = disk.totalBytes;
    return {};
}

DiskIoResult Create(void* context, const std::u16string& name, void*& file) {
    FakeDisk& disk = *Disk(context);
    if (disk.onCreate) {
        const DiskIoResult result = disk.onCreate(name);
        if (result.status != DiskIo::Ok)
            return result;
    }
    if (disk.files.count(name))
        return {DiskIo::NameTaken, 80};
    disk.files[name];
    ++disk.openFiles;
    file = new OpenFile{&disk, name};
    return {};
}

DiskIoResult Write(void* context, void* file, uint64_t offset, const uint8_t* data, uint32_t bytes) {
    FakeDisk& disk = *Disk(context);
    ++disk.writes;
    if (disk.onWrite) {
        const DiskIoResult result = disk.onWrite(offset);
        if (result.status != DiskIo::Ok)
            return result;
    }
    if (disk.freeBytes < bytes)
        return {DiskIo::DiskFull, 112};
    std::vector<uint8_t>& content = disk.files[static_cast<OpenFile*>(file)->name];
    EXPECT_EQ(offset, content.size()) << "written in order, from the start";
    content.insert(content.end(), data, data + bytes);
    disk.freeBytes -= bytes;
    disk.lowestFree = std::min(disk.lowestFree, disk.freeBytes);
    return {};
}

DiskIoResult Flush(void* context, void*, bool wait) {
    ++Disk(context)->flushes;
    Disk(context)->awaitedFlushes += wait ? 1 : 0;
    return {};
}

DiskIoResult Read(void* context, void* file, uint64_t offset, uint8_t* data, uint32_t bytes) {
    FakeDisk& disk = *Disk(context);
    ++disk.reads;
    if (disk.onRead) {
        const DiskIoResult result = disk.onRead(offset);
        if (result.status != DiskIo::Ok)
            return result;
    }
    const std::vector<uint8_t>& content = disk.files[static_cast<OpenFile*>(file)->name];
    EXPECT_LE(offset + bytes, content.size()) << "only what was written is read";
    std::memcpy(data, content.data() + offset, bytes);
    if (disk.afterRead)
        disk.afterRead(offset, data, bytes);
    return {};
}

DiskIoResult StartWrite(void* context, void* file, uint64_t offset, const uint8_t* data, uint32_t bytes) {
    auto* open = static_cast<OpenFile*>(file);
    EXPECT_FALSE(open->inFlight) << "one transfer at a time";
    open->last = Write(context, file, offset, data, bytes);
    open->inFlight = true;
    return {};
}

DiskIoResult StartRead(void* context, void* file, uint64_t offset, uint8_t* data, uint32_t bytes) {
    auto* open = static_cast<OpenFile*>(file);
    EXPECT_FALSE(open->inFlight) << "one transfer at a time";
    open->last = Read(context, file, offset, data, bytes);
    open->inFlight = true;
    return {};
}

DiskIoResult Finish(void*, void* file) {
    auto* open = static_cast<OpenFile*>(file);
    open->inFlight = false;
    return open->last;
}

void Close(void* context, void* file) {
    FakeDisk& disk = *Disk(context);
    auto* open = static_cast<OpenFile*>(file);
    EXPECT_FALSE(open->inFlight) << "closed with a transfer in flight";
    disk.createdSizes.push_back(disk.files[open->name].size());
    disk.freeBytes += disk.files[open->name].size();
    disk.files.erase(open->name);
    --disk.openFiles;
    delete open;
}

// The switches: off once this many blocks have been written and read, counted together.
std::atomic<int> transfersLeft{0};
FakeDisk* watched = nullptr;

bool KeepRunning() {
    return watched->writes + watched->reads < transfersLeft.load();
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

class RealDiskLoadTest : public testing::Test {
protected:
    // Called again by the tests that go through several cases: each starts from an empty disk.
    void SetUp() override {
        disk_ = FakeDisk();
        recorded_ = {};
        status_ = std::make_unique<DiskLoadStatus>();
        watched = &disk_;
        transfersLeft = 1 << 30;
        job_.runTag = 0xABCDEF;
        job_.maxFileBytes = 4 * kMiB;
        job_.minFileBytes = 1 * kMiB;
        job_.flushBytes = 2 * kMiB;
        job_.blockBytes = kBlock;
        job_.buffers[0] = firstBuffer_.data();
        job_.buffers[1] = secondBuffer_.data();
        job_.keepRunning = KeepRunning;
        job_.spacePollMilliseconds = 5;
        job_.failurePauseMilliseconds = 5;
        io_ = {&disk_, Space, Create, StartWrite, StartRead, Finish, Flush, Close};
        sink_ = {&recorded_, RecordFault, RecordOutcome};
    }
    DiskLoadEnd Run() { return RunRealDiskLoad(job_, io_, sink_, *status_); }

    FakeDisk disk_;
    RealDiskJob job_;
    RealDiskIo io_;
    RealDiskSink sink_;
    Recorded recorded_;
    std::unique_ptr<DiskLoadStatus> status_;
    std::vector<uint8_t> firstBuffer_ = std::vector<uint8_t>(kBlock);
    std::vector<uint8_t> secondBuffer_ = std::vector<uint8_t>(kBlock);
};

}  // namespace

TEST_F(RealDiskLoadTest, FilesAreWrittenFlushedReadBackWholeAndDeletedOneAtATime) {
    // Three files of 16 blocks each, written and read: 96 transfers; the stop comes in the fourth file.
    transfersLeft = 100;
    EXPECT_EQ(Run(), DiskLoadEnd::Stopped);
    EXPECT_TRUE(recorded_.faults.empty());
    EXPECT_EQ(recorded_.outcomes, std::vector<DiskLoadOutcome>{DiskLoadOutcome::Ran}) << "told once";
    EXPECT_EQ(status_->filesVerified.load(), 3);
    EXPECT_EQ(status_->bytesVerified.load(), int64_t(12 * kMiB));
    EXPECT_EQ(status_->bytesWritten.load(), int64_t(12 * kMiB + 4 * kBlock));
    EXPECT_GT(status_->writeMegabytesPerSecond.load(), 0.0);
    EXPECT_GT(status_->readMegabytesPerSecond.load(), 0.0);
    EXPECT_EQ(status_->phase.load(), int32_t(DiskPhase::Ended));
    EXPECT_EQ(disk_.openFiles, 0) << "every file closed, and so deleted";
    EXPECT_TRUE(disk_.files.empty());
    EXPECT_EQ(disk_.writes + disk_.reads, 100) << "nothing transferred after the stop";
    EXPECT_EQ(disk_.flushes, 9) << "one going on beside the writes every 2 MiB, one awaited closing each write phase";
    EXPECT_EQ(disk_.awaitedFlushes, 3);
    EXPECT_EQ(disk_.createdSizes, (std::vector<uint64_t>{4 * kMiB, 4 * kMiB, 4 * kMiB, 4 * kBlock}));
}

TEST_F(RealDiskLoadTest, ADamagedStaleOrMisplacedSectorOnTheReadPathIsAFaultAtItsFileOffset) {
    struct Case {
        const char* name;
        std::function<void(uint8_t* sector)> spoil;
        const char* detail;
        uint64_t byteInSector;
    } cases[] = {
        {"flipped bit", [](uint8_t* s) { s[1234] ^= 0x10; }, "damaged sector;", 1234},
        {"zeros", [](uint8_t* s) { std::memset(s, 0, kDiskSectorBytes); }, "damaged sector (all zeros)", 0},
        {"old run", [](uint8_t* s) { FillDiskSectors(MakeDiskPattern(5), 1, 300, s, 1); }, "stale sector of run", 0},
        {"other file", [](uint8_t* s) { FillDiskSectors(MakeDiskPattern(0xABCDEF), 0, 300, s, 1); },
         "stale sector of file 0", 0},
        {"other place", [](uint8_t* s) { FillDiskSectors(MakeDiskPattern(0xABCDEF), 1, 17, s, 1); },
         "misplaced, holds sector 17", 0},
    };
    // Sector 300 of the second file lies in its fifth block.
    const uint64_t sectorOffset = 300 * kDiskSectorBytes;
    for (const Case& c : cases) {
        SetUp();
        disk_.afterRead = [&](uint64_t offset, uint8_t* data, uint32_t bytes) {
            if (disk_.files.size() == 1 && disk_.createdSizes.size() == 1 && offset <= sectorOffset &&
                sectorOffset < offset + bytes)
                c.spoil(data + (sectorOffset - offset));
        };
        transfersLeft = 65;
        EXPECT_EQ(Run(), DiskLoadEnd::Stopped) << c.name;
        ASSERT_EQ(recorded_.faults.size(), 1u) << c.name;
        const DiskLoadFault& fault = recorded_.faults[0];
        EXPECT_EQ(fault.fileNumber, 1u) << c.name;
        EXPECT_EQ(fault.offset, sectorOffset + c.byteInSector) << c.name;
        EXPECT_NE(std::strstr(fault.detail, c.detail), nullptr) << c.name << ": " << fault.detail;
        EXPECT_NE(std::strstr(fault.detail, "kestrovane-disk-0000000000abcdef-00000001.tmp"), nullptr) << fault.detail;
        EXPECT_NE(std::strstr(fault.detail, "1 of 64 sectors wrong"), nullptr) << fault.detail;
        EXPECT_EQ(status_->filesVerified.load(), 2) << c.name << ": the load goes on after a fault";
    }
}

TEST_F(RealDiskLoadTest, NoFileEverTakesTheFreeSpaceBelowTheReserve) {
    const uint64_t reserve = DiskReserveBytes(disk_.totalBytes);
    disk_.freeBytes = reserve + 3 * kMiB + 12345;
    transfersLeft = 40;
    EXPECT_EQ(Run(), DiskLoadEnd::Stopped);
    EXPECT_GE(disk_.lowestFree, reserve);
    ASSERT_FALSE(disk_.createdSizes.empty());
    EXPECT_EQ(disk_.createdSizes[0], 3 * kMiB + 3 * kDiskSectorBytes)
        << "a smaller file, in whole sectors, where the largest does not fit";
    EXPECT_TRUE(recorded_.faults.empty());
}

TEST_F(RealDiskLoadTest, WithoutRoomTheLoadWaitsNearlyFullAndWritesOnceSpaceReturns) {
    disk_.freeBytes = DiskReserveBytes(disk_.totalBytes) + kMiB - 1;
    int asked = 0;
    disk_.onSpace = [&](uint64_t) {
        // Another program frees space after a while.
        if (++asked == 20)
            disk_.freeBytes += 8 * kMiB;
        return DiskIoResult{};
    };
    transfersLeft = 8;
    std::atomic<int32_t> phaseWhileWaiting{-1};
    disk_.onCreate = [&](const std::u16string&) { return DiskIoResult{}; };
    std::thread watcher([&] {
        while (asked < 10)
            std::this_thread::yield();
        phaseWhileWaiting = status_->phase.load();
    });
    EXPECT_EQ(Run(), DiskLoadEnd::Stopped);
    watcher.join();
    EXPECT_EQ(phaseWhileWaiting.load(), int32_t(DiskPhase::NearlyFull));
    EXPECT_GE(asked, 20);
    EXPECT_EQ(recorded_.outcomes, (std::vector<DiskLoadOutcome>{DiskLoadOutcome::CouldNotRun, DiskLoadOutcome::Ran}))
        << "incomplete while it waits, a run of the load once it wrote";
    EXPECT_EQ(disk_.openFiles, 0);
}

TEST_F(RealDiskLoadTest, AStopWhileWaitingForRoomEndsTheLoadWithoutAFile) {
    disk_.freeBytes = kGiB;
    int asked = 0;
    disk_.onSpace = [&](uint64_t) {
        if (++asked == 3)
            transfersLeft = 0;
        return DiskIoResult{};
    };
    EXPECT_EQ(Run(), DiskLoadEnd::Stopped);
    EXPECT_TRUE(disk_.createdSizes.empty());
    EXPECT_EQ(recorded_.outcomes, std::vector<DiskLoadOutcome>{DiskLoadOutcome::CouldNotRun});
}

TEST_F(RealDiskLoadTest, AFullDiskEndsTheFileEarlyWithoutAFaultAndWhatWasWrittenIsReadBack) {
    disk_.onWrite = [&](uint64_t offset) {
        return disk_.createdSizes.empty() && offset == 5 * kBlock ? DiskIoResult{DiskIo::DiskFull, 112}
                                                                  : DiskIoResult{};
    };
    transfersLeft = 6 + 5 + 2;
    EXPECT_EQ(Run(), DiskLoadEnd::Stopped);
    EXPECT_TRUE(recorded_.faults.empty());
    ASSERT_GE(disk_.createdSizes.size(), 1u);
    EXPECT_EQ(disk_.createdSizes[0], 5 * kBlock);
    EXPECT_EQ(status_->bytesVerified.load(), int64_t(5 * kBlock));
    EXPECT_EQ(disk_.openFiles, 0);
}

TEST_F(RealDiskLoadTest, DeviceErrorsAreFaultsAtTheirBlockAndTheLoadGoesOn) {
    disk_.onWrite = [&](uint64_t offset) {
        return disk_.createdSizes.empty() && offset == 3 * kBlock ? DiskIoResult{DiskIo::DeviceError, 1117}
                                                                  : DiskIoResult{};
    };
    disk_.onRead = [&](uint64_t offset) {
        return disk_.createdSizes.size() == 1 && offset == 2 * kBlock ? DiskIoResult{DiskIo::DeviceError, 23}
                                                                      : DiskIoResult{};
    };
    transfersLeft = 4 + 16 + 3 + 10;
    EXPECT_EQ(Run(), DiskLoadEnd::Stopped);
    ASSERT_EQ(recorded_.faults.size(), 2u);
    EXPECT_EQ(recorded_.faults[0].fileNumber, 0u);
    EXPECT_EQ(recorded_.faults[0].offset, 3 * kBlock);
    EXPECT_NE(std::strstr(recorded_.faults[0].detail, "write failed, system error 1117"), nullptr);
    EXPECT_EQ(recorded_.faults[1].fileNumber, 1u);
    EXPECT_EQ(recorded_.faults[1].offset, 2 * kBlock);
    EXPECT_NE(std::strstr(recorded_.faults[1].detail, "read failed, system error 23"), nullptr);
    EXPECT_EQ(disk_.openFiles, 0);
}

TEST_F(RealDiskLoadTest, AnUnusableFolderEndsTheLoadAsCouldNotRunOrInterrupted) {
    for (DiskIo problem : {DiskIo::FolderMissing, DiskIo::NotAFolder, DiskIo::NotWritable, DiskIo::FolderGone}) {
        SetUp();
        disk_.onCreate = [&](const std::u16string&) { return DiskIoResult{problem, 5}; };
        EXPECT_EQ(Run(), DiskLoadEnd::CouldNotRun);
        EXPECT_EQ(recorded_.outcomes, std::vector<DiskLoadOutcome>{DiskLoadOutcome::CouldNotRun});
        EXPECT_EQ(status_->problem.load(), int32_t(problem));
        EXPECT_EQ(status_->systemError.load(), 5u);
        EXPECT_EQ(disk_.writes, 0);
    }
    // A share that goes away in the middle of a file: the file is closed, the run learns it was cut short.
    SetUp();
    disk_.onWrite = [&](uint64_t offset) {
        return offset == 2 * kBlock ? DiskIoResult{DiskIo::FolderGone, 64} : DiskIoResult{};
    };
    EXPECT_EQ(Run(), DiskLoadEnd::Interrupted);
    EXPECT_EQ(recorded_.outcomes, (std::vector<DiskLoadOutcome>{DiskLoadOutcome::Ran, DiskLoadOutcome::Interrupted}));
    EXPECT_TRUE(recorded_.faults.empty()) << "a lost folder is not a fault of the disk";
    EXPECT_EQ(status_->problem.load(), int32_t(DiskIo::FolderGone));
    EXPECT_EQ(disk_.openFiles, 0);
    // The free-space question failing counts the same.
    SetUp();
    disk_.onSpace = [&](uint64_t) { return DiskIoResult{DiskIo::DeviceError, 59}; };
    EXPECT_EQ(Run(), DiskLoadEnd::CouldNotRun);
    EXPECT_EQ(status_->problem.load(), int32_t(DiskIo::FolderGone));
}

TEST_F(RealDiskLoadTest, NamesInUseArePassedOver) {
    disk_.files[DiskFileName(job_.runTag, 0)] = {1, 2, 3};
    disk_.files[DiskFileName(job_.runTag, 1)] = {4};
    transfersLeft = 3;
    EXPECT_EQ(Run(), DiskLoadEnd::Stopped);
    EXPECT_EQ(disk_.files.size(), 2u) << "the other files are left as they were";
    EXPECT_EQ(disk_.files[DiskFileName(job_.runTag, 0)], (std::vector<uint8_t>{1, 2, 3}));
    EXPECT_EQ(disk_.createdSizes.size(), 1u);
}
