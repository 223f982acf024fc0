// The free-space rule of the real-disk load.
#include "stress/DiskSpace.h"

uint64_t DiskReserveBytes(uint64_t totalBytes) {
    const uint64_t fivePercent = totalBytes / 20 + (totalBytes % 20 != 0 ? 1 : 0);
    return fivePercent > kDiskReserveFloorBytes ? fivePercent : kDiskReserveFloorBytes;
}

uint64_t ChooseDiskFileBytes(uint64_t freeBytes,
                             uint64_t totalBytes,
                             uint64_t maxBytes,
                             uint64_t minBytes,
                             uint64_t unitBytes) {
    if (unitBytes == 0)
        return 0;
    const uint64_t reserve = DiskReserveBytes(totalBytes);
    if (freeBytes <= reserve)
        return 0;
    uint64_t size = freeBytes - reserve;
    if (size > maxBytes)
        size = maxBytes;
    // A whole number of units: an unbuffered file is written in whole sectors.
    size -= size % unitBytes;
    if (size == 0 || size < minBytes)
        return 0;
    return size;
}
