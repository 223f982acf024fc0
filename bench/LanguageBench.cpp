// Prints how long start-up takes to expand the embedded language text and build the tables from it, and how
// small the packed block is against the text.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <memory>
#include <vector>

#include "i18n/LanguageResource.h"
#include "i18n/LanguageTables.h"
#include "i18n/Lzari.h"

namespace {

constexpr int kRounds = 200;

using Clock = std::chrono::steady_clock;

double Milliseconds(Clock::duration duration) {
    return std::chrono::duration<double, std::milli>(duration).count();
}

uint32_t DecodeOnce(std::vector<uint8_t>& buffer) {
    auto decoder = std::make_unique<LzariDecoder>();
    DecoderMemory.sourceSize = uint32_t(kLanguageResourceSize);
    DecoderMemory.destinationCapacity = uint32_t(buffer.size());
    DecodeMemory(*decoder, kLanguageResource, buffer.data());
    return decoder->textSize;
}

// The fastest and the median of kRounds runs: the fastest shows the work, the median what start-up meets.
template <typename Work>
void Report(const char* what, Work work) {
    std::vector<double> times;
    for (int round = 0; round < kRounds; ++round) {
        const auto start = Clock::now();
        work();
        times.push_back(Milliseconds(Clock::now() - start));
    }
    std::sort(times.begin(), times.end());
    std::printf("%-34s fastest %.3f ms, median %.3f ms (%d runs)\n", what, times.front(), times[times.size() / 2],
                kRounds);
}

}  // namespace

int main() {
    std::vector<uint8_t> buffer(kTextBufferBytes);
    const uint32_t textSize = DecodeOnce(buffer);
    std::printf("language text %u bytes, packed block %zu bytes (%.1f %% of the text)\n", textSize,
                kLanguageResourceSize, 100.0 * double(kLanguageResourceSize) / double(textSize));
    Report("decode the block", [&] { DecodeOnce(buffer); });
    Report("decode and build the tables", [] { LoadLanguageResource(); });
    std::printf("%d languages\n", Languages.LanguageCount);
    return 0;
}
