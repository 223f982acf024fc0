// The LZARI compressor of the build: turns the language text into the stored block that the program expands.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

// Writes an LZARI bit stream symbol by symbol: the adaptive model of literals and match lengths, the fixed
// model of match positions and the arithmetic coder, with the same parameters as the program's decoder.
// The compressor drives it; tests drive it directly to build streams of a chosen shape.
class LzariStreamWriter {
public:
    LzariStreamWriter();
    void PutLiteral(uint8_t byte);
    // length 3..60; position 0..4095, where the copy starts position + 1 bytes behind the write position.
    void PutMatch(int length, int position);
    // Ends the stream so that any bits after it, as the decoder reads them, decode the same.
    std::vector<uint8_t> Finish();

private:
    static constexpr int kSymbols = 314;
    static constexpr int kPositions = 4096;

    void PutSymbol(int code);
    void UpdateModel(int symbol);
    void Encode(const uint16_t* cumulative, int index);
    void PutBit(int bit);
    void PutBitAndPending(int bit);

    // Model: symbol s (1..314) stands for code symbolCode_[s]; cumulative_[s] sums the frequencies above s.
    uint16_t codeSymbol_[kSymbols] = {};
    uint16_t symbolCode_[kSymbols + 1] = {};
    uint16_t frequency_[kSymbols + 1] = {};
    uint16_t cumulative_[kSymbols + 1] = {};
    uint16_t positionCumulative_[kPositions + 1] = {};
    uint32_t low_ = 0;
    uint32_t high_ = 0x20000;
    // Bits owed after the next decided bit, each its opposite.
    uint32_t pending_ = 0;
    std::vector<uint8_t> out_;
    uint8_t byte_ = 0;
    uint8_t mask_ = 0x80;
};

// The bit stream for `data`, matches found greedily over the same 4096-byte ring the decoder keeps.
std::vector<uint8_t> LzariCompress(const uint8_t* data, size_t size);

// The stored block: the length as 4 little-endian bytes, then the bit stream.
std::vector<uint8_t> LzariPackBlock(const uint8_t* data, size_t size);
