// The command line: a table of options walked by one parser, the rules between options, and the texts that
// explain them.
#include "run/CommandLine.h"

#include <algorithm>
#include <initializer_list>

#include "i18n/LanguageTables.h"
#include "i18n/TextArguments.h"

namespace {

// Language strings of the command line.
enum : int {
    kTextUsage = 130,
    kTextLoadsOption = 131,
    kTextStartOption = 132,
    kTextDurationOption = 133,
    kTextExitOption = 134,
    kTextStopOnErrorOption = 135,
    kTextNoVerifyOption = 136,
    kTextLogOption = 137,
    kTextReportOption = 138,
    kTextJsonOption = 139,
    kTextNoGuiOption = 140,
    kTextSelfTestOption = 141,
    kTextHelpOption = 142,
    kTextCpuMethodOption = 143,
    kTextMemorySizeOption = 144,
    kTextDiskModeOption = 145,
    kTextDiskPathOption = 146,
    kTextCycleOption = 147,
    kTextExitCodes = 148,
    kTextUnknownOption = 149,
    kTextNotAnOption = 150,
    kTextMissingValue = 151,
    kTextBadDuration = 152,
    kTextZeroDuration = 153,
    kTextDurationTooLong = 154,
    kTextBadValue = 155,
    kTextBadMemorySize = 156,
    kTextRepeated = 157,
    kTextExitNeedsEnd = 158,
    kTextNeeds = 159,
    kTextCannotCombine = 160,
    kTextNotAvailable = 161,
    kTextFileNotCreated = 162,
    kTextSeeOptions = 163,
};

constexpr char16_t kProgramName[] = u"kestrovane.exe";

enum class Option : int {
    Paint,
    Cpu,
    Disk,
    Memory,
    Start,
    Duration,
    Exit,
    StopOnError,
    NoVerify,
    Log,
    Report,
    Json,
    NoGui,
    SelfTest,
    Help,
    DiskPath,
    Cycle,
    Count
};

enum class Takes : int { Nothing, Value, OptionalValue };

struct OptionRow {
    const char16_t* name;
    Option option;
    Takes takes;
};

constexpr OptionRow kOptions[] = {
    {u"paint", Option::Paint, Takes::Nothing},
    {u"cpu", Option::Cpu, Takes::OptionalValue},
    {u"disk", Option::Disk, Takes::OptionalValue},
    {u"mem", Option::Memory, Takes::OptionalValue},
    {u"start", Option::Start, Takes::Nothing},
    {u"duration", Option::Duration, Takes::Value},
    {u"exit", Option::Exit, Takes::Nothing},
    {u"stoponerror", Option::StopOnError, Takes::Nothing},
    {u"noverify", Option::NoVerify, Takes::Nothing},
    {u"log", Option::Log, Takes::Value},
    {u"report", Option::Report, Takes::Value},
    {u"json", Option::Json, Takes::Value},
    {u"nogui", Option::NoGui, Takes::Nothing},
    {u"selftest", Option::SelfTest, Takes::Nothing},
    {u"?", Option::Help, Takes::Nothing},
    {u"diskpath", Option::DiskPath, Takes::Value},
    {u"cycle", Option::Cycle, Takes::OptionalValue},
};

// The rows of the usage text: the syntax as typed, its description, and the feature it needs (0: none).
struct UsageRow {
    const char16_t* syntax;
    int text;
    uint32_t feature;
};

constexpr UsageRow kUsageRows[] = {
    {u"/paint /cpu /disk /mem", kTextLoadsOption, 0},
    {u"/cpu fp | /cpu add", kTextCpuMethodOption, kFeatureFloatingPoint},
    {u"/mem 90% | /mem 4096", kTextMemorySizeOption, kFeatureMemorySize},
    {u"/disk real | /disk cache", kTextDiskModeOption, kFeatureRealDisk},
    {u"/diskpath PATH", kTextDiskPathOption, kFeatureDiskPath},
    {u"/cycle T", kTextCycleOption, kFeatureCycle},
    {u"/start", kTextStartOption, 0},
    {u"/duration T", kTextDurationOption, 0},
    {u"/exit", kTextExitOption, 0},
    {u"/stoponerror", kTextStopOnErrorOption, 0},
    {u"/noverify", kTextNoVerifyOption, 0},
    {u"/log FILE", kTextLogOption, 0},
    {u"/report FILE", kTextReportOption, 0},
    {u"/json FILE", kTextJsonOption, 0},
    {u"/nogui", kTextNoGuiOption, 0},
    {u"/selftest", kTextSelfTestOption, 0},
    {u"/?", kTextHelpOption, 0},
};

char16_t LowerAscii(char16_t unit) {
    return unit >= u'A' && unit <= u'Z' ? char16_t(unit + (u'a' - u'A')) : unit;
}

bool StartsLikeOption(const std::u16string& argument) {
    return !argument.empty() && (argument[0] == u'/' || argument[0] == u'-');
}

const OptionRow* FindOption(const std::u16string& argument) {
    if (!StartsLikeOption(argument))
        return nullptr;
    std::u16string name;
    for (size_t i = 1; i < argument.size(); ++i)
        name += LowerAscii(argument[i]);
    for (const OptionRow& row : kOptions) {
        if (name == row.name)
            return &row;
    }
    return nullptr;
}

bool SameWord(const std::u16string& text, std::u16string_view word) {
    return text.size() == word.size() && std::equal(text.begin(), text.end(), word.begin(),
                                                    [](char16_t a, char16_t b) { return LowerAscii(a) == b; });
}

enum class NumberStatus { Good, Bad, TooLarge };

// Leading decimal digits (at least one) up to `end`; stops counting beyond `limit`.
NumberStatus ReadDigits(const std::u16string& text, size_t end, int64_t limit, int64_t& value) {
    value = 0;
    if (end == 0)
        return NumberStatus::Bad;
    bool tooLarge = false;
    for (size_t i = 0; i < end; ++i) {
        if (text[i] < u'0' || text[i] > u'9')
            return NumberStatus::Bad;
        if (!tooLarge) {
            value = value * 10 + (text[i] - u'0');
            tooLarge = value > limit;
        }
    }
    return tooLarge ? NumberStatus::TooLarge : NumberStatus::Good;
}

CommandLineProblem ParseDuration(const std::u16string& text, int64_t& seconds) {
    seconds = 0;
    int64_t unit = 60;
    size_t digits = text.size();
    if (!text.empty()) {
        switch (LowerAscii(text.back())) {
            case u's':
                unit = 1, --digits;
                break;
            case u'm':
                unit = 60, --digits;
                break;
            case u'h':
                unit = 3600, --digits;
                break;
            default:
                break;
        }
    }
    int64_t count = 0;
    const NumberStatus status = ReadDigits(text, digits, kMaxDurationSeconds, count);
    if (status == NumberStatus::Bad)
        return CommandLineProblem::BadDuration;
    if (status == NumberStatus::TooLarge || count > kMaxDurationSeconds / unit)
        return CommandLineProblem::DurationTooLong;
    if (count == 0)
        return CommandLineProblem::ZeroDuration;
    seconds = count * unit;
    return CommandLineProblem::None;
}

bool ParseMemorySize(const std::u16string& text, MemorySizeChoice& choice, int64_t& amount) {
    const bool percent = !text.empty() && text.back() == u'%';
    const size_t digits = percent ? text.size() - 1 : text.size();
    const int64_t limit = percent ? kMaxMemoryPercent : kMaxMemoryMebibytes;
    if (ReadDigits(text, digits, limit, amount) != NumberStatus::Good || amount == 0)
        return false;
    choice = percent ? MemorySizeChoice::Percent : MemorySizeChoice::Mebibytes;
    return true;
}

class Parser {
public:
    explicit Parser(const std::vector<std::u16string>& arguments) : arguments_(arguments) {}

    CommandLineResult Run() {
        for (const std::u16string& argument : arguments_) {
            const OptionRow* row = FindOption(argument);
            if (row && row->option == Option::Help) {
                result_.options.usage = true;
                return result_;
            }
        }
        for (next_ = 0; next_ < arguments_.size() && Good();)
            TakeOption();
        if (Good())
            CheckRules();
        return result_;
    }

private:
    bool Good() const { return result_.error.problem == CommandLineProblem::None; }

    void Fail(CommandLineProblem problem,
              std::u16string subject,
              std::u16string value = {},
              std::u16string allowed = {}) {
        if (!Good())
            return;
        result_.error = {problem, std::move(subject), std::move(value), std::move(allowed)};
    }

    void TakeOption() {
        const std::u16string& written = arguments_[next_++];
        const OptionRow* row = FindOption(written);
        if (!row) {
            Fail(StartsLikeOption(written) ? CommandLineProblem::UnknownOption : CommandLineProblem::NotAnOption,
                 written);
            return;
        }
        const int index = int(row->option);
        if (given_[index]) {
            Fail(CommandLineProblem::Repeated, written);
            return;
        }
        given_[index] = true;
        if (row->option != Option::SelfTest && otherThanSelfTest_.empty())
            otherThanSelfTest_ = written;
        std::u16string value;
        bool hasValue = false;
        if (row->takes == Takes::Value) {
            if (next_ >= arguments_.size() || arguments_[next_].empty() || FindOption(arguments_[next_])) {
                Fail(CommandLineProblem::MissingValue, written);
                return;
            }
            value = arguments_[next_++];
            hasValue = true;
        } else if (row->takes == Takes::OptionalValue && next_ < arguments_.size() && !arguments_[next_].empty() &&
                   !StartsLikeOption(arguments_[next_])) {
            value = arguments_[next_++];
            hasValue = true;
        }
        Apply(row->option, written, value, hasValue);
    }

    void MarkFeature(uint32_t feature, const std::u16string& written, const std::u16string& value) {
        CommandLine& options = result_.options;
        options.unsupported |= feature;
        options.featureOptions.push_back({feature, value.empty() ? written : written + u" " + value});
    }

    void Apply(Option option, const std::u16string& written, const std::u16string& value, bool hasValue) {
        CommandLine& options = result_.options;
        switch (option) {
            case Option::Paint:
                options.loads |= 1 << 0;
                break;
            case Option::Cpu:
                options.loads |= 1 << 1;
                if (!hasValue)
                    break;
                if (SameWord(value, u"add")) {
                    options.cpuMethod = CpuMethodChoice::Additions;
                } else if (SameWord(value, u"fp")) {
                    options.cpuMethod = CpuMethodChoice::FloatingPoint;
                    MarkFeature(kFeatureFloatingPoint, written, value);
                } else {
                    Fail(CommandLineProblem::BadValue, written, value, u"fp, add");
                }
                break;
            case Option::Disk:
                options.loads |= 1 << 2;
                if (!hasValue)
                    break;
                if (SameWord(value, u"cache")) {
                    options.diskMode = DiskModeChoice::Cache;
                } else if (SameWord(value, u"real")) {
                    options.diskMode = DiskModeChoice::Real;
                    MarkFeature(kFeatureRealDisk, written, value);
                } else {
                    Fail(CommandLineProblem::BadValue, written, value, u"real, cache");
                }
                break;
            case Option::Memory:
                options.loads |= 1 << 3;
                if (!hasValue)
                    break;
                if (ParseMemorySize(value, options.memorySize, options.memoryAmount))
                    MarkFeature(kFeatureMemorySize, written, value);
                else
                    Fail(CommandLineProblem::BadMemorySize, written, value);
                break;
            case Option::Start:
                options.start = true;
                break;
            case Option::Duration:
                TakeDuration(written, value, options.durationSeconds);
                break;
            case Option::Exit:
                options.exitWhenDone = true;
                break;
            case Option::StopOnError:
                options.stopOnError = true;
                break;
            case Option::NoVerify:
                options.noVerify = true;
                break;
            case Option::Log:
                options.logPath = value;
                break;
            case Option::Report:
                options.reportPath = value;
                break;
            case Option::Json:
                options.jsonPath = value;
                break;
            case Option::NoGui:
                options.noGui = true;
                break;
            case Option::SelfTest:
                options.selfTest = true;
                break;
            case Option::DiskPath:
                options.diskPath = value;
                MarkFeature(kFeatureDiskPath, written, value);
                break;
            case Option::Cycle:
                options.cycleSeconds = kDefaultCycleSeconds;
                if (hasValue)
                    TakeDuration(written, value, options.cycleSeconds);
                MarkFeature(kFeatureCycle, written, value);
                break;
            case Option::Help:
            case Option::Count:
                break;
        }
    }

    void TakeDuration(const std::u16string& written, const std::u16string& value, int64_t& seconds) {
        const CommandLineProblem problem = ParseDuration(value, seconds);
        if (problem != CommandLineProblem::None)
            Fail(problem, written, value);
    }

    void CheckRules() {
        const CommandLine& options = result_.options;
        if (options.selfTest && !otherThanSelfTest_.empty())
            Fail(CommandLineProblem::CannotCombine, u"/selftest", {}, otherThanSelfTest_);
        if (options.exitWhenDone && options.durationSeconds == 0 && !options.stopOnError)
            Fail(CommandLineProblem::ExitNeedsEnd, u"/exit");
        if (options.noGui) {
            if (options.loads & 1 << 0)
                Fail(CommandLineProblem::CannotCombine, u"/nogui", {}, u"/paint");
            if (!options.start)
                Fail(CommandLineProblem::Needs, u"/nogui", {}, u"/start");
            if (!options.exitWhenDone)
                Fail(CommandLineProblem::Needs, u"/nogui", {}, u"/exit");
        }
        // One heavy worker walks the processors: the additions load has one worker per processor already.
        if (options.cycleSeconds != 0 && options.cpuMethod != CpuMethodChoice::FloatingPoint)
            Fail(CommandLineProblem::Needs, u"/cycle", {}, u"/cpu fp");
    }

    const std::vector<std::u16string>& arguments_;
    size_t next_ = 0;
    bool given_[int(Option::Count)] = {};
    std::u16string otherThanSelfTest_;
    CommandLineResult result_;
};

std::u16string Text(int index, std::initializer_list<std::u16string_view> arguments = {}) {
    return InsertArguments(GetText(index), arguments);
}

}  // namespace

ExitCode ExitCodeFor(Verdict verdict, bool stoppedByUserBeforeDuration) {
    switch (verdict) {
        case Verdict::Failed:
            return ExitCode::Failed;
        case Verdict::Incomplete:
            return ExitCode::Incomplete;
        case Verdict::Passed:
            break;
    }
    return stoppedByUserBeforeDuration ? ExitCode::StoppedByUser : ExitCode::Passed;
}

CommandLineResult ParseCommandLine(const std::vector<std::u16string>& arguments) {
    return Parser(arguments).Run();
}

bool NamesOption(const std::vector<std::u16string>& arguments, std::u16string_view name) {
    for (const std::u16string& argument : arguments) {
        if (StartsLikeOption(argument) && SameWord(argument.substr(1), name))
            return true;
    }
    return false;
}

void ApplyDiskOptions(const CommandLine& options, DiskLoadChoice& choice) {
    if (options.diskMode == DiskModeChoice::Real)
        choice.mode.store(int32_t(DiskLoadMode::Real), std::memory_order_relaxed);
    else if (options.diskMode == DiskModeChoice::Cache)
        choice.mode.store(int32_t(DiskLoadMode::Cache), std::memory_order_relaxed);
    if (!options.diskPath.empty())
        choice.folder = options.diskPath;
}

std::u16string UnavailableOption(const CommandLine& options, uint32_t available) {
    for (const CommandLine::FeatureOption& given : options.featureOptions) {
        if ((given.feature & ~available) != 0)
            return given.written;
    }
    return {};
}

std::u16string ComposeCommandLineMessage(const CommandLineError& error) {
    std::u16string message;
    switch (error.problem) {
        case CommandLineProblem::None:
            return {};
        case CommandLineProblem::UnknownOption:
            message = Text(kTextUnknownOption, {error.subject});
            break;
        case CommandLineProblem::NotAnOption:
            message = Text(kTextNotAnOption, {error.subject});
            break;
        case CommandLineProblem::MissingValue:
            message = Text(kTextMissingValue, {error.subject});
            break;
        case CommandLineProblem::BadDuration:
            message = Text(kTextBadDuration, {error.subject, error.value});
            break;
        case CommandLineProblem::ZeroDuration:
            message = Text(kTextZeroDuration, {error.subject, error.value});
            break;
        case CommandLineProblem::DurationTooLong:
            message = Text(kTextDurationTooLong, {error.subject, error.value});
            break;
        case CommandLineProblem::BadValue:
            message = Text(kTextBadValue, {error.subject, error.value, error.allowed});
            break;
        case CommandLineProblem::BadMemorySize:
            message = Text(kTextBadMemorySize, {error.subject, error.value});
            break;
        case CommandLineProblem::Repeated:
            message = Text(kTextRepeated, {error.subject});
            break;
        case CommandLineProblem::ExitNeedsEnd:
            message = Text(kTextExitNeedsEnd);
            break;
        case CommandLineProblem::Needs:
            message = Text(kTextNeeds, {error.subject, error.allowed});
            break;
        case CommandLineProblem::CannotCombine:
            message = Text(kTextCannotCombine, {error.subject, error.allowed});
            break;
    }
    return message + u"\r\n" + Text(kTextSeeOptions, {kProgramName});
}

std::u16string ComposeUnavailableMessage(const std::u16string& option) {
    return Text(kTextNotAvailable, {option}) + u"\r\n" + Text(kTextSeeOptions, {kProgramName});
}

std::u16string ComposeFileNotCreatedMessage(const std::u16string& option, const std::u16string& path) {
    return Text(kTextFileNotCreated, {option, path});
}

std::u16string ComposeUsageText(uint32_t available) {
    size_t width = 0;
    for (const UsageRow& row : kUsageRows)
        width = std::max(width, std::char_traits<char16_t>::length(row.syntax));
    std::u16string text = Text(kTextUsage, {kProgramName}) + u"\r\n\r\n";
    for (const UsageRow& row : kUsageRows) {
        if ((row.feature & ~available) != 0)
            continue;
        std::u16string syntax = row.syntax;
        syntax.resize(width + 2, u' ');
        text += u"  " + syntax + Text(row.text) + u"\r\n";
    }
    return text + u"\r\n" + Text(kTextExitCodes) + u"\r\n";
}
