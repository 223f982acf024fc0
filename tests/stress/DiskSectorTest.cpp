// The real-disk load's format: CRC-32C on both paths, sectors that come back damaged, stale or misplaced told apart
// at the right byte, the names of its files read back, and the free-space rule.
#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <vector>

#include "stress/Crc32c.h"
#include "stress/DiskFileName.h"
#include "stress/DiskSector.h"
#include "stress/DiskSpace.h"

namespace {

constexpr uint64_t kGiB = uint64_t(1) << 30;
constexpr uint64_t kMiB = uint64_t(1) << 20;
constexpr size_t kSectors = 40;

std::vector<uint8_t> Filled(const DiskPattern& pattern, uint64_t fileNumber, uint64_t firstSector, size_t sectors) {
    std::vector<uint8_t> block(sectors * kDiskSectorBytes);
    FillDiskSectors(pattern, fileNumber, firstSector, block.data(), sectors);
    return block;
}

size_t Check(const DiskPattern& pattern,
             const std::vector<uint8_t>& block,
             SectorFinding& finding,
             uint64_t fileNumber = 7,
             uint64_t firstSector = 100) {
    return CheckDiskSectors(pattern, fileNumber, firstSector, block.data(), block.size() / kDiskSectorBytes, finding);
}

}  // namespace

TEST(Crc32c, KnownValuesAndBothPathsAgreeAtEveryLengthAndAlignment) {
    const char digits[] = "123456789";
    EXPECT_EQ(Crc32c(digits, 9), 0xE3069283u);
    EXPECT_EQ(Crc32cByTable(digits, 9), 0xE3069283u);
    const std::vector<uint8_t> zeros(32, 0), ones(32, 0xFF);
    EXPECT_EQ(Crc32c(zeros.data(), 32), 0x8A9136AAu);
    EXPECT_EQ(Crc32c(ones.data(), 32), 0x62A8AB43u);
    EXPECT_EQ(Crc32c(digits + 4, 5, Crc32c(digits, 4)), 0xE3069283u) << "a checksum continues where it stopped";

    std::mt19937 random(5);
    std::vector<uint8_t> bytes(5000);
    for (uint8_t& byte : bytes)
        byte = uint8_t(random());
    for (size_t start = 0; start < 9; ++start)
        for (size_t length : {0, 1, 7, 8, 9, 63, 4092, 4900})
            ASSERT_EQ(Crc32c(bytes.data() + start, length), Crc32cByTable(bytes.data() + start, length))
                << "start " << start << ", length " << length;

    // Four spans side by side and the ones left over: each the same as on its own.
    for (size_t count : {1, 3, 4, 5, 9}) {
        std::vector<uint32_t> crcs(count);
        Crc32cSpans(bytes.data() + 1, 500, 497, count, crcs.data());
        for (size_t i = 0; i < count; ++i)
            ASSERT_EQ(crcs[i], Crc32cByTable(bytes.data() + 1 + i * 500, 497)) << count << " spans, span " << i;
    }
}

TEST(DiskSector, AWrittenBlockChecksCleanAndCarriesItsHeaderInEverySector) {
    const DiskPattern pattern = MakeDiskPattern(0x1234);
    const std::vector<uint8_t> block = Filled(pattern, 7, 100, kSectors);
    SectorFinding finding;
    EXPECT_EQ(Check(pattern, block, finding), 0u);
    EXPECT_EQ(finding.fault, SectorFault::None);
    for (size_t i = 0; i < kSectors; ++i) {
        DiskSectorHeader header;
        ASSERT_TRUE(ReadIntactSectorHeader(block.data() + i * kDiskSectorBytes, kDiskSectorBytes, header));
        EXPECT_EQ(header.runTag, 0x1234u);
        EXPECT_EQ(header.fileNumber, 7u);
        EXPECT_EQ(header.sectorNumber, 100 + i);
    }
    // Payloads differ from sector to sector, so a sector in the wrong place cannot pass for the right one.
    EXPECT_NE(std::memcmp(block.data() + 64, block.data() + kDiskSectorBytes + 64, 1000), 0);
    const std::vector<uint8_t> otherRun = Filled(MakeDiskPattern(0x1235), 7, 100, 1);
    EXPECT_NE(std::memcmp(block.data() + 64, otherRun.data() + 64, 1000), 0);
}

TEST(DiskSector, AnyFlippedBitIsFoundAtItsOwnByte) {
    const DiskPattern pattern = MakeDiskPattern(99);
    const std::vector<uint8_t> clean = Filled(pattern, 7, 100, kSectors);
    // In the header, in the payload, in the checksum; in the first, a middle and the last sector.
    for (size_t sector : {size_t(0), size_t(17), kSectors - 1})
        for (size_t byte : {0, 9, 24, 31, 32, 2000, 4091, 4092, 4095})
            for (int bit : {0, 7}) {
                std::vector<uint8_t> block = clean;
                block[sector * kDiskSectorBytes + byte] ^= uint8_t(1 << bit);
                SectorFinding finding;
                ASSERT_EQ(Check(pattern, block, finding), 1u) << "sector " << sector << " byte " << byte;
                EXPECT_EQ(finding.fault, SectorFault::Damaged);
                EXPECT_EQ(finding.sectorInBlock, sector);
                EXPECT_EQ(finding.byteInSector, byte);
                EXPECT_EQ(finding.expected ^ finding.actual, uint64_t(1) << (8 * (byte % 8) + bit));
                EXPECT_FALSE(finding.allZero);
            }
}

TEST(DiskSector, StaleMisplacedAndBlankSectorsAreToldApart) {
    const DiskPattern pattern = MakeDiskPattern(99);
    const std::vector<uint8_t> clean = Filled(pattern, 7, 100, kSectors);
    struct Case {
        const char* name;
        std::vector<uint8_t> sector;
        SectorFault fault;
        uint64_t expected, actual;
    } cases[] = {
        {"another run's", Filled(MakeDiskPattern(98), 7, 105, 1), SectorFault::Stale, 99, 98},
        {"another file's", Filled(pattern, 6, 105, 1), SectorFault::Stale, 7, 6},
        {"another place's", Filled(pattern, 7, 130, 1), SectorFault::Misplaced, 105, 130},
        {"zeros", std::vector<uint8_t>(kDiskSectorBytes, 0), SectorFault::Damaged, 0, 0},
    };
    for (const Case& c : cases) {
        std::vector<uint8_t> block = clean;
        std::memcpy(block.data() + 5 * kDiskSectorBytes, c.sector.data(), kDiskSectorBytes);
        std::memcpy(block.data() + 9 * kDiskSectorBytes, c.sector.data(), kDiskSectorBytes);
        SectorFinding finding;
        EXPECT_EQ(Check(pattern, block, finding), 2u) << c.name;
        EXPECT_EQ(finding.fault, c.fault) << c.name;
        EXPECT_EQ(finding.sectorInBlock, 5u) << c.name << ": the first wrong sector is described";
        if (c.fault == SectorFault::Damaged) {
            EXPECT_TRUE(finding.allZero);
            EXPECT_EQ(finding.byteInSector, 0u);
            EXPECT_EQ(finding.expected, kDiskSectorMagic);
        } else {
            EXPECT_EQ(finding.expected, c.expected) << c.name;
            EXPECT_EQ(finding.actual, c.actual) << c.name;
        }
    }
}

TEST(DiskSector, OnlyAnIntactSectorOfTheFormatHasAHeader) {
    const std::vector<uint8_t> sector = Filled(MakeDiskPattern(1), 0, 0, 1);
    DiskSectorHeader header;
    EXPECT_TRUE(ReadIntactSectorHeader(sector.data(), sector.size(), header));
    EXPECT_FALSE(ReadIntactSectorHeader(sector.data(), sector.size() - 1, header)) << "too short";
    EXPECT_FALSE(ReadIntactSectorHeader(nullptr, 0, header));
    std::vector<uint8_t> changed = sector;
    changed[3000] ^= 1;
    EXPECT_FALSE(ReadIntactSectorHeader(changed.data(), changed.size(), header)) << "checksum wrong";
    // The right checksum over a foreign magic: some other program's data that merely fits.
    changed = sector;
    changed[0] ^= 1;
    const uint32_t crc = Crc32c(changed.data(), kDiskSectorCrcOffset);
    std::memcpy(changed.data() + kDiskSectorCrcOffset, &crc, 4);
    EXPECT_FALSE(ReadIntactSectorHeader(changed.data(), changed.size(), header)) << "magic wrong";
}

TEST(DiskFileName, NamesReadBackAndNothingElseIsTakenForOne) {
    const std::u16string name = DiskFileName(0x0123456789ABCDEFu, 42);
    EXPECT_EQ(name, u"kestrovane-disk-0123456789abcdef-0000002a.tmp");
    uint64_t tag = 0, number = 0;
    ASSERT_TRUE(ParseDiskFileName(name, tag, number));
    EXPECT_EQ(tag, 0x0123456789ABCDEFu);
    EXPECT_EQ(number, 42u);
    EXPECT_TRUE(ParseDiskFileName(u"KESTROVANE-DISK-0123456789ABCDEF-0000002A.TMP", tag, number))
        << "names compare without case, as the file system does";
    for (const char16_t* other :
         {u"kestrovane-disk-0123456789abcdef-0000002a.tm", u"kestrovane-disk-0123456789abcdef-0000002a.tmpx",
          u"kestrovane-disk-0123456789abcdeg-0000002a.tmp", u"kestrovane-disk-0123456789abcdef_0000002a.tmp",
          u"kestrovane-disc-0123456789abcdef-0000002a.tmp", u"str1234.tmp", u""})
        EXPECT_FALSE(ParseDiskFileName(other, tag, number)) << testing::PrintToString(std::u16string(other));
    EXPECT_EQ(DiskMutexName(0xFFu), u"Local\\Kestrovane-disk-00000000000000ff");
}

TEST(DiskSpace, TheReserveIsOneGibibyteOrFivePercentAndNoFileEatsIntoIt) {
    EXPECT_EQ(DiskReserveBytes(0), kGiB);
    EXPECT_EQ(DiskReserveBytes(20 * kGiB), kGiB);
    EXPECT_EQ(DiskReserveBytes(100 * kGiB), 5 * kGiB);
    EXPECT_EQ(DiskReserveBytes(20 * kGiB + 1), kGiB + 1) << "5 % rounded up";

    const uint64_t total = 100 * kGiB, reserve = 5 * kGiB;
    EXPECT_EQ(ChooseDiskFileBytes(reserve + 50 * kGiB, total, kGiB, 16 * kMiB, 4096), kGiB) << "room for the largest";
    EXPECT_EQ(ChooseDiskFileBytes(reserve + 40 * kMiB + 100, total, kGiB, 16 * kMiB, 4096), 40 * kMiB)
        << "a smaller file, in whole units";
    EXPECT_EQ(ChooseDiskFileBytes(reserve + 40 * kMiB + 100, total, kGiB, 16 * kMiB, 65536), 40 * kMiB);
    EXPECT_EQ(ChooseDiskFileBytes(reserve + 16 * kMiB, total, kGiB, 16 * kMiB, 4096), 16 * kMiB) << "just fits";
    EXPECT_EQ(ChooseDiskFileBytes(reserve + 16 * kMiB - 1, total, kGiB, 16 * kMiB, 4096), 0u)
        << "not even the smallest";
    EXPECT_EQ(ChooseDiskFileBytes(reserve, total, kGiB, 16 * kMiB, 4096), 0u);
    EXPECT_EQ(ChooseDiskFileBytes(reserve / 2, total, kGiB, 16 * kMiB, 4096), 0u) << "less free than the reserve";
    EXPECT_EQ(ChooseDiskFileBytes(reserve + kGiB, total, kGiB, 16 * kMiB, 0), 0u);
    for (uint64_t spare = 0; spare < 64 * kMiB; spare += 777777) {
        const uint64_t size = ChooseDiskFileBytes(reserve + spare, total, kGiB, 4 * kMiB, 4096);
        ASSERT_LE(size, spare) << "free less the file stays at or above the reserve";
        ASSERT_EQ(size % 4096, 0u);
    }
}
