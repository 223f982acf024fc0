// The program's LZARI decoder against the reference decoder it was tuned from: the same stored bytes, stated
// length and decoder state for the shipped block, packed texts of every shape and damaged streams.
#include <gtest/gtest.h>

#include <memory>
#include <random>
#include <vector>

#include "LzariEncoder.h"
#include "i18n/LanguageResource.h"
#include "reference/LzariComparison.h"

namespace {

std::string CompareFresh(const std::vector<uint8_t>& block, uint32_t capacity, size_t sourceSize) {
    auto decoder = std::make_unique<LzariDecoder>();
    auto reference = std::make_unique<ReferenceLzariDecoder>();
    return CompareWithReference(*decoder, *reference, block.data(), uint32_t(sourceSize), capacity);
}

std::string CompareFresh(const std::vector<uint8_t>& block, uint32_t capacity) {
    return CompareFresh(block, capacity, block.size());
}

std::vector<uint8_t> RandomBytes(std::mt19937& random, size_t size) {
    std::vector<uint8_t> bytes(size);
    for (uint8_t& byte : bytes)
        byte = uint8_t(random());
    return bytes;
}

}  // namespace

TEST(LzariReference, TheShippedBlockDecodesAsTheReferenceDoes) {
    const std::vector<uint8_t> block(kLanguageResource, kLanguageResource + kLanguageResourceSize);
    // 61,904 bytes today; the capacities around the text's end keep and drop its last bytes.
    for (uint32_t capacity : {200000u, 61906u, 61905u, 61904u, 30000u, 2u, 1u, 0u})
        EXPECT_EQ(CompareFresh(block, capacity), "") << "capacity " << capacity;
    for (size_t sourceSize : {size_t(4), size_t(5), size_t(12), block.size() / 2, block.size() - 1})
        EXPECT_EQ(CompareFresh(block, 200000, sourceSize), "") << "source cut to " << sourceSize << " bytes";
}

TEST(LzariReference, PackedTextsOfEveryShapeDecodeAsTheReferenceDoes) {
    std::mt19937 random(1234);
    std::vector<std::vector<uint8_t>> texts = {{}, {0x41}, std::vector<uint8_t>(70000, 'A'), RandomBytes(random, 9000)};
    // Few byte values: long matches and the counts halved many times; many values: literals in every symbol.
    for (int alphabet : {2, 5, 40, 256}) {
        std::vector<uint8_t> text(30000);
        for (uint8_t& byte : text)
            byte = uint8_t(random() % alphabet);
        texts.push_back(text);
    }
    for (const std::vector<uint8_t>& text : texts) {
        const std::vector<uint8_t> block = LzariPackBlock(text.data(), text.size());
        EXPECT_EQ(CompareFresh(block, uint32_t(text.size() + 1)), "") << text.size() << " bytes";
    }
    // Every match position, with lengths that overlap their own output, reach across the ring's end and copy
    // the initial spaces and the positions nothing wrote yet.
    LzariStreamWriter writer;
    uint32_t length = 0;
    for (int position = 0; position < kLzariRingSize; ++position) {
        const int matchLength = 3 + position % 58;
        writer.PutMatch(matchLength, position);
        writer.PutLiteral(uint8_t(position));
        length += uint32_t(matchLength) + 1;
    }
    std::vector<uint8_t> block = {uint8_t(length), uint8_t(length >> 8), uint8_t(length >> 16), 0};
    const std::vector<uint8_t> stream = writer.Finish();
    block.insert(block.end(), stream.begin(), stream.end());
    EXPECT_EQ(CompareFresh(block, length + 1), "") << "every position";
    EXPECT_EQ(CompareFresh(block, length / 2), "") << "every position, buffer full halfway";
}

TEST(LzariReference, DamagedStreamsDecodeAsTheReferenceDoes) {
    std::mt19937 random(99);
    for (int round = 0; round < 1500; ++round) {
        std::vector<uint8_t> block = RandomBytes(random, random() % 300);
        // Half of them state a short length, so that they end by the length instead of the capacity.
        if (block.size() >= 4 && round % 2 == 0)
            block[2] = block[3] = 0;
        EXPECT_EQ(CompareFresh(block, uint32_t(random() % 2000)), "") << "round " << round;
    }
}

TEST(LzariReference, ADecoderUsedAgainGoesOnAsTheReferenceDoes) {
    // A second decode with the same object starts with the bits left in the first one's last byte.
    std::mt19937 random(7);
    auto decoder = std::make_unique<LzariDecoder>();
    auto reference = std::make_unique<ReferenceLzariDecoder>();
    for (int round = 0; round < 200; ++round) {
        const std::vector<uint8_t> block = RandomBytes(random, 4 + random() % 60);
        EXPECT_EQ(CompareWithReference(*decoder, *reference, block.data(), uint32_t(block.size()), random() % 400), "")
            << "decode " << round;
    }
}
