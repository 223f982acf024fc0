// The real-disk load's log columns and report figures.
#include "report/DiskFigures.h"

#include <limits>

namespace {

constexpr auto kRelaxed = std::memory_order_relaxed;

double RateOrNothing(const std::atomic<double>& rate) {
    const double value = rate.load(kRelaxed);
    return value > 0 ? value : std::numeric_limits<double>::quiet_NaN();
}

}  // namespace

void DiskLogValues(const DiskLoadStatus& status, double values[kDiskLogColumnCount]) {
    values[0] = RateOrNothing(status.cacheMegabytesPerSecond);
    values[1] = RateOrNothing(status.writeMegabytesPerSecond);
    values[2] = RateOrNothing(status.readMegabytesPerSecond);
}

DiskCounters ReadDiskCounters(const DiskLoadStatus& status) {
    DiskCounters counters;
    counters.bytesWritten = status.bytesWritten.load(kRelaxed);
    counters.bytesVerified = status.bytesVerified.load(kRelaxed);
    counters.filesVerified = status.filesVerified.load(kRelaxed);
    return counters;
}

DiskReport CollectDiskReport(const DiskLoadStatus& status,
                             const DiskCounters& atStart,
                             const std::u16string& folder,
                             bool ran) {
    DiskReport report;
    report.ran = ran;
    report.folder = folder;
    const DiskCounters now = ReadDiskCounters(status);
    report.done.bytesWritten = now.bytesWritten - atStart.bytesWritten;
    report.done.bytesVerified = now.bytesVerified - atStart.bytesVerified;
    report.done.filesVerified = now.filesVerified - atStart.filesVerified;
    report.leftoversRemoved = status.leftoversRemoved.load(kRelaxed);
    report.folderProblem = DiskIo(status.problem.load(kRelaxed));
    report.systemError = status.systemError.load(kRelaxed);
    return report;
}

const char* FolderProblemKey(DiskIo problem) {
    switch (problem) {
        case DiskIo::FolderMissing:
            return "folder_missing";
        case DiskIo::NotAFolder:
            return "not_a_folder";
        case DiskIo::NotWritable:
            return "not_writable";
        case DiskIo::FolderGone:
            return "folder_gone";
        default:
            return nullptr;
    }
}
