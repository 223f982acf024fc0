// The build's packer against the program's decoder: compressed data comes back unchanged, and the text
// conversion of the language source refuses what is not UTF-8.
#include <gtest/gtest.h>

#include <memory>
#include <random>
#include <string>
#include <vector>

#include "LzariEncoder.h"
#include "Utf8Text.h"
#include "i18n/Lzari.h"

namespace {

std::vector<uint8_t> Unpack(const std::vector<uint8_t>& block, size_t expectedSize) {
    auto decoder = std::make_unique<LzariDecoder>();
    std::vector<uint8_t> buffer(expectedSize + 1);
    DecoderMemory.sourceSize = uint32_t(block.size());
    DecoderMemory.destinationCapacity = uint32_t(buffer.size());
    DecodeMemory(*decoder, block.data(), buffer.data());
    EXPECT_EQ(decoder->textSize, expectedSize);
    buffer.resize(expectedSize);
    return buffer;
}

struct Sample {
    std::string name;
    std::vector<uint8_t> data;
};

std::vector<Sample> Samples() {
    std::mt19937 random(20240601);
    std::vector<Sample> samples;
    samples.push_back({"empty", {}});
    samples.push_back({"one byte", {0x41}});
    samples.push_back({"two bytes", {0x20, 0x20}});
    for (size_t size : {100u, 4097u, 70000u}) {
        std::vector<uint8_t> data(size);
        for (uint8_t& byte : data)
            byte = uint8_t(random());
        samples.push_back({"random " + std::to_string(size), data});
    }
    samples.push_back({"zeros", std::vector<uint8_t>(100000, 0)});
    samples.push_back({"spaces like the initial ring", std::vector<uint8_t>(5000, ' ')});
    std::vector<uint8_t> pattern;
    for (int i = 0; i < 20000; ++i)
        pattern.push_back(uint8_t("abcabd"[i % 6]));
    samples.push_back({"short period", pattern});
    // A random block repeated at exactly the ring's size: the longest distance a match can have.
    std::vector<uint8_t> ringApart(4096);
    for (uint8_t& byte : ringApart)
        byte = uint8_t(random());
    ringApart.insert(ringApart.end(), ringApart.begin(), ringApart.begin() + 200);
    samples.push_back({"repeat at 4096", ringApart});
    // Words from a small vocabulary: matches of every length and distance, literals in between.
    std::vector<uint8_t> words;
    const char* vocabulary[] = {"stress ", "paint ", "processor ", "memory ", "disk ", "\r\n", "= ", "##"};
    while (words.size() < 60000) {
        const std::string word = vocabulary[random() % 8];
        words.insert(words.end(), word.begin(), word.end());
        if (random() % 5 == 0)
            words.push_back(uint8_t(random()));
    }
    samples.push_back({"words", words});
    return samples;
}

std::vector<uint8_t> Utf16(const std::string& utf8) {
    std::vector<uint8_t> out;
    size_t badOffset = 0;
    EXPECT_TRUE(Utf8ToUtf16Le(utf8, out, badOffset)) << "bad byte at " << badOffset;
    return out;
}

}  // namespace

TEST(LzariPacker, EveryPackedSampleDecodesToItself) {
    for (const Sample& sample : Samples()) {
        const std::vector<uint8_t> block = LzariPackBlock(sample.data.data(), sample.data.size());
        ASSERT_GE(block.size(), 4u);
        const uint32_t stated =
            uint32_t(block[0]) | uint32_t(block[1]) << 8 | uint32_t(block[2]) << 16 | uint32_t(block[3]) << 24;
        EXPECT_EQ(stated, sample.data.size()) << sample.name;
        EXPECT_EQ(Unpack(block, sample.data.size()), sample.data) << sample.name;
    }
}

TEST(LzariPacker, RepetitiveDataShrinksAndRandomDataBarelyGrows) {
    for (const Sample& sample : Samples()) {
        const size_t packed = LzariPackBlock(sample.data.data(), sample.data.size()).size();
        // Literals alone would take about a quarter of the short period and half of the words.
        if (sample.name == "short period") {
            EXPECT_LT(packed * 20, sample.data.size()) << sample.name << " packs to " << packed;
        }
        if (sample.name == "words") {
            EXPECT_LT(packed * 4, sample.data.size()) << sample.name << " packs to " << packed;
        }
        if (sample.name == "random 70000") {
            EXPECT_LT(packed, sample.data.size() * 102 / 100) << sample.name << " packs to " << packed;
        }
    }
}

TEST(Utf8Text, ConvertsToUtf16LittleEndianBehindAByteOrderMark) {
    EXPECT_EQ(Utf16(""), (std::vector<uint8_t>{0xFF, 0xFE}));
    EXPECT_EQ(Utf16("A\r\n"), (std::vector<uint8_t>{0xFF, 0xFE, 'A', 0, '\r', 0, '\n', 0}));
    // Two-, three- and four-byte sequences; the last becomes a surrogate pair.
    EXPECT_EQ(Utf16("\xC3\xBC\xE4\xB8\xAD\xF0\x9F\x98\x80"),
              (std::vector<uint8_t>{0xFF, 0xFE, 0xFC, 0x00, 0x2D, 0x4E, 0x3D, 0xD8, 0x00, 0xDE}));
    EXPECT_EQ(Utf16("\xEF\xBB\xBFx"), (std::vector<uint8_t>{0xFF, 0xFE, 'x', 0})) << "the mark is not doubled";
}

TEST(Utf8Text, RefusesWhatIsNotUtf8) {
    const struct {
        const char* name;
        std::string bytes;
        size_t badOffset;
    } cases[] = {
        {"lone continuation byte", "ab\x80", 2},
        {"overlong slash", "\xC0\xAF", 0},
        {"overlong three bytes", "x\xE0\x80\xAF", 1},
        {"surrogate", "\xED\xA0\x80", 0},
        {"beyond U+10FFFF", "\xF4\x90\x80\x80", 0},
        {"cut off at the end", "ok\xE4\xB8", 2},
        {"cut off by another lead byte", "\xC3\xC3\xBC", 0},
        {"latin-1 text", "Gr\xFC\xDF", 2},
    };
    for (const auto& c : cases) {
        std::vector<uint8_t> out;
        size_t badOffset = 999;
        EXPECT_FALSE(Utf8ToUtf16Le(c.bytes, out, badOffset)) << c.name;
        EXPECT_EQ(badOffset, c.badOffset) << c.name;
    }
}
