// CRC-32C (Castagnoli), the checksum of the real-disk load's sectors: the processor's crc32 instruction where it
// has one (chosen once, at first use), a table otherwise. Windows offers no CRC-32C of its own.
#pragma once

#include <cstddef>
#include <cstdint>

// The checksum of `bytes` bytes, continued from `crc` (0 for a fresh start): Crc32c("123456789") is 0xE3069283.
uint32_t Crc32c(const void* data, size_t bytes, uint32_t crc = 0);

// The checksums of `count` spans of `bytes` bytes each, the spans `stride` bytes apart, into crcs[0..count).
// Spans are independent, so the instruction path runs four of them side by side and hides the instruction's latency:
// this is what makes checking a block of sectors cheap.
void Crc32cSpans(const uint8_t* first, size_t stride, size_t bytes, size_t count, uint32_t* crcs);

// Whether the instruction path is in use; the table path gives the same results.
bool Crc32cUsesInstruction();

// The table path alone, for the tests that hold the two paths against each other.
uint32_t Crc32cByTable(const void* data, size_t bytes, uint32_t crc = 0);
