// The real-disk load's loop: free-space rule, sequential write of stamped sectors, flush, read-back and check.
#include "stress/RealDiskLoad.h"

#include <chrono>
#include <cinttypes>
#include <cstdio>
#include <thread>

#include "stress/DiskFileName.h"
#include "stress/DiskLoadChoice.h"
#include "stress/DiskSector.h"
#include "stress/DiskSpace.h"

DiskLoadStatus DiskStatus;
DiskLoadChoice DiskChoice;

namespace {

constexpr auto kRelaxed = std::memory_order_relaxed;
constexpr int kSwitchPollMilliseconds = 10;
// A long phase shows its rate so far this often.
constexpr double kInterimRateSeconds = 1.0;
// Names in use by other programs' files are passed over, but not without end.
constexpr int kNameTries = 1000;

using Clock = std::chrono::steady_clock;

double SecondsSince(Clock::time_point start) {
    return std::chrono::duration<double>(Clock::now() - start).count();
}

double MegabytesPerSecond(uint64_t bytes, double seconds) {
    return seconds > 0 ? double(bytes) / seconds / 1e6 : 0.0;
}

bool IsFolderProblem(DiskIo status) {
    return status == DiskIo::FolderMissing || status == DiskIo::NotAFolder || status == DiskIo::NotWritable ||
           status == DiskIo::FolderGone;
}

// How a phase of one file ended.
enum class PhaseEnd { Done, DiskFull, Stopped, DeviceError, FolderProblem };

class Loop {
public:
    Loop(const RealDiskJob& job, const RealDiskIo& io, const RealDiskSink& sink, DiskLoadStatus& status)
        : job_(job), io_(io), sink_(sink), status_(status), pattern_(MakeDiskPattern(job.runTag)) {}

    DiskLoadEnd Run() {
        status_.problem.store(int32_t(DiskIo::Ok), kRelaxed);
        status_.systemError.store(0, kRelaxed);
        for (;;) {
            if (!KeepRunning())
                return Stopped();
            uint64_t size = 0;
            if (!WaitForRoom(size))
                return problem_.status == DiskIo::Ok ? Stopped() : EndWithProblem();
            void* file = nullptr;
            uint64_t fileNumber = 0;
            const DiskIoResult created = CreateNextFile(file, fileNumber);
            if (created.status != DiskIo::Ok) {
                if (IsFolderProblem(created.status)) {
                    problem_ = created;
                    return EndWithProblem();
                }
                // A disk that filled up since the free space was asked is waited out like a nearly full one.
                if (created.status == DiskIo::DeviceError)
                    ReportTransferFault(fileNumber, 0, "could not be created", created);
                if (!Pause())
                    return Stopped();
                continue;
            }
            const PhaseEnd end = WriteAndVerify(file, fileNumber, size);
            io_.close(io_.context, file);
            if (end == PhaseEnd::Stopped)
                return Stopped();
            if (end == PhaseEnd::FolderProblem)
                return EndWithProblem();
            if ((end == PhaseEnd::DeviceError || end == PhaseEnd::DiskFull) && !Pause())
                return Stopped();
        }
    }

private:
    bool KeepRunning() const { return job_.keepRunning(); }

    void SetPhase(DiskPhase phase) { status_.phase.store(int32_t(phase), kRelaxed); }

    DiskLoadEnd Stopped() {
        SetPhase(DiskPhase::Ended);
        return DiskLoadEnd::Stopped;
    }

    DiskLoadEnd EndWithProblem() {
        status_.systemError.store(problem_.systemError, kRelaxed);
        status_.problem.store(int32_t(problem_.status), kRelaxed);
        SetPhase(DiskPhase::Ended);
        Tell(ran_ ? DiskLoadOutcome::Interrupted : DiskLoadOutcome::CouldNotRun);
        return ran_ ? DiskLoadEnd::Interrupted : DiskLoadEnd::CouldNotRun;
    }

    void Tell(DiskLoadOutcome outcome) {
        if (sink_.outcome)
            sink_.outcome(sink_.context, outcome);
    }

    void NoteWritten(uint64_t bytes) {
        status_.bytesWritten.fetch_add(int64_t(bytes), kRelaxed);
        if (!ran_) {
            ran_ = true;
            Tell(DiskLoadOutcome::Ran);
        }
    }

    // Sleeps in short steps, polling the switches; false when they went off.
    bool SleepPolling(int milliseconds) {
        for (int slept = 0; slept < milliseconds; slept += kSwitchPollMilliseconds) {
            if (!KeepRunning())
                return false;
            std::this_thread::sleep_for(std::chrono::milliseconds(kSwitchPollMilliseconds));
        }
        return KeepRunning();
    }

    // After a failed file: without a rest a broken or full disk would be hammered with new files.
    bool Pause() { return SleepPolling(job_.failurePauseMilliseconds); }

    // Asks for the next file's size until one fits; false on a stop, or with problem_ set when the folder failed.
    bool WaitForRoom(uint64_t& size) {
        bool toldWaiting = false;
        for (;;) {
            uint64_t freeBytes = 0, totalBytes = 0;
            const DiskIoResult asked = io_.space(io_.context, freeBytes, totalBytes);
            if (asked.status != DiskIo::Ok) {
                problem_ = asked;
                if (!IsFolderProblem(asked.status))
                    problem_.status = DiskIo::FolderGone;
                return false;
            }
            size = ChooseDiskFileBytes(freeBytes, totalBytes, job_.maxFileBytes, job_.minFileBytes, job_.unitBytes);
            if (size > 0)
                return true;
            SetPhase(DiskPhase::NearlyFull);
            // A run that never gets to write is incomplete; a later write still makes it a run of the load.
            if (!ran_ && !toldWaiting)
                Tell(DiskLoadOutcome::CouldNotRun);
            toldWaiting = true;
            if (!SleepPolling(job_.spacePollMilliseconds))
                return false;
        }
    }

    DiskIoResult CreateNextFile(void*& file, uint64_t& fileNumber) {
        DiskIoResult result;
        for (int tries = 0; tries < kNameTries; ++tries) {
            fileNumber = nextFile_++;
            result = io_.create(io_.context, DiskFileName(job_.runTag, fileNumber), file);
            if (result.status != DiskIo::NameTaken)
                return result;
        }
        result.status = DiskIo::NotWritable;
        return result;
    }

    PhaseEnd Classify(const DiskIoResult& result) {
        if (IsFolderProblem(result.status)) {
            problem_ = result;
            return PhaseEnd::FolderProblem;
        }
        return result.status == DiskIo::DiskFull ? PhaseEnd::DiskFull : PhaseEnd::DeviceError;
    }

    PhaseEnd WriteAndVerify(void* file, uint64_t fileNumber, uint64_t size) {
        uint64_t written = 0;
        const PhaseEnd wrote = WritePhase(file, fileNumber, size, written);
        if (wrote == PhaseEnd::Stopped || wrote == PhaseEnd::FolderProblem || wrote == PhaseEnd::DeviceError)
            return wrote;
        if (io_.betweenPhases)
            io_.betweenPhases(io_.context, file, DiskFileName(job_.runTag, fileNumber));
        // A file ended early by a full disk is still read back as far as it got.
        const PhaseEnd read = ReadPhase(file, fileNumber, written);
        return read == PhaseEnd::Done ? wrote : read;
    }

    PhaseEnd Flush(void* file, uint64_t fileNumber, uint64_t offset, bool wait) {
        const DiskIoResult flushed = io_.flush(io_.context, file, wait);
        if (flushed.status == DiskIo::Ok)
            return PhaseEnd::Done;
        const PhaseEnd end = Classify(flushed);
        if (end == PhaseEnd::DeviceError)
            ReportTransferFault(fileNumber, offset, "flush failed", flushed);
        return end;
    }

    uint32_t BlockAt(uint64_t offset, uint64_t size) const {
        return uint32_t(size - offset < job_.blockBytes ? size - offset : job_.blockBytes);
    }

    // Fills one buffer while the other is being written; `offset` counts the bytes the device confirmed.
    PhaseEnd WritePhase(void* file, uint64_t fileNumber, uint64_t size, uint64_t& offset) {
        SetPhase(DiskPhase::Writing);
        const Clock::time_point start = Clock::now();
        double shownAt = 0;
        uint64_t flushedUpTo = 0, next = 0;
        uint32_t inFlight = 0;
        int buffer = 0;
        PhaseEnd end = PhaseEnd::Done;
        for (;;) {
            const uint32_t bytes = next < size ? BlockAt(next, size) : 0;
            if (bytes > 0)
                FillDiskSectors(pattern_, fileNumber, next / kDiskSectorBytes, job_.buffers[buffer],
                                bytes / kDiskSectorBytes);
            if (inFlight > 0) {
                const DiskIoResult done = io_.finish(io_.context, file);
                if (done.status != DiskIo::Ok) {
                    end = WriteFailed(done, fileNumber, offset);
                    break;
                }
                offset += inFlight;
                NoteWritten(inFlight);
                inFlight = 0;
                if (offset - flushedUpTo >= job_.flushBytes) {
                    // The flush goes on beside the next writes, so the device is never left idle.
                    end = Flush(file, fileNumber, flushedUpTo, false);
                    if (end != PhaseEnd::Done)
                        break;
                    flushedUpTo = offset;
                }
                ShowInterimRate(status_.writeMegabytesPerSecond, start, offset, shownAt);
                if (!KeepRunning())
                    return PhaseEnd::Stopped;
            }
            if (bytes == 0)
                break;
            const DiskIoResult started = io_.startWrite(io_.context, file, next, job_.buffers[buffer], bytes);
            if (started.status != DiskIo::Ok) {
                end = WriteFailed(started, fileNumber, next);
                break;
            }
            inFlight = bytes;
            next += bytes;
            buffer ^= 1;
        }
        if (end == PhaseEnd::FolderProblem || end == PhaseEnd::DeviceError)
            return end;
        if (offset > 0) {
            // Everything written reaches the device before the phase ends. After a full disk the flush may fail
            // the same way; what was written is read back all the same.
            const PhaseEnd flushed = Flush(file, fileNumber, flushedUpTo, true);
            if (flushed != PhaseEnd::Done && flushed != PhaseEnd::DiskFull)
                return flushed;
            status_.writeMegabytesPerSecond.store(MegabytesPerSecond(offset, SecondsSince(start)), kRelaxed);
        }
        return end;
    }

    PhaseEnd WriteFailed(const DiskIoResult& result, uint64_t fileNumber, uint64_t offset) {
        const PhaseEnd end = Classify(result);
        if (end == PhaseEnd::DeviceError)
            ReportTransferFault(fileNumber, offset, "write failed", result);
        return end;
    }

    PhaseEnd ReadFailed(const DiskIoResult& result, uint64_t fileNumber, uint64_t offset) {
        const PhaseEnd end = Classify(result);
        if (end == PhaseEnd::FolderProblem)
            return end;
        ReportTransferFault(fileNumber, offset, "read failed", result);
        return PhaseEnd::DeviceError;
    }

    // Reads the next block into one buffer while the other is checked.
    PhaseEnd ReadPhase(void* file, uint64_t fileNumber, uint64_t size) {
        SetPhase(DiskPhase::Reading);
        const Clock::time_point start = Clock::now();
        double shownAt = 0;
        uint64_t offset = 0;
        int buffer = 0;
        if (size > 0) {
            const DiskIoResult started = io_.startRead(io_.context, file, 0, job_.buffers[0], BlockAt(0, size));
            if (started.status != DiskIo::Ok)
                return ReadFailed(started, fileNumber, 0);
        }
        while (offset < size) {
            const uint32_t bytes = BlockAt(offset, size);
            const DiskIoResult done = io_.finish(io_.context, file);
            if (done.status != DiskIo::Ok)
                return ReadFailed(done, fileNumber, offset);
            const uint64_t following = offset + bytes;
            bool reading = false;
            if (following < size) {
                const DiskIoResult started =
                    io_.startRead(io_.context, file, following, job_.buffers[buffer ^ 1], BlockAt(following, size));
                if (started.status != DiskIo::Ok) {
                    CheckBlock(fileNumber, offset, job_.buffers[buffer], bytes);
                    return ReadFailed(started, fileNumber, following);
                }
                reading = true;
            }
            CheckBlock(fileNumber, offset, job_.buffers[buffer], bytes);
            offset = following;
            buffer ^= 1;
            status_.bytesVerified.fetch_add(int64_t(bytes), kRelaxed);
            ShowInterimRate(status_.readMegabytesPerSecond, start, offset, shownAt);
            if (!KeepRunning()) {
                // The buffer in flight is the device's until its read is done.
                if (reading)
                    io_.finish(io_.context, file);
                return PhaseEnd::Stopped;
            }
        }
        if (size > 0) {
            status_.readMegabytesPerSecond.store(MegabytesPerSecond(size, SecondsSince(start)), kRelaxed);
            status_.filesVerified.fetch_add(1, kRelaxed);
        }
        return PhaseEnd::Done;
    }

    void ShowInterimRate(std::atomic<double>& rate, Clock::time_point start, uint64_t bytes, double& shownAt) {
        const double seconds = SecondsSince(start);
        if (seconds - shownAt < kInterimRateSeconds)
            return;
        shownAt = seconds;
        rate.store(MegabytesPerSecond(bytes, seconds), kRelaxed);
    }

    // One fault per block read back wrong, at its first wrong sector, with the count of wrong sectors in the block.
    void CheckBlock(uint64_t fileNumber, uint64_t offset, const uint8_t* block, uint32_t bytes) {
        SectorFinding finding;
        const size_t sectors = bytes / kDiskSectorBytes;
        const size_t wrong = CheckDiskSectors(pattern_, fileNumber, offset / kDiskSectorBytes, block, sectors, finding);
        if (wrong == 0)
            return;
        DiskLoadFault fault;
        fault.fileNumber = fileNumber;
        fault.offset = offset + finding.sectorInBlock * kDiskSectorBytes + finding.byteInSector;
        fault.expected = finding.expected;
        fault.actual = finding.actual;
        char what[80];
        switch (finding.fault) {
            case SectorFault::Stale:
                if (finding.found.runTag != job_.runTag)
                    std::snprintf(what, sizeof(what), "stale sector of run %016" PRIx64, finding.found.runTag);
                else
                    std::snprintf(what, sizeof(what), "stale sector of file %" PRIu64, finding.found.fileNumber);
                break;
            case SectorFault::Misplaced:
                std::snprintf(what, sizeof(what), "misplaced, holds sector %" PRIu64, finding.found.sectorNumber);
                break;
            default:
                std::snprintf(what, sizeof(what), "damaged sector%s", finding.allZero ? " (all zeros)" : "");
                break;
        }
        std::snprintf(fault.detail, sizeof(fault.detail), "%s offset %" PRIu64 ": %s; %zu of %zu sectors wrong",
                      FileName(fileNumber).c_str(), fault.offset, what, wrong, sectors);
        Report(fault);
    }

    void ReportTransferFault(uint64_t fileNumber, uint64_t offset, const char* what, const DiskIoResult& result) {
        DiskLoadFault fault;
        fault.fileNumber = fileNumber;
        fault.offset = offset;
        fault.actual = result.systemError;
        std::snprintf(fault.detail, sizeof(fault.detail), "%s offset %" PRIu64 ": %s, system error %" PRIu32,
                      FileName(fileNumber).c_str(), offset, what, result.systemError);
        Report(fault);
    }

    void Report(const DiskLoadFault& fault) {
        if (sink_.fault)
            sink_.fault(sink_.context, fault);
    }

    // The file's name in ASCII, which it always is.
    std::string FileName(uint64_t fileNumber) const {
        const std::u16string name = DiskFileName(job_.runTag, fileNumber);
        return std::string(name.begin(), name.end());
    }

    const RealDiskJob& job_;
    const RealDiskIo& io_;
    const RealDiskSink& sink_;
    DiskLoadStatus& status_;
    const DiskPattern pattern_;
    uint64_t nextFile_ = 0;
    bool ran_ = false;
    DiskIoResult problem_;
};

}  // namespace

DiskLoadEnd RunRealDiskLoad(const RealDiskJob& job,
                            const RealDiskIo& io,
                            const RealDiskSink& sink,
                            DiskLoadStatus& status) {
    status.phase.store(int32_t(DiskPhase::Preparing), kRelaxed);
    return Loop(job, io, sink, status).Run();
}
