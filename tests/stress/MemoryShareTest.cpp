// The memory load's size: shares of the free memory and sizes in MiB, the floor that always stays free, the
// blocks spread over the workers, and the check before each further allocation.
#include <gtest/gtest.h>

#include <cstdint>

#include "stress/MemoryShare.h"

namespace {

constexpr uint64_t kMiB = kMebibyte;
constexpr uint64_t kGiB = 1024 * kMiB;

MemorySize Percent(int64_t percent) {
    return {MemorySizeKind::Percent, percent};
}

MemorySize Mebibytes(int64_t mebibytes) {
    return {MemorySizeKind::Mebibytes, mebibytes};
}

}  // namespace

TEST(MemoryShare, TheFloorIsHalfAGibibyteOrATenthOfThePhysicalMemory) {
    EXPECT_EQ(FreeMemoryFloor(0), 512 * kMiB);
    EXPECT_EQ(FreeMemoryFloor(4 * kGiB), 512 * kMiB);
    EXPECT_EQ(FreeMemoryFloor(5 * kGiB - 10 * kMiB), 512 * kMiB) << "a tenth is just below 512 MiB";
    EXPECT_EQ(FreeMemoryFloor(24 * kGiB), 24 * kGiB / 10);
    EXPECT_EQ(FreeMemoryFloor(2048 * kGiB), 2048 * kGiB / 10);
}

TEST(MemoryShare, SharesAndSizesAreCutToWhatIsFreeAboveTheFloor) {
    struct Case {
        const char* name;
        MemorySize size;
        uint64_t total, available;
        int workers;
        uint64_t asked, allowed;
        int takingPart;
        uint64_t block, pairs;
    } cases[] = {
        // 90 % of 20 GiB asks 18 GiB; 2.4 GiB must stay free, so 17.6 GiB, 8.8 GiB per worker in 64 MiB blocks.
        {"90 % of a quiet machine", Percent(90), 24 * kGiB, 20 * kGiB, 2, 18 * kGiB, 20 * kGiB - 24 * kGiB / 10, 2,
         64 * kMiB, (20 * kGiB - 24 * kGiB / 10) / 2 / (128 * kMiB)},
        {"50 % with room to spare", Percent(50), 16 * kGiB, 12 * kGiB, 4, 6 * kGiB, 12 * kGiB - 16 * kGiB / 10, 4,
         64 * kMiB, 12},
        {"4096 MiB", Mebibytes(4096), 16 * kGiB, 12 * kGiB, 2, 4 * kGiB, 12 * kGiB - 16 * kGiB / 10, 2, 64 * kMiB, 16},
        {"more MiB than the machine has", Mebibytes(int64_t(1) << 30), 8 * kGiB, 6 * kGiB, 1,
         (uint64_t(1) << 30) * kMiB, 6 * kGiB - 8 * kGiB / 10, 1, 64 * kMiB, (6 * kGiB - 8 * kGiB / 10) / (128 * kMiB)},
        // 600 MiB free of 4 GiB leaves 88 MiB above the floor: 22 MiB per worker, blocks of 11 MiB.
        {"a full machine", Percent(75), 4 * kGiB, 600 * kMiB, 4, 450 * kMiB, 88 * kMiB, 4, 11 * kMiB, 1},
        {"nothing free above the floor", Percent(90), 4 * kGiB, 500 * kMiB, 4, 450 * kMiB, 0, 0, 0, 0},
        {"the standard size is not planned here", MemorySize{}, 16 * kGiB, 12 * kGiB, 4, 0, 12 * kGiB - 16 * kGiB / 10,
         0, 0, 0},
        // 90 % of 513 MiB is 472,780.8 KiB; 1 MiB above the floor over 2048 processors: 8 workers get a pair of 64 KiB
        // blocks, the others none.
        {"little memory, many processors", Percent(90), 4 * kGiB, 513 * kMiB, 2048, 472780 * 1024, kMiB, 8, 64 * 1024,
         1},
    };
    for (const Case& c : cases) {
        const MemoryPlan plan = PlanMemoryLoad(c.size, c.total, c.available, c.workers);
        EXPECT_EQ(plan.askedBytes / 1024, c.asked / 1024) << c.name;
        EXPECT_EQ(plan.allowedBytes, c.allowed) << c.name;
        EXPECT_EQ(plan.workers, c.takingPart) << c.name;
        EXPECT_EQ(plan.blockBytes, c.block) << c.name;
        EXPECT_EQ(plan.pairsPerWorker, c.pairs) << c.name;
        EXPECT_EQ(plan.plannedBytes, uint64_t(plan.workers) * plan.pairsPerWorker * 2 * plan.blockBytes) << c.name;
        EXPECT_LE(plan.plannedBytes, plan.allowedBytes) << "never more than is free above the floor: " << c.name;
        EXPECT_LE(plan.plannedBytes, plan.askedBytes) << c.name;
        EXPECT_EQ(plan.blockBytes % kShareBlockUnitBytes, 0u) << c.name;
    }
}

TEST(MemoryShare, ExtremeValuesNeitherOverflowNorGoNegative) {
    const uint64_t huge = UINT64_MAX - 5;
    const MemoryPlan plan = PlanMemoryLoad(Percent(90), huge, huge, 2048);
    EXPECT_GT(plan.askedBytes, huge / 10 * 8) << "90 % of nearly 2^64 bytes, computed without overflow";
    EXPECT_LE(plan.plannedBytes, plan.allowedBytes);
    EXPECT_EQ(PlanMemoryLoad(Percent(-5), 16 * kGiB, 12 * kGiB, 4).plannedBytes, 0u);
    EXPECT_EQ(PlanMemoryLoad(Mebibytes(-1), 16 * kGiB, 12 * kGiB, 4).plannedBytes, 0u);
    EXPECT_EQ(PlanMemoryLoad(Percent(50), 16 * kGiB, 12 * kGiB, 0).plannedBytes, 0u);
    EXPECT_EQ(PlanMemoryLoad(Percent(150), 16 * kGiB, 12 * kGiB, 1).askedBytes, 12 * kGiB) << "at most all of it";
}

TEST(MemoryShare, EachFurtherBlockLeavesTheFloorAndTheOthersPendingBlocksFree) {
    EXPECT_TRUE(MayTakeMore(128 * kMiB, kGiB, 256 * kMiB, 512 * kMiB));
    EXPECT_TRUE(MayTakeMore(256 * kMiB, kGiB, 256 * kMiB, 512 * kMiB)) << "exactly the floor stays free";
    EXPECT_FALSE(MayTakeMore(257 * kMiB, kGiB, 256 * kMiB, 512 * kMiB));
    EXPECT_FALSE(MayTakeMore(128 * kMiB, kGiB, 512 * kMiB, 512 * kMiB)) << "other workers' blocks not yet in use";
    EXPECT_FALSE(MayTakeMore(UINT64_MAX, UINT64_MAX, 1, 1)) << "a sum beyond 2^64 is more than there is";
}
