// Prints how long start-up takes to expand the embedded language text and build the tables from it, beside
// the 1 ms aimed for and beside the decoder the program had before (kept in tests/reference), and how small the
// packed block is against the text.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <memory>
#include <vector>

#include "i18n/LanguageResource.h"
#include "i18n/LanguageTables.h"
#include "i18n/Lzari.h"
#include "reference/LzariReference.h"

namespace {

// Rounds of each measurement, taken in turns so that a busy moment of the machine falls on all of them alike.
constexpr int kRounds = 1000;
constexpr double kGoalMilliseconds = 1.0;

using Clock = std::chrono::steady_clock;

uint32_t DecodeOnce(uint8_t* buffer) {
    auto decoder = std::make_unique<LzariDecoder>();
    DecoderMemory.sourceSize = uint32_t(kLanguageResourceSize);
    DecoderMemory.destinationCapacity = uint32_t(kTextBufferBytes);
    DecodeMemory(*decoder, kLanguageResource, buffer);
    return decoder->textSize;
}

uint32_t ReferenceDecodeOnce(uint8_t* buffer) {
    auto decoder = std::make_unique<ReferenceLzariDecoder>();
    ReferenceDecoderMemory.sourceSize = uint32_t(kLanguageResourceSize);
    ReferenceDecoderMemory.destinationCapacity = uint32_t(kTextBufferBytes);
    ReferenceDecodeMemory(*decoder, kLanguageResource, buffer);
    return decoder->textSize;
}

// What LoadLanguageResource does, with the old decoder: expand into the text buffer, build the tables over it.
void ReferenceStartup(std::vector<char16_t>& text) {
    const uint32_t textSize = ReferenceDecodeOnce(reinterpret_cast<uint8_t*>(text.data()));
    BuildLanguageTables(text.data(), textSize);
}

// The tables alone, over a fresh copy of the expanded text, since building them writes terminators into it.
void BuildTablesOnce(const std::vector<char16_t>& expanded, uint32_t textSize, std::vector<char16_t>& text) {
    std::memcpy(text.data(), expanded.data(), textSize);
    BuildLanguageTables(text.data(), textSize);
}

struct Times {
    std::vector<double> milliseconds;

    template <typename Work>
    void Add(Work work) {
        const auto start = Clock::now();
        work();
        milliseconds.push_back(std::chrono::duration<double, std::milli>(Clock::now() - start).count());
    }
    double Fastest() {
        std::sort(milliseconds.begin(), milliseconds.end());
        return milliseconds.front();
    }
    double Median() {
        std::sort(milliseconds.begin(), milliseconds.end());
        return milliseconds[milliseconds.size() / 2];
    }
};

void PrintRow(const char* figure,
              Times& times,
              const char* reference,
              double referenceMedian,
              double referenceFastest) {
    std::printf("%-28s %7.3f %7.3f   %-28s %7.3f %7.3f   %6.2f %6.2f\n", figure, times.Median(), times.Fastest(),
                reference, referenceMedian, referenceFastest, times.Median() / referenceMedian,
                times.Fastest() / referenceFastest);
}

void PrintRow(const char* figure, Times& times, const char* reference, Times& referenceTimes) {
    PrintRow(figure, times, reference, referenceTimes.Median(), referenceTimes.Fastest());
}

}  // namespace

int main() {
    const size_t units = kTextBufferBytes / sizeof(char16_t);
    std::vector<char16_t> expanded(units), referenceExpanded(units), text(units);
    const uint32_t textSize = DecodeOnce(reinterpret_cast<uint8_t*>(expanded.data()));
    const bool same = ReferenceDecodeOnce(reinterpret_cast<uint8_t*>(referenceExpanded.data())) == textSize &&
                      expanded == referenceExpanded;
    std::printf(
        "language text %u bytes, packed block %zu bytes (%.1f %% of the text); the old and the new decoder "
        "%s\n",
        textSize, kLanguageResourceSize, 100.0 * double(kLanguageResourceSize) / double(textSize),
        same ? "give the same bytes" : "DIFFER");

    Times decode, oldDecode, tables, startup, oldStartup;
    for (int round = 0; round < kRounds; ++round) {
        decode.Add([&] { DecodeOnce(reinterpret_cast<uint8_t*>(text.data())); });
        oldDecode.Add([&] { ReferenceDecodeOnce(reinterpret_cast<uint8_t*>(text.data())); });
        tables.Add([&] { BuildTablesOnce(expanded, textSize, text); });
        oldStartup.Add([&] { ReferenceStartup(text); });
        startup.Add([] { LoadLanguageResource(); });
    }

    std::printf("\n%d rounds of each, in turns. Times in ms, median and fastest; ratio = figure / reference.\n",
                kRounds);
    std::printf("%-28s %7s %7s   %-28s %7s %7s   %6s %6s\n", "figure", "median", "fastest", "reference", "median",
                "fastest", "median", "fastest");
    PrintRow("decode the block", decode, "old decoder", oldDecode);
    PrintRow("decode and build the tables", startup, "goal", kGoalMilliseconds, kGoalMilliseconds);
    PrintRow("decode and build the tables", startup, "old decoder and the tables", oldStartup);
    PrintRow("build the tables", tables, "decode and build the tables", startup);
    std::printf("%d languages\n", Languages.LanguageCount);
    return same ? 0 : 1;
}
