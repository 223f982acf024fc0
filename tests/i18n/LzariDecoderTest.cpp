// The LZARI decoder on streams of a chosen shape: the length field, the buffer's capacity, literals, matches into
// the initial spaces, the model's halving and reordering, and damaged input.
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "LzariEncoder.h"
#include "i18n/Lzari.h"

namespace {

constexpr uint8_t kGuard = 0xAB;
constexpr size_t kGuardBytes = 16;

std::vector<uint8_t> Bytes(const std::string& text) {
    return std::vector<uint8_t>(text.begin(), text.end());
}

std::vector<uint8_t> BlockOf(uint32_t textSize, const std::vector<uint8_t>& stream) {
    std::vector<uint8_t> block(4 + stream.size());
    for (int i = 0; i < 4; ++i)
        block[size_t(i)] = uint8_t(textSize >> (8 * i));
    std::copy(stream.begin(), stream.end(), block.begin() + 4);
    return block;
}

std::vector<uint8_t> LiteralBlock(const std::vector<uint8_t>& text) {
    LzariStreamWriter writer;
    for (uint8_t byte : text)
        writer.PutLiteral(byte);
    return BlockOf(uint32_t(text.size()), writer.Finish());
}

// One decode as the loader runs it: a fresh decoder, the source size and capacity set first. The buffer has
// guard bytes behind the capacity; `stored` is the buffer up to the capacity.
struct Decoded {
    std::unique_ptr<LzariDecoder> decoder = std::make_unique<LzariDecoder>();
    std::vector<uint8_t> buffer;
    std::vector<uint8_t> stored;
    bool guardIntact = true;
};

Decoded Decode(const std::vector<uint8_t>& block, uint32_t capacity, size_t sourceSize) {
    Decoded result;
    result.buffer.assign(capacity + kGuardBytes, kGuard);
    DecoderMemory.sourceSize = uint32_t(sourceSize);
    DecoderMemory.destinationCapacity = capacity;
    DecodeMemory(*result.decoder, block.data(), result.buffer.data());
    result.stored.assign(result.buffer.begin(), result.buffer.begin() + capacity);
    for (size_t i = capacity; i < result.buffer.size(); ++i)
        result.guardIntact = result.guardIntact && result.buffer[i] == kGuard;
    return result;
}

Decoded Decode(const std::vector<uint8_t>& block, uint32_t capacity) {
    return Decode(block, capacity, block.size());
}

// The decoded text when the capacity has room for all of it and the terminator's byte.
std::vector<uint8_t> DecodeAll(const std::vector<uint8_t>& block, uint32_t textSize) {
    Decoded decoded = Decode(block, textSize + 1);
    EXPECT_TRUE(decoded.guardIntact);
    EXPECT_EQ(decoded.decoder->textSize, textSize);
    decoded.stored.resize(textSize);
    return decoded.stored;
}

std::string AsString(const std::vector<uint8_t>& bytes) {
    return std::string(bytes.begin(), bytes.end());
}

}  // namespace

TEST(LzariDecoder, ALengthOfZeroWritesNothing) {
    const std::vector<uint8_t> stream = LiteralBlock(Bytes("some text"));
    const std::vector<uint8_t> block = BlockOf(0, std::vector<uint8_t>(stream.begin() + 4, stream.end()));
    Decoded decoded = Decode(block, 64);
    EXPECT_EQ(decoded.decoder->textSize, 0u);
    EXPECT_EQ(decoded.stored, std::vector<uint8_t>(64, kGuard));
    EXPECT_TRUE(decoded.guardIntact);
}

TEST(LzariDecoder, ASourceShorterThanItsLengthFieldStatesNoText) {
    for (size_t size = 0; size < 4; ++size) {
        // Exactly as long as the source claims, so a read past its end is a fault the sanitizer sees.
        const std::vector<uint8_t> block(size, 0x05);
        Decoded decoded = Decode(block, 16);
        EXPECT_EQ(decoded.decoder->textSize, 0u) << "source of " << size << " bytes";
        EXPECT_EQ(decoded.stored, std::vector<uint8_t>(16, kGuard)) << "source of " << size << " bytes";
    }
}

TEST(LzariDecoder, TheCapacityKeepsOneByteFreeAndTheStatedLengthStays) {
    const std::string text = "The quick brown fox jumps over the lazy dog; the dog sleeps on.";
    const std::vector<uint8_t> block = LzariPackBlock(reinterpret_cast<const uint8_t*>(text.data()), text.size());
    for (uint32_t capacity = 0; capacity <= text.size() + 3; ++capacity) {
        Decoded decoded = Decode(block, capacity);
        const size_t expectedStored = capacity == 0 ? 0 : std::min<size_t>(capacity - 1, text.size());
        EXPECT_EQ(decoded.decoder->textSize, text.size()) << "capacity " << capacity;
        EXPECT_EQ(AsString(decoded.stored).substr(0, expectedStored), text.substr(0, expectedStored))
            << "capacity " << capacity;
        EXPECT_EQ(std::vector<uint8_t>(decoded.stored.begin() + expectedStored, decoded.stored.end()),
                  std::vector<uint8_t>(capacity - expectedStored, kGuard))
            << "capacity " << capacity << ": bytes beyond the stored ones are untouched";
        EXPECT_TRUE(decoded.guardIntact) << "capacity " << capacity;
    }
}

TEST(LzariDecoder, TheMemorySourceAndDestinationAreClearedAfterADecode) {
    const std::vector<uint8_t> block = LiteralBlock(Bytes("abc"));
    Decode(block, 10);
    EXPECT_EQ(DecoderMemory.source, nullptr);
    EXPECT_EQ(DecoderMemory.sourcePosition, 0u);
    EXPECT_EQ(DecoderMemory.destination, nullptr);
    EXPECT_EQ(DecoderMemory.destinationWritten, 0u);
    EXPECT_EQ(DecoderMemory.sourceSize, block.size()) << "the caller's size stays";
    EXPECT_EQ(DecoderMemory.destinationCapacity, 10u) << "the caller's capacity stays";
}

TEST(LzariDecoder, ALiteralOnlyStreamDecodesEveryByteValue) {
    std::vector<uint8_t> text;
    for (int round = 0; round < 3; ++round) {
        for (int byte = 0; byte < 256; ++byte)
            text.push_back(uint8_t(round == 1 ? 255 - byte : byte));
    }
    EXPECT_EQ(DecodeAll(LiteralBlock(text), uint32_t(text.size())), text);
}

TEST(LzariDecoder, MatchesCopyFromTheInitialSpacesAndFromThemselves) {
    LzariStreamWriter writer;
    writer.PutLiteral('x');
    writer.PutLiteral('y');
    writer.PutMatch(3, 9);  // ten back from the third byte: ring positions 4028..4030, all spaces
    writer.PutMatch(6, 6);  // two initial spaces, then "xy  " from the start of the text
    writer.PutMatch(5, 3);  // four back and one byte longer: the copy reads the byte it wrote itself
    const std::vector<uint8_t> block = BlockOf(16, writer.Finish());
    EXPECT_EQ(AsString(DecodeAll(block, 16)), "xy     xy  xy  x");
}

TEST(LzariDecoder, RingPositionsNotYetWrittenReadAsZero) {
    LzariStreamWriter writer;
    writer.PutMatch(3, 4095);  // 4096 back from the first byte: positions 4036.. that nothing wrote yet
    const std::vector<uint8_t> block = BlockOf(3, writer.Finish());
    EXPECT_EQ(DecodeAll(block, 3), std::vector<uint8_t>(3, 0));
}

TEST(LzariDecoder, BitsPastTheEndOfTheSourceReadAsOne) {
    // With nothing but ones the value stays at the top of every interval: always symbol 1, which is code 0.
    EXPECT_EQ(DecodeAll(BlockOf(5, {}), 5), std::vector<uint8_t>(5, 0));
    // A source cut short reads ones where its bytes are missing, never the bytes after its stated size.
    const std::vector<uint8_t> full = LiteralBlock(Bytes("stress all the processors"));
    std::vector<uint8_t> cutWithOnes(full.begin(), full.begin() + 6);
    cutWithOnes.insert(cutWithOnes.end(), 64, 0xFF);
    const std::vector<uint8_t> cut = Decode(full, 64, 6).stored;
    EXPECT_EQ(cut, Decode(cutWithOnes, 64).stored);
    EXPECT_NE(AsString(cut).substr(0, 25), "stress all the processors");
}

TEST(LzariDecoder, ASymbolTradesPlacesWithTheLowestOfItsRunOfEqualCounts) {
    const auto decodeText = [](const std::string& text) {
        auto decoded = Decode(LiteralBlock(Bytes(text)), uint32_t(text.size() + 1));
        EXPECT_EQ(AsString(decoded.stored).substr(0, text.size()), text);
        return std::move(decoded.decoder);
    };
    // At first code c is symbol c + 1 and every count is 1: "B" (symbol 67) moves to the front, symbol 1.
    auto decoder = decodeText("B");
    EXPECT_EQ(decoder->symbolToByte[1], 'B');
    EXPECT_EQ(decoder->byteToSymbol['B'], 1);
    EXPECT_EQ(decoder->symbolToByte[67], 0);
    EXPECT_EQ(decoder->byteToSymbol[0], 67);
    EXPECT_EQ(decoder->symbolFrequency[1], 2);
    EXPECT_EQ(decoder->symbolCumulative[0], 315);

    // "A" (symbol 66) heads the run of count 1 that starts at symbol 2.
    decoder = decodeText("BA");
    EXPECT_EQ(decoder->symbolToByte[2], 'A');
    EXPECT_EQ(decoder->byteToSymbol['A'], 2);
    EXPECT_EQ(decoder->symbolToByte[66], 1);
    EXPECT_EQ(decoder->byteToSymbol[1], 66);

    // A second "A" ties with "B" at count 2 and takes symbol 1 before its count grows to 3.
    decoder = decodeText("BAA");
    EXPECT_EQ(decoder->symbolToByte[1], 'A');
    EXPECT_EQ(decoder->symbolToByte[2], 'B');
    EXPECT_EQ(decoder->byteToSymbol['A'], 1);
    EXPECT_EQ(decoder->byteToSymbol['B'], 2);
    EXPECT_EQ(decoder->symbolFrequency[1], 3);
    EXPECT_EQ(decoder->symbolFrequency[2], 2);
    EXPECT_EQ(decoder->symbolCumulative[1], 2 + 312);
    EXPECT_EQ(decoder->symbolCumulative[0], 317);
}

TEST(LzariDecoder, CountsAreHalvedBeforeTheUpdateThatFindsTheCeiling) {
    // One "B", then "A"s: "A" becomes symbol 1 with count n, "B" symbol 2 with count 2. After 32,453 symbols
    // the total is 32,767 and "A" holds the odd count 32,453, so halving before or after the increment differ.
    const auto decodeText = [](size_t length) {
        std::string text(length, 'A');
        text[0] = 'B';
        auto decoded = Decode(LiteralBlock(Bytes(text)), uint32_t(text.size() + 1));
        EXPECT_EQ(AsString(decoded.stored).substr(0, text.size()), text) << length << " bytes";
        return std::move(decoded.decoder);
    };
    auto decoder = decodeText(32453);
    EXPECT_EQ(decoder->symbolCumulative[0], 32767) << "not halved yet";
    EXPECT_EQ(decoder->symbolFrequency[1], 32453);
    EXPECT_EQ(decoder->symbolToByte[1], 'A');

    decoder = decodeText(32454);
    EXPECT_EQ(decoder->symbolFrequency[1], (32453 + 1) / 2 + 1) << "halved, then counted";
    EXPECT_EQ(decoder->symbolFrequency[2], 1) << "count 2 halves to 1";
    EXPECT_EQ(decoder->symbolFrequency[3], 1) << "count 1 stays 1";
    EXPECT_EQ(decoder->symbolCumulative[0], 16228 + 313);
    EXPECT_EQ(decoder->symbolCumulative[1], 313);
    EXPECT_EQ(decoder->symbolCumulative[313], 1);
    EXPECT_EQ(decoder->symbolCumulative[314], 0);

    // Past many halvings the stream still decodes.
    decodeText(100000);
}

TEST(LzariDecoder, ThePositionModelIsFixed) {
    auto decoded = Decode(LiteralBlock(Bytes("x")), 4);
    const uint16_t* cumulative = decoded.decoder->positionCumulative;
    EXPECT_EQ(cumulative[0], 28568);
    EXPECT_EQ(cumulative[4096], 0);
    EXPECT_EQ(cumulative[4095], 10000 / 4296);
    EXPECT_EQ(cumulative[0] - cumulative[1], 10000 / 201);
}

TEST(LzariDecoder, DamagedStreamsStayInsideTheirBuffers) {
    std::mt19937 random(4711);
    for (int round = 0; round < 300; ++round) {
        std::vector<uint8_t> block(random() % 64);
        for (uint8_t& byte : block)
            byte = uint8_t(random());
        // Lengths up to 4 GiB are cut off by the capacity, not decoded to the end.
        const uint32_t capacity = uint32_t(random() % 300);
        Decoded decoded = Decode(block, capacity);
        EXPECT_TRUE(decoded.guardIntact) << "round " << round;
        if (capacity > 0) {
            EXPECT_EQ(decoded.stored[capacity - 1], kGuard) << "round " << round << ": the last byte stays free";
        }
    }
}
