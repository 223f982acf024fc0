// The rule that keeps the real-disk load from filling a volume: before each file, the free space less the file's
// size must leave at least max(1 GiB, 5 % of the volume) free.
#pragma once

#include <cstdint>

constexpr uint64_t kDiskReserveFloorBytes = uint64_t(1) << 30;

// What must stay free on a volume of `totalBytes`: the larger of 1 GiB and 5 % of it (rounded up).
uint64_t DiskReserveBytes(uint64_t totalBytes);

// The size of the next file: the largest multiple of `unitBytes` up to `maxBytes` that leaves the reserve free,
// and 0 when no such size of at least `minBytes` is left (or `unitBytes` is 0).
uint64_t ChooseDiskFileBytes(uint64_t freeBytes,
                             uint64_t totalBytes,
                             uint64_t maxBytes,
                             uint64_t minBytes,
                             uint64_t unitBytes);
