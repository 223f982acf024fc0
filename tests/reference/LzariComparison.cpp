// Decodes one block with the program's LZARI decoder and with the reference decoder and names what differs.
#include "reference/LzariComparison.h"

#include <cstring>
#include <vector>

namespace {

constexpr uint8_t kGuard = 0xAB;
constexpr uint32_t kGuardBytes = 16;

template <typename T, size_t N>
bool SameEntries(const T (&a)[N], const T* b, size_t count = N) {
    return std::memcmp(a, b, count * sizeof(T)) == 0;
}

}  // namespace

std::string CompareWithReference(LzariDecoder& decoder,
                                 ReferenceLzariDecoder& reference,
                                 const uint8_t* block,
                                 uint32_t sourceSize,
                                 uint32_t capacity) {
    std::vector<uint8_t> output(size_t(capacity) + kGuardBytes, kGuard);
    std::vector<uint8_t> expected(output);
    DecoderMemory.sourceSize = sourceSize;
    DecoderMemory.destinationCapacity = capacity;
    DecodeMemory(decoder, block, output.data());
    ReferenceDecoderMemory.sourceSize = sourceSize;
    ReferenceDecoderMemory.destinationCapacity = capacity;
    ReferenceDecodeMemory(reference, block, expected.data());

    if (output != expected)
        return "the bytes in the buffer";
    if (decoder.textSize != reference.textSize)
        return "the stated length";
    if (decoder.low != reference.low || decoder.high != reference.high || decoder.value != reference.value)
        return "the coder's low, high or value";
    if (decoder.inputByte != reference.inputByte || decoder.bitMask != reference.bitMask)
        return "the bit reader's byte or mask";
    if (!SameEntries(decoder.ring, reference.ring))
        return "the ring";
    if (!SameEntries(decoder.byteToSymbol, reference.byteToSymbol) ||
        !SameEntries(decoder.symbolToByte, reference.symbolToByte))
        return "the order of the symbols";
    if (!SameEntries(decoder.symbolFrequency, reference.symbolFrequency))
        return "the symbol frequencies";
    if (!SameEntries(reference.symbolCumulative, decoder.symbolCumulative))
        return "the cumulative symbol counts";
    if (!SameEntries(decoder.positionCumulative, reference.positionCumulative))
        return "the position model";
    const LzariMemory& memory = DecoderMemory;
    if (memory.source || memory.sourcePosition || memory.destination || memory.destinationWritten ||
        memory.sourceSize != sourceSize || memory.destinationCapacity != capacity)
        return "the memory source and destination after the decode";
    return "";
}
