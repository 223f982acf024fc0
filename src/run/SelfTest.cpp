// The detector self-test: the processor check, the verified memory copy and the hardware error reader, each given
// one wrong result of the kind it exists to find.
#include "run/SelfTest.h"

#include <chrono>
#include <cinttypes>
#include <cstdarg>
#include <cstdio>
#include <memory>
#include <span>

#include "i18n/LanguageTables.h"
#include "run/RunRecord.h"
#include "run/RunStatusText.h"
#include "run/WheaEvent.h"
#include "stress/CpuWorker.h"
#include "stress/LoadFault.h"
#include "stress/VerifiedCopy.h"

const char16_t kRecordedWheaEventXml[] =
    u"<Event xmlns='http://schemas.microsoft.com/win/2004/08/events/event'><System>"
    u"<Provider Name='Microsoft-Windows-WHEA-Logger' Guid='{c26c4f3c-3f66-4e99-8f8a-39405cfed220}'/>"
    u"<EventID>19</EventID><Version>0</Version><Level>3</Level><Task>0</Task><Opcode>0</Opcode>"
    u"<Keywords>0x8000000000000000</Keywords><TimeCreated SystemTime='2024-03-05T14:12:09.3456789Z'/>"
    u"<EventRecordID>48213</EventRecordID><Channel>System</Channel><Computer>BENCH-07</Computer>"
    u"<Security UserID='S-1-5-19'/></System><EventData><Data Name='ErrorSource'>1</Data>"
    u"<Data Name='ApicId'>4</Data><Data Name='MCABank'>0</Data><Data Name='MciStat'>0x90000040000f0005</Data>"
    u"<Data Name='MciAddr'>0x0</Data><Data Name='MciMisc'>0x0</Data><Data Name='ErrorType'>12</Data>"
    u"</EventData></Event>";

namespace {

using Clock = std::chrono::steady_clock;

constexpr int32_t kPassesPerCall = 1000000;
constexpr int kWrongCall = 2;
constexpr size_t kBlockBytes = 16u * 1024u * 1024u;
// The two flips: a bit that holds 1 before the third pass, a bit that holds 0 before the sixth.
constexpr uint64_t kFirstFlipPass = 3;
constexpr uint64_t kSecondFlipPass = 6;
constexpr size_t kFirstFlipWord = 0x0ABCDE5 / 8;
constexpr size_t kSecondFlipWord = kBlockBytes / 8 - 3;

constexpr char16_t kInformationalEvent[] =
    u"<Event><System><Provider Name='Microsoft-Windows-WHEA-Logger'/><EventID>3</EventID><Level>4</Level>"
    u"</System></Event>";

bool TimeLeft(Clock::time_point start, int64_t milliseconds) {
    return Clock::now() - start < std::chrono::milliseconds(milliseconds);
}

std::string Printed(const char* format, ...) {
    char text[200];
    va_list arguments;
    va_start(arguments, format);
    std::vsnprintf(text, sizeof(text), format, arguments);
    va_end(arguments);
    return text;
}

// A wrong sum in one call: exactly that call must be flagged, and no other.
DetectorResult CheckAdditionDetector(int64_t milliseconds) {
    DetectorResult result;
    result.nameText = kTextWrongSumDetector;
    const Clock::time_point start = Clock::now();
    int calls = 0, flagged = 0, flaggedInjected = 0;
    for (; calls <= kWrongCall || TimeLeft(start, milliseconds); ++calls) {
        MegaAddSums sums;
        MegaAdder.MegaAdd(kPassesPerCall, sums);
        if (calls == kWrongCall)
            sums.value[1] = MegaAddSum(uint64_t(sums.value[1]) + 1);
        LoadFault fault;
        if (CheckMegaAddSums(sums, kPassesPerCall, fault))
            continue;
        ++flagged;
        if (calls == kWrongCall) {
            ++flaggedInjected;
            result.detail = fault.detail;
        }
    }
    result.caught = flagged == 1 && flaggedInjected == 1;
    if (!result.caught)
        result.detail =
            Printed("%d of %d calls flagged, the wrong one %s", flagged, calls, flaggedInjected ? "among them" : "not");
    return result;
}

struct Mismatches {
    int count = 0;
    MemoryMismatch first[2];
};

void Collect(void* context, const MemoryMismatch& mismatch) {
    auto& found = *static_cast<Mismatches*>(context);
    if (found.count < 2)
        found.first[found.count] = mismatch;
    ++found.count;
}

// Flips the lowest bit of the word that holds `value` (1 or 0) in the block the next pass reads; returns its mask.
uint64_t FlipBitHolding(VerifiedBlocks& blocks, size_t word, int value) {
    const uint64_t expected = ExpectedWord(blocks, blocks.passes, word);
    uint64_t mask = 1;
    while (mask && ((expected & mask) != 0) != (value == 1))
        mask <<= 1;
    blocks.block[blocks.passes & 1][word] ^= mask;
    return mask;
}

bool Matches(const MemoryMismatch& found, size_t word, uint64_t mask) {
    return found.offset == word * 8 && (found.expected ^ found.actual) == mask;
}

// Two flipped bits at rest, one each way: both must be found at their offsets, and nothing else in any pass.
DetectorResult CheckMemoryDetector(int64_t milliseconds) {
    DetectorResult result;
    result.nameText = kTextFlippedBitDetector;
    const auto memory = std::make_unique<uint64_t[]>(2 * kBlockBytes / 8);
    VerifiedBlocks blocks;
    blocks.block[0] = memory.get();
    blocks.block[1] = memory.get() + kBlockBytes / 8;
    blocks.bytes = kBlockBytes;
    StartVerifiedBlocks(blocks, uint64_t(Clock::now().time_since_epoch().count()));
    Mismatches found;
    const MismatchSink sink = {Collect, &found};
    uint64_t firstMask = 0, secondMask = 0;
    const Clock::time_point start = Clock::now();
    while (blocks.passes <= kSecondFlipPass + 1 || TimeLeft(start, milliseconds)) {
        if (blocks.passes == kFirstFlipPass)
            firstMask = FlipBitHolding(blocks, kFirstFlipWord, 1);
        if (blocks.passes == kSecondFlipPass)
            secondMask = FlipBitHolding(blocks, kSecondFlipWord, 0);
        VerifiedCopyPass(blocks, sink);
    }
    result.caught = found.count == 2 && Matches(found.first[0], kFirstFlipWord, firstMask) &&
                    Matches(found.first[1], kSecondFlipWord, secondMask);
    result.detail = result.caught
                        ? Printed("offsets 0x%zx (1 to 0) and 0x%zx (0 to 1) in %" PRIu64 " passes",
                                  found.first[0].offset, found.first[1].offset, blocks.passes)
                        : Printed("%d wrong words found in %" PRIu64 " passes, 2 expected", found.count, blocks.passes);
    return result;
}

// A recorded hardware error must count, with its id and processor; an informational event of the same logger
// must not.
DetectorResult CheckHardwareLogDetector(int64_t) {
    DetectorResult result;
    result.nameText = kTextWheaEventDetector;
    LoggedEvent recorded, informational;
    const bool read = ParseEventXml(kRecordedWheaEventXml, recorded);
    const bool quiet = ParseEventXml(kInformationalEvent, informational) && !IsHardwareErrorEvent(informational);
    result.caught =
        read && quiet && IsHardwareErrorEvent(recorded) && recorded.eventId == 19 && EventProcessor(recorded) == 4;
    RunError error;
    DescribeHardwareError(recorded, error);
    result.detail = result.caught ? std::string(error.detail) : "the recorded event was not read as an error";
    return result;
}

using DetectorCheck = DetectorResult (*)(int64_t milliseconds);

constexpr DetectorCheck kDetectorChecks[kSelfTestDetectors] = {CheckAdditionDetector, CheckMemoryDetector,
                                                               CheckHardwareLogDetector};

std::u16string Text(int index) {
    const char16_t* text = GetText(index);
    return text ? text : u"";
}

std::u16string Widened(const std::string& ascii) {
    return std::u16string(ascii.begin(), ascii.end());
}

}  // namespace

SelfTestReport RunDetectorSelfTest(int64_t millisecondsPerDetector) {
    SelfTestReport report;
    report.allCaught = true;
    for (int i = 0; i < kSelfTestDetectors; ++i) {
        report.detectors[i] = kDetectorChecks[i](millisecondsPerDetector);
        report.allCaught = report.allCaught && report.detectors[i].caught;
    }
    return report;
}

std::u16string ComposeSelfTestTable(const SelfTestReport& report) {
    std::u16string table = Text(kTextDetectorCheck) + u"\n";
    for (const DetectorResult& detector : report.detectors) {
        table += Text(detector.nameText) + u": " + Text(detector.caught ? kTextCaught : kTextNotCaught);
        if (!detector.detail.empty())
            table += u" (" + Widened(detector.detail) + u")";
        table += u"\n";
    }
    table += Text(report.allCaught ? kTextEveryDetectorCaught : kTextDetectorMissed) + u"\n";
    return table;
}

bool IsSelfTestCommandLine(std::u16string_view arguments) {
    while (!arguments.empty() && (arguments.front() == u' ' || arguments.front() == u'\t'))
        arguments.remove_prefix(1);
    while (!arguments.empty() && (arguments.back() == u' ' || arguments.back() == u'\t'))
        arguments.remove_suffix(1);
    constexpr std::u16string_view kOption = u"selftest";
    if (arguments.size() != kOption.size() + 1 || (arguments[0] != u'/' && arguments[0] != u'-'))
        return false;
    for (size_t i = 0; i < kOption.size(); ++i) {
        char16_t c = arguments[i + 1];
        if (c >= u'A' && c <= u'Z')
            c = char16_t(c - u'A' + u'a');
        if (c != kOption[i])
            return false;
    }
    return true;
}
