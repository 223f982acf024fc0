// Composing the run's texts from the language strings; the numbers in them are formatted here, never by a
// translation.
#include "run/RunStatusText.h"

#include "i18n/LanguageTables.h"
#include "i18n/TextArguments.h"
#include "stress/RealDiskLoad.h"

namespace {

constexpr std::u16string_view kPartSeparator = u" \u2013 ";
// "Errors", the report's label, before a bare count.
constexpr int kErrorsLabelText = 176;

// The loads' own names, from the first block (Paint, Cpu, Disk) and the extended one (Memory).
constexpr int kLoadNameTexts[kRunLoadCount] = {42, 43, 44, 60};

std::u16string_view Text(int index) {
    const char16_t* text = GetText(index);
    return text ? std::u16string_view(text) : std::u16string_view();
}

int SourceText(ErrorSource source) {
    switch (source) {
        case ErrorSource::Additions:
            return kTextAdditions;
        case ErrorSource::Memory:
            return kTextMemoryCopy;
        case ErrorSource::HardwareLog:
            return kTextHardwareLog;
        case ErrorSource::FloatingPoint:
            return kTextFloatingPoint;
        // The disk load's own name: its faults have a place in a file, named in their detail.
        case ErrorSource::Disk:
            return kLoadNameTexts[2];
        default:
            return -1;
    }
}

std::u16string SourceName(ErrorSource source) {
    const int text = SourceText(source);
    if (text >= 0)
        return std::u16string(Text(text));
    // A check added later without a text of its own still says which one it is.
    std::u16string name = u"check ";
    name += DecimalText(int(source));
    return name;
}

bool FirstError(const RunRecord& run, RunError& error) {
    if (run.errorSlotReady[0].load(std::memory_order_acquire) == 0)
        return false;
    error = run.errors[0];
    return true;
}

bool AnySelectedLoadVerified(const RunRecord& run) {
    for (int load = 0; load < kRunLoadCount; ++load) {
        if ((run.selectedLoads >> load & 1) && LoadIsVerified(run, load))
            return true;
    }
    return false;
}

bool HardwareLogMissing(const RunRecord& run) {
    return run.hardwareLog.load(std::memory_order_relaxed) == int32_t(HardwareLogState::NotAvailable);
}

std::u16string ErrorCountText(const RunRecord& run) {
    RunError first;
    const std::u16string place = FirstError(run, first) ? ErrorPlaceText(first) : std::u16string();
    return FillPlaceholders(Text(kTextErrorCount),
                            {DecimalText(run.errorCount.load(std::memory_order_relaxed)), place});
}

int VerdictText(Verdict verdict) {
    switch (verdict) {
        case Verdict::Passed:
            return kTextPassed;
        case Verdict::Failed:
            return kTextFailed;
        case Verdict::Incomplete:
            return kTextIncomplete;
    }
    return kTextIncomplete;
}

std::u16string Widened(const char* ascii) {
    std::u16string text;
    for (; *ascii; ++ascii)
        text += char16_t(static_cast<unsigned char>(*ascii));
    return text;
}

}  // namespace

std::u16string FillPlaceholders(std::u16string_view format, std::initializer_list<std::u16string_view> values) {
    std::u16string out;
    auto next = values.begin();
    for (size_t i = 0; i < format.size(); ++i) {
        if (format[i] != u'%' || i + 1 >= format.size()) {
            out += format[i];
            continue;
        }
        const char16_t kind = format[i + 1];
        if (kind == u'%') {
            out += u'%';
            ++i;
        } else if (kind == u'd' || kind == u's') {
            if (next != values.end())
                out += *next++;
            ++i;
        } else {
            out += format[i];
        }
    }
    return out;
}

std::u16string DecimalText(int64_t value) {
    const bool negative = value < 0;
    uint64_t magnitude = negative ? uint64_t(0) - uint64_t(value) : uint64_t(value);
    std::u16string digits;
    do {
        digits.insert(digits.begin(), char16_t(u'0' + magnitude % 10));
        magnitude /= 10;
    } while (magnitude);
    if (negative)
        digits.insert(digits.begin(), u'-');
    return digits;
}

std::u16string DurationText(int64_t milliseconds) {
    const int64_t seconds = milliseconds < 0 ? 0 : milliseconds / 1000;
    const auto twoDigits = [](int64_t value) {
        return std::u16string{char16_t(u'0' + value / 10), char16_t(u'0' + value % 10)};
    };
    std::u16string text = DecimalText(seconds / 3600);
    text += u':';
    text += twoDigits(seconds / 60 % 60);
    text += u':';
    text += twoDigits(seconds % 60);
    return text;
}

std::u16string ErrorPlaceText(const RunError& error) {
    const std::u16string name = SourceName(error.source);
    if (error.processor < 0)
        return name;
    return FillPlaceholders(Text(kTextProcessorPlace), {DecimalText(error.processor), name});
}

std::u16string DiskStatusText(const DiskLoadStatus& status) {
    if (status.phase.load(std::memory_order_relaxed) == int32_t(DiskPhase::NearlyFull))
        return std::u16string(Text(kTextDiskNearlyFull));
    if (status.problem.load(std::memory_order_relaxed) != int32_t(DiskIo::Ok))
        return std::u16string(Text(kTextDiskFolderNotUsable));
    const double write = status.writeMegabytesPerSecond.load(std::memory_order_relaxed);
    const double read = status.readMegabytesPerSecond.load(std::memory_order_relaxed);
    if (write <= 0 && read <= 0)
        return std::u16string();
    const std::u16string writeText = DecimalText(int64_t(write + 0.5));
    const std::u16string readText = DecimalText(int64_t(read + 0.5));
    return InsertArguments(GetText(kTextDiskRates), {writeText, readText});
}

StatusPart ComposeStatusPart(const RunRecord& run, const StatusExtras& extras) {
    StatusPart part;
    const bool active = run.active.load(std::memory_order_acquire) != 0;
    const int64_t errors = run.errorCount.load(std::memory_order_relaxed);
    if (!active && errors == 0)
        return part;
    if (errors > 0) {
        part.look = StatusPartLook::Alarm;
        part.text = ErrorCountText(run);
    } else {
        part.look = StatusPartLook::Normal;
        part.text = AnySelectedLoadVerified(run) ? FillPlaceholders(Text(kTextVerifiedErrors), {u"0"})
                                                 : std::u16string(Text(kTextNotVerified));
    }
    if (active && extras.millisecondsLeft >= 0) {
        part.text += kPartSeparator;
        part.text += TimeLeftText(extras.millisecondsLeft);
    }
    if (active && extras.logNotWritten) {
        part.text += kPartSeparator;
        part.text += Text(kTextLogNotWritten);
    }
    if (run.settings.realDisk.load(std::memory_order_relaxed) && (run.selectedLoads >> 2 & 1)) {
        const std::u16string disk = DiskStatusText(DiskStatus);
        if (!disk.empty()) {
            part.text += kPartSeparator;
            part.text += disk;
        }
    }
    if (HardwareLogMissing(run)) {
        part.text += kPartSeparator;
        part.text += Text(kTextHardwareLogNotAvailable);
    }
    return part;
}

std::u16string ComposeRunResult(const RunRecord& run, int64_t nowMilliseconds) {
    std::u16string result(Text(VerdictText(RunVerdict(run))));
    const auto line = [&result](std::u16string_view text) {
        result += u'\n';
        result += text;
    };
    if (run.errorCount.load(std::memory_order_relaxed) > 0)
        line(ErrorCountText(run));
    const int64_t end = run.active.load(std::memory_order_acquire) ? nowMilliseconds : run.endMilliseconds;
    line(FillPlaceholders(Text(kTextRunTime), {DurationText(end - run.startMilliseconds.load())}));
    RunError first;
    if (FirstError(run, first)) {
        line(FillPlaceholders(Text(kTextFirstError),
                              {ErrorPlaceText(first), DurationText(first.millisecondsSinceStart)}));
        line(Widened(first.detail));
    }
    for (int load = 0; load < kRunLoadCount; ++load) {
        if ((run.selectedLoads >> load & 1) && !LoadIsVerified(run, load)) {
            line(Text(kLoadNameTexts[load]));
            result += u": ";
            result += Text(kTextNotVerified);
        }
    }
    if (HardwareLogMissing(run))
        line(Text(kTextHardwareLogNotAvailable));
    return result;
}

std::u16string TimeLeftText(int64_t milliseconds) {
    const int64_t roundedUp = milliseconds <= 0 ? 0 : (milliseconds + 999) / 1000 * 1000;
    return FillPlaceholders(Text(kTextTimeLeft), {DurationText(roundedUp)});
}

std::u16string ReportLineText(std::u16string_view reportPath) {
    if (reportPath.empty())
        return std::u16string(Text(kTextReportNotWritten));
    return FillPlaceholders(Text(kTextReportAt), {reportPath});
}

std::u16string ComposeVerdictLine(Verdict verdict,
                                  int64_t runMilliseconds,
                                  int64_t errors,
                                  std::u16string_view reportPath) {
    std::u16string line = Widened(VerdictName(verdict));
    line += kPartSeparator;
    line += FillPlaceholders(Text(kTextRunTime), {DurationText(runMilliseconds)});
    line += kPartSeparator;
    line += Text(kErrorsLabelText);
    line += u": ";
    line += DecimalText(errors);
    line += kPartSeparator;
    line += ReportLineText(reportPath);
    return line;
}
