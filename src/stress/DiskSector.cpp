// Filling and checking blocks of the real-disk load's sectors: header, payload from the run's noise, CRC-32C.
#include "stress/DiskSector.h"

#include <bit>
#include <cstring>

#include "stress/Crc32c.h"

// The format is little-endian on the disk; every machine this program runs on is.
static_assert(std::endian::native == std::endian::little);

namespace {

constexpr size_t kHeaderWords = kDiskSectorHeaderBytes / 8;
// Checksums are computed for this many sectors at once.
constexpr size_t kCrcBatch = 64;

uint64_t Mix(uint64_t value) {
    value += 0x9E3779B97F4A7C15u;
    value = (value ^ (value >> 30)) * 0xBF58476D1CE4E5B9u;
    value = (value ^ (value >> 27)) * 0x94D049BB133111EBu;
    return value ^ (value >> 31);
}

// One word per sector that every payload word is combined with: sectors of another run, file or place differ in
// every payload word, not only in their headers.
uint64_t SectorKey(const DiskPattern& pattern, uint64_t fileNumber, uint64_t sectorNumber) {
    return Mix(pattern.runTag ^ Mix(fileNumber ^ Mix(sectorNumber)));
}

void Store64(uint8_t* at, uint64_t value) {
    std::memcpy(at, &value, sizeof(value));
}

uint64_t Load64(const uint8_t* at) {
    uint64_t value;
    std::memcpy(&value, at, sizeof(value));
    return value;
}

uint32_t Load32(const uint8_t* at) {
    uint32_t value;
    std::memcpy(&value, at, sizeof(value));
    return value;
}

void WriteSectorBody(const DiskPattern& pattern, uint64_t fileNumber, uint64_t sectorNumber, uint8_t* sector) {
    const uint64_t header[kHeaderWords] = {kDiskSectorMagic, pattern.runTag, fileNumber, sectorNumber};
    std::memcpy(sector, header, sizeof(header));
    const uint64_t key = SectorKey(pattern, fileNumber, sectorNumber);
    // The last word's upper half is overwritten by the checksum.
    for (size_t i = kHeaderWords; i < kDiskSectorWords; ++i)
        Store64(sector + i * 8, pattern.noise[i] ^ key);
}

DiskSectorHeader HeaderOf(const uint8_t* sector) {
    DiskSectorHeader header;
    header.magic = Load64(sector);
    header.runTag = Load64(sector + 8);
    header.fileNumber = Load64(sector + 16);
    header.sectorNumber = Load64(sector + 24);
    return header;
}

bool AllZero(const uint8_t* sector) {
    for (size_t i = 0; i < kDiskSectorBytes; i += 8)
        if (Load64(sector + i) != 0)
            return false;
    return true;
}

// A sector whose checksum holds but whose header is not the one expected: stale or misplaced.
SectorFinding IntactButElsewhere(const DiskPattern& pattern,
                                 uint64_t fileNumber,
                                 uint64_t sectorNumber,
                                 const DiskSectorHeader& found) {
    SectorFinding finding;
    finding.found = found;
    if (found.runTag != pattern.runTag) {
        finding.fault = SectorFault::Stale;
        finding.expected = pattern.runTag;
        finding.actual = found.runTag;
    } else if (found.fileNumber != fileNumber) {
        finding.fault = SectorFault::Stale;
        finding.expected = fileNumber;
        finding.actual = found.fileNumber;
    } else {
        finding.fault = SectorFault::Misplaced;
        finding.expected = sectorNumber;
        finding.actual = found.sectorNumber;
    }
    return finding;
}

// Only a sector already known to be wrong comes here, so rebuilding what was written costs nothing in the clean
// case.
SectorFinding Damaged(const DiskPattern& pattern, uint64_t fileNumber, uint64_t sectorNumber, const uint8_t* sector) {
    alignas(8) uint8_t written[kDiskSectorBytes];
    FillDiskSectors(pattern, fileNumber, sectorNumber, written, 1);
    SectorFinding finding;
    finding.fault = SectorFault::Damaged;
    finding.allZero = AllZero(sector);
    size_t at = 0;
    while (at < kDiskSectorBytes && sector[at] == written[at])
        ++at;
    // A sector equal to what was written but with a wrong checksum cannot come from FillDiskSectors; it would mean
    // the checksum itself is broken, so it is still reported, at the checksum's place.
    if (at == kDiskSectorBytes)
        at = kDiskSectorCrcOffset;
    finding.byteInSector = at;
    const size_t word = at & ~size_t(7);
    finding.expected = Load64(written + word);
    finding.actual = Load64(sector + word);
    return finding;
}

}  // namespace

DiskPattern MakeDiskPattern(uint64_t runTag) {
    DiskPattern pattern;
    pattern.runTag = runTag;
    uint64_t state = Mix(runTag ^ 0x6B6573747276616Eu);
    for (uint64_t& word : pattern.noise)
        word = state = Mix(state);
    return pattern;
}

void FillDiskSectors(const DiskPattern& pattern,
                     uint64_t fileNumber,
                     uint64_t firstSector,
                     uint8_t* block,
                     size_t sectors) {
    uint32_t crcs[kCrcBatch];
    for (size_t done = 0; done < sectors;) {
        const size_t batch = sectors - done < kCrcBatch ? sectors - done : kCrcBatch;
        uint8_t* first = block + done * kDiskSectorBytes;
        for (size_t i = 0; i < batch; ++i)
            WriteSectorBody(pattern, fileNumber, firstSector + done + i, first + i * kDiskSectorBytes);
        Crc32cSpans(first, kDiskSectorBytes, kDiskSectorCrcOffset, batch, crcs);
        for (size_t i = 0; i < batch; ++i)
            std::memcpy(first + i * kDiskSectorBytes + kDiskSectorCrcOffset, &crcs[i], sizeof(crcs[i]));
        done += batch;
    }
}

size_t CheckDiskSectors(const DiskPattern& pattern,
                        uint64_t fileNumber,
                        uint64_t firstSector,
                        const uint8_t* block,
                        size_t sectors,
                        SectorFinding& first) {
    first = SectorFinding();
    size_t wrong = 0;
    uint32_t crcs[kCrcBatch];
    for (size_t done = 0; done < sectors;) {
        const size_t batch = sectors - done < kCrcBatch ? sectors - done : kCrcBatch;
        const uint8_t* batchStart = block + done * kDiskSectorBytes;
        Crc32cSpans(batchStart, kDiskSectorBytes, kDiskSectorCrcOffset, batch, crcs);
        for (size_t i = 0; i < batch; ++i) {
            const uint8_t* sector = batchStart + i * kDiskSectorBytes;
            const uint64_t sectorNumber = firstSector + done + i;
            const DiskSectorHeader found = HeaderOf(sector);
            const bool intact = crcs[i] == Load32(sector + kDiskSectorCrcOffset) && found.magic == kDiskSectorMagic;
            if (intact && found.runTag == pattern.runTag && found.fileNumber == fileNumber &&
                found.sectorNumber == sectorNumber)
                continue;
            if (wrong++ == 0) {
                first = intact ? IntactButElsewhere(pattern, fileNumber, sectorNumber, found)
                               : Damaged(pattern, fileNumber, sectorNumber, sector);
                first.sectorInBlock = done + i;
            }
        }
        done += batch;
    }
    return wrong;
}

bool ReadIntactSectorHeader(const uint8_t* bytes, size_t size, DiskSectorHeader& header) {
    if (!bytes || size < kDiskSectorBytes)
        return false;
    header = HeaderOf(bytes);
    return header.magic == kDiskSectorMagic &&
           Crc32c(bytes, kDiskSectorCrcOffset) == Load32(bytes + kDiskSectorCrcOffset);
}
