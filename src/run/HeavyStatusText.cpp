// The heavy loads' words in the status bar's second part.
#include "run/HeavyStatusText.h"

#include <cmath>
#include <cstdio>

#include "i18n/LanguageTables.h"
#include "i18n/TextArguments.h"

namespace {

constexpr int kThrottlingText = 201;
constexpr int kSlowText = 202;
const char16_t kSeparator[] = u" \u00B7 ";

std::u16string Ascii(const char* text) {
    return std::u16string(text, text + std::char_traits<char>::length(text));
}

std::u16string Number(int32_t value) {
    return Ascii(std::to_string(value).c_str());
}

// The first marked processor in its text, and how many more there are.
std::u16string Warning(int text, const ProcessorWarning& warning) {
    std::u16string part = InsertArguments(GetText(text), {Number(warning.processor), Number(warning.dropPercent)});
    if (warning.count > 1)
        part += u" +" + Number(warning.count - 1);
    return part;
}

void Append(std::u16string& out, const std::u16string& part) {
    if (!out.empty())
        out += kSeparator;
    out += part;
}

constexpr int kProcessorBits = 13;
constexpr int kDropBits = 7;
constexpr int kCountBits = 12;
constexpr uint32_t kProcessorMask = (1u << kProcessorBits) - 1;
constexpr uint32_t kDropMask = (1u << kDropBits) - 1;
constexpr uint32_t kCountMask = (1u << kCountBits) - 1;

uint32_t Held(int32_t value, uint32_t largest) {
    return value <= 0 ? 0 : uint32_t(value) > largest ? largest : uint32_t(value);
}

uint32_t PackWarning(const ProcessorWarning& warning) {
    if (warning.processor < 0 || uint32_t(warning.processor) >= kProcessorMask)
        return 0;
    return uint32_t(warning.processor + 1) | Held(warning.dropPercent, kDropMask) << kProcessorBits |
           Held(warning.count, kCountMask) << (kProcessorBits + kDropBits);
}

ProcessorWarning UnpackWarning(uint32_t packed) {
    const uint32_t processor = packed & kProcessorMask;
    if (processor == 0)
        return {};
    return {int32_t(processor) - 1, int32_t(packed >> kProcessorBits & kDropMask),
            int32_t(packed >> (kProcessorBits + kDropBits) & kCountMask)};
}

}  // namespace

uint64_t PackProcessorWarnings(const ProcessorWarning& throttling, const ProcessorWarning& slow) {
    return uint64_t(PackWarning(throttling)) | uint64_t(PackWarning(slow)) << 32;
}

void UnpackProcessorWarnings(uint64_t packed, ProcessorWarning& throttling, ProcessorWarning& slow) {
    throttling = UnpackWarning(uint32_t(packed));
    slow = UnpackWarning(uint32_t(packed >> 32));
}

std::u16string ComposeHeavyStatus(const HeavyStatus& status) {
    std::u16string out;
    if (std::isfinite(status.totalGigaflops) && status.totalGigaflops >= 0) {
        char rate[32];
        std::snprintf(rate, sizeof(rate), "%.1f GFLOPS", status.totalGigaflops);
        out = Ascii(rate);
    }
    if (status.throttling.processor >= 0)
        Append(out, Warning(kThrottlingText, status.throttling));
    if (status.slow.processor >= 0)
        Append(out, Warning(kSlowText, status.slow));
    return out;
}
