// Fuzz target: any bytes as a stored block must decode inside the buffers and exactly as the reference decoder
// decodes them, and any bytes packed by the build's compressor must decode to themselves.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <vector>

#include "LzariEncoder.h"
#include "i18n/Lzari.h"
#include "reference/LzariComparison.h"

namespace {

constexpr uint8_t kUntouched = 0xAB;
// Bounds the work per input: a damaged length stops at the capacity.
constexpr uint32_t kLargestCapacity = 4096;
constexpr size_t kLargestRoundTrip = 4096;

void DecodeAsBlock(const uint8_t* data, size_t size) {
    if (size < 2)
        return;
    const uint32_t capacity = (uint32_t(data[0]) | uint32_t(data[1]) << 8) % (kLargestCapacity + 1);
    // Exactly as long as stated, so the sanitizer sees any read or write past either end.
    const std::vector<uint8_t> block(data + 2, data + size);
    std::vector<uint8_t> buffer(capacity, kUntouched);
    auto decoder = std::make_unique<LzariDecoder>();
    DecoderMemory.sourceSize = uint32_t(block.size());
    DecoderMemory.destinationCapacity = capacity;
    DecodeMemory(*decoder, block.data(), buffer.data());
    if (capacity > 0 && buffer[capacity - 1] != kUntouched)
        std::abort();  // the terminator's byte must stay free
    if (DecoderMemory.source || DecoderMemory.destination)
        std::abort();
    // The same block again, now beside the reference: bytes, stated length and decoder state must agree.
    auto fresh = std::make_unique<LzariDecoder>();
    auto reference = std::make_unique<ReferenceLzariDecoder>();
    if (!CompareWithReference(*fresh, *reference, block.data(), uint32_t(block.size()), capacity).empty())
        std::abort();
}

void RoundTrip(const uint8_t* data, size_t size) {
    if (size > kLargestRoundTrip)
        return;
    const std::vector<uint8_t> block = LzariPackBlock(data, size);
    std::vector<uint8_t> buffer(size + 1);
    auto decoder = std::make_unique<LzariDecoder>();
    DecoderMemory.sourceSize = uint32_t(block.size());
    DecoderMemory.destinationCapacity = uint32_t(buffer.size());
    DecodeMemory(*decoder, block.data(), buffer.data());
    if (decoder->textSize != size || (size > 0 && std::memcmp(buffer.data(), data, size) != 0))
        std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    DecodeAsBlock(data, size);
    RoundTrip(data, size);
    return 0;
}
