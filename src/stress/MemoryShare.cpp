// The memory load's size: the share of the free memory, the floor left free, and the blocks per worker.
#include "stress/MemoryShare.h"

#include <algorithm>

namespace {

uint64_t AskedBytes(const MemorySize& size, uint64_t availableBytes) {
    switch (size.kind) {
        case MemorySizeKind::Standard:
            return 0;
        case MemorySizeKind::Percent: {
            const uint64_t percent = uint64_t(std::clamp<int64_t>(size.amount, 0, 100));
            // Divided first: no overflow for any memory size.
            return availableBytes / 100 * percent + availableBytes % 100 * percent / 100;
        }
        case MemorySizeKind::Mebibytes: {
            const uint64_t mebibytes = uint64_t(std::max<int64_t>(size.amount, 0));
            return mebibytes > UINT64_MAX / kMebibyte ? UINT64_MAX : mebibytes * kMebibyte;
        }
    }
    return 0;
}

}  // namespace

uint64_t FreeMemoryFloor(uint64_t totalPhysicalBytes) {
    return std::max(kMinimumFreeBytes, totalPhysicalBytes / kMinimumFreeDivisor);
}

MemoryPlan PlanMemoryLoad(const MemorySize& size,
                          uint64_t totalPhysicalBytes,
                          uint64_t availablePhysicalBytes,
                          int workers) {
    MemoryPlan plan;
    plan.askedBytes = AskedBytes(size, availablePhysicalBytes);
    const uint64_t floor = FreeMemoryFloor(totalPhysicalBytes);
    plan.allowedBytes = availablePhysicalBytes > floor ? availablePhysicalBytes - floor : 0;
    const uint64_t target = std::min(plan.askedBytes, plan.allowedBytes);
    // With little memory on many processors, only as many workers as get a pair of the smallest blocks.
    const uint64_t smallestPair = 2 * kShareBlockUnitBytes;
    plan.workers = int(std::min<uint64_t>(uint64_t(std::max(workers, 0)), target / smallestPair));
    if (plan.workers == 0)
        return plan;
    const uint64_t perWorker = target / uint64_t(plan.workers);
    // The largest block that still gives each worker one pair, in whole units.
    const uint64_t block =
        std::min(kLargestShareBlockBytes, perWorker / 2) / kShareBlockUnitBytes * kShareBlockUnitBytes;
    plan.blockBytes = block;
    plan.pairsPerWorker = perWorker / (2 * block);
    plan.plannedBytes = uint64_t(plan.workers) * plan.pairsPerWorker * 2 * block;
    return plan;
}

bool MayTakeMore(uint64_t bytes, uint64_t availableBytes, uint64_t pendingBytes, uint64_t floorBytes) {
    // A sum beyond 2^64 bytes is more than any machine has.
    if (pendingBytes > UINT64_MAX - floorBytes || bytes > UINT64_MAX - floorBytes - pendingBytes)
        return false;
    return availableBytes >= floorBytes + pendingBytes + bytes;
}
