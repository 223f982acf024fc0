// The LZARI decoder as it stood before it was tuned for speed, kept unchanged as the reference that the program's
// decoder is compared with: the differential tests and fuzz target require the same result for any input, and
// the language benchmark times both.
#pragma once

#include <cstdint>

#include "i18n/Lzari.h"

// The same state as the program's decoder had then; a decode must start from a new object.
struct ReferenceLzariDecoder {
    uint16_t inputByte = 0;
    uint16_t bitMask = 0;
    uint32_t textSize = 0;
    uint8_t ring[kLzariRingSize] = {};
    uint16_t byteToSymbol[kLzariSymbolCount] = {};
    uint16_t symbolToByte[kLzariSymbolCount + 1] = {};
    uint16_t symbolFrequency[kLzariSymbolCount + 1] = {};
    uint16_t symbolCumulative[kLzariSymbolCount + 1] = {};
    uint16_t positionCumulative[kLzariRingSize + 1] = {};
    uint32_t low = 0;
    uint32_t high = kLzariQ4;
    uint32_t value = 0;
};

// The reference's own process-wide source and destination, used as DecoderMemory is by the program's decoder.
extern LzariMemory ReferenceDecoderMemory;

void ReferenceDecodeMemory(ReferenceLzariDecoder& decoder, const uint8_t* block, uint8_t* buffer);
