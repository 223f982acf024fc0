// The LZARI decoder that expands the embedded language resource: LZSS over a 4096-byte ring whose literals,
// match lengths and match positions are coded with an adaptive arithmetic coder.
#pragma once

#include <cstdint>

constexpr int kLzariRingSize = 4096;
constexpr int kLzariLookAhead = 60;
// Matches of this many bytes or fewer are never coded.
constexpr int kLzariThreshold = 2;
// Codes 0..255 are literal bytes, codes 256..313 matches of length code - 253.
constexpr int kLzariSymbolCount = 256 - kLzariThreshold + kLzariLookAhead;
// Ring positions below this hold spaces before the first byte, which goes here.
constexpr int kLzariFirstPosition = kLzariRingSize - kLzariLookAhead;
constexpr uint32_t kLzariQ1 = 0x8000;
constexpr uint32_t kLzariQ2 = 0x10000;
constexpr uint32_t kLzariQ3 = 0x18000;
constexpr uint32_t kLzariQ4 = 0x20000;
// Once the symbol counts add up to this, they are halved before the next update.
constexpr uint32_t kLzariFrequencyCeiling = 0x7FFF;
// The cumulative symbol counts in whole blocks of 8, so that the decoder's vector loops may read and write a
// block that starts at any symbol: entries behind 314 stay 0.
constexpr int kLzariCumulativeSlots = (kLzariSymbolCount + 1 + 7 + 7) / 8 * 8;

// Where DecodeMemory reads and writes. Process-wide, so one decode runs at a time: the caller sets sourceSize
// and destinationCapacity before a decode; DecodeMemory sets and clears the rest.
struct LzariMemory {
    const uint8_t* source = nullptr;
    uint32_t sourcePosition = 0;
    uint32_t sourceSize = 0;
    uint8_t* destination = nullptr;
    uint32_t destinationWritten = 0;
    uint32_t destinationCapacity = 0;
};

extern LzariMemory DecoderMemory;

// One decode's whole state; every table lives here, so a decode allocates nothing. A decode must start from a
// new object, since the bit reader is not reset between decodes.
struct LzariDecoder {
    uint16_t inputByte = 0;
    // The bit of inputByte read last (0x80 after its first); 0 before any byte, 1 when the byte is used up.
    uint16_t bitMask = 0;
    // The uncompressed length stated by the block; after a decode it tells how long the text is.
    uint32_t textSize = 0;
    // Zeroed, so that a damaged stream copying from positions not yet written still decodes the same way.
    uint8_t ring[kLzariRingSize] = {};
    uint16_t byteToSymbol[kLzariSymbolCount] = {};
    uint16_t symbolToByte[kLzariSymbolCount + 1] = {};
    uint16_t symbolFrequency[kLzariSymbolCount + 1] = {};
    // Entry s holds the frequencies of symbols s+1..314, so entry 0 is the total; no entry exceeds 0x7FFF.
    alignas(16) uint16_t symbolCumulative[kLzariCumulativeSlots] = {};
    uint16_t positionCumulative[kLzariRingSize + 1] = {};
    uint32_t low = 0;
    uint32_t high = kLzariQ4;
    uint32_t value = 0;
};

// Expands `block` (a 4-byte little-endian length, then the bit stream) into `buffer`, reading at most
// DecoderMemory.sourceSize bytes and storing at most DecoderMemory.destinationCapacity - 1, so one byte stays
// free for the caller's terminator. The caller learns the stated length from decoder.textSize.
void DecodeMemory(LzariDecoder& decoder, const uint8_t* block, uint8_t* buffer);
