// Fuzz target: any bytes as a block read back from the disk, and as the name of a file found in the real-disk
// load's folder. The check describes a wrong sector inside the block, an intact header is only reported for an
// intact sector, and a name is taken for the load's only when it is exactly the one the load would give.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

#include "stress/DiskFileName.h"
#include "stress/DiskSector.h"

namespace {

void Check(bool condition) {
    if (!condition)
        std::abort();
}

char16_t Lower(char16_t c) {
    return c >= u'A' && c <= u'Z' ? char16_t(c - u'A' + u'a') : c;
}

void CheckName(const uint8_t* data, size_t size) {
    std::u16string name(size / 2, u'\0');
    std::memcpy(name.data(), data, name.size() * 2);
    uint64_t tag = 0, number = 0;
    if (!ParseDiskFileName(name, tag, number))
        return;
    const std::u16string made = DiskFileName(tag, number);
    Check(made.size() == name.size());
    for (size_t i = 0; i < made.size(); ++i)
        Check(made[i] == Lower(name[i]));
}

void CheckBlock(const uint8_t* data, size_t size) {
    DiskSectorHeader header;
    if (ReadIntactSectorHeader(data, size, header)) {
        // An intact sector 0 of its own run and file checks clean against that run and file.
        const DiskPattern pattern = MakeDiskPattern(header.runTag);
        SectorFinding finding;
        Check(CheckDiskSectors(pattern, header.fileNumber, header.sectorNumber, data, 1, finding) == 0);
    }
    uint64_t tag = 0;
    if (size >= 8)
        std::memcpy(&tag, data, 8);
    const size_t sectors = size / kDiskSectorBytes;
    SectorFinding finding;
    const size_t wrong = CheckDiskSectors(MakeDiskPattern(tag), 3, 10, data, sectors, finding);
    Check(wrong <= sectors);
    if (wrong == 0) {
        Check(finding.fault == SectorFault::None);
        return;
    }
    Check(finding.fault != SectorFault::None && finding.sectorInBlock < sectors);
    Check(finding.byteInSector < kDiskSectorBytes);
    if (finding.fault == SectorFault::Damaged)
        Check(finding.expected != finding.actual || finding.byteInSector >= kDiskSectorCrcOffset);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    CheckName(data, size);
    CheckBlock(data, size);
    return 0;
}
