// The real-disk load's sector format: every 4 KiB of its files carries a header (magic, run tag, file number,
// sector number), a payload that differs from sector to sector and run to run, and a CRC-32C of both, so that a
// sector read back damaged, stale (another run's or another file's) or misplaced (another sector's) is told apart.
#pragma once

#include <cstddef>
#include <cstdint>

constexpr size_t kDiskSectorBytes = 4096;
// "KVDSECT1" as its bytes lie on the disk.
constexpr uint64_t kDiskSectorMagic = 0x3154434553445654u;
// The checksum covers everything before it and sits in the sector's last four bytes.
constexpr size_t kDiskSectorCrcOffset = kDiskSectorBytes - 4;
constexpr size_t kDiskSectorWords = kDiskSectorBytes / 8;

struct DiskSectorHeader {
    uint64_t magic = 0;
    // Chosen anew whenever the load starts; it also names the load's files and its mutex.
    uint64_t runTag = 0;
    uint64_t fileNumber = 0;
    // Counted from the file's start: the sector's byte offset divided by kDiskSectorBytes.
    uint64_t sectorNumber = 0;
};
constexpr size_t kDiskSectorHeaderBytes = 32;

// Everything a run's sectors derive from: its tag and a sector's worth of noise that the payloads are drawn from.
struct DiskPattern {
    uint64_t runTag = 0;
    uint64_t noise[kDiskSectorWords] = {};
};

DiskPattern MakeDiskPattern(uint64_t runTag);

// Writes `sectors` consecutive sectors of file `fileNumber`, the first being `firstSector`, into `block`.
void FillDiskSectors(const DiskPattern& pattern,
                     uint64_t fileNumber,
                     uint64_t firstSector,
                     uint8_t* block,
                     size_t sectors);

enum class SectorFault : int {
    None = 0,
    // The sector does not hold what was written: its checksum or its magic is wrong (zeros, noise, flipped bits).
    Damaged = 1,
    // An intact sector of this program, but of another run or another file: an old write came back.
    Stale = 2,
    // An intact sector of this very file, but written for another place in it.
    Misplaced = 3,
};

struct SectorFinding {
    SectorFault fault = SectorFault::None;
    // The sector, counted from the start of the checked block.
    size_t sectorInBlock = 0;
    // Damaged: the first byte that differs from what was written, within the sector; else 0.
    size_t byteInSector = 0;
    // Damaged: the eight bytes around that byte (the aligned word holding it), as written and as read.
    // Stale: the run tag (when the run differs) or the file number; Misplaced: the sector number.
    uint64_t expected = 0;
    uint64_t actual = 0;
    // Whether the damaged sector reads as nothing but zeros.
    bool allZero = false;
    // Stale and Misplaced: the header found.
    DiskSectorHeader found;
};

// Checks `sectors` sectors read back from file `fileNumber` from sector `firstSector` on. Returns how many are
// wrong and describes the first of them in `first`.
size_t CheckDiskSectors(const DiskPattern& pattern,
                        uint64_t fileNumber,
                        uint64_t firstSector,
                        const uint8_t* block,
                        size_t sectors,
                        SectorFinding& first);

// Reads the header of a sector of any origin: true only when the bytes are an intact sector of this format
// (at least one sector long, the magic in place, the checksum right).
bool ReadIntactSectorHeader(const uint8_t* bytes, size_t size, DiskSectorHeader& header);
