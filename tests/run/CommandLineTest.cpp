// The command line: what good command lines select, that every bad one is refused with a message naming the bad
// part (in the current language), the usage text, and the exit codes.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "i18n/LanguageTables.h"
#include "run/CommandLine.h"
#include "run/HeavyCommandLine.h"

namespace {

std::vector<std::u16string> Split(std::u16string line) {
    std::vector<std::u16string> arguments;
    size_t start = 0;
    while (start <= line.size() && !line.empty()) {
        const size_t blank = line.find(u' ', start);
        arguments.push_back(line.substr(start, blank == std::u16string::npos ? std::u16string::npos : blank - start));
        if (blank == std::u16string::npos)
            break;
        start = blank + 1;
    }
    return arguments;
}

std::string Narrow(const std::u16string& text) {
    return std::string(text.begin(), text.end());
}

class CommandLineTest : public testing::Test {
protected:
    static void SetUpTestSuite() { ASSERT_EQ(LoadLanguageResource(), 1); }
    void SetUp() override { CurrentLanguage = kReferenceLanguage; }
    void TearDown() override { CurrentLanguage = kReferenceLanguage; }
};

}  // namespace

TEST_F(CommandLineTest, GoodCommandLinesSelectWhatTheySay) {
    const CommandLineResult full = ParseCommandLine(
        Split(u"/start /cpu /mem /duration 20s /exit /json r.json /report r.html /log run.csv /stoponerror /noverify"));
    ASSERT_EQ(full.error.problem, CommandLineProblem::None);
    const CommandLine& options = full.options;
    EXPECT_TRUE(options.start && options.exitWhenDone && options.stopOnError && options.noVerify);
    EXPECT_FALSE(options.noGui || options.selfTest || options.usage);
    EXPECT_EQ(options.loads, 1 << 1 | 1 << 3);
    EXPECT_EQ(options.durationSeconds, 20);
    EXPECT_EQ(options.jsonPath, u"r.json");
    EXPECT_EQ(options.reportPath, u"r.html");
    EXPECT_EQ(options.logPath, u"run.csv");
    EXPECT_EQ(options.unsupported, 0u);
    EXPECT_EQ(UnavailableOption(options), u"");

    const struct {
        const char16_t* line;
        int64_t durationSeconds;
        int32_t loads;
    } durations[] = {
        {u"-START -Paint -DURATION 90S", 90, 1},
        {u"/duration 30m", 1800, 0},
        {u"/duration 2h /disk", 7200, 1 << 2},
        {u"/duration 90", 5400, 0},
        {u"/duration 8760h", kMaxDurationSeconds, 0},
        {u"/duration 525600", kMaxDurationSeconds, 0},
        {u"/nogui /start /exit /duration 1m /cpu", 60, 1 << 1},
    };
    for (const auto& row : durations) {
        const CommandLineResult result = ParseCommandLine(Split(row.line));
        EXPECT_EQ(result.error.problem, CommandLineProblem::None) << Narrow(row.line);
        EXPECT_EQ(result.options.durationSeconds, row.durationSeconds) << Narrow(row.line);
        EXPECT_EQ(result.options.loads, row.loads) << Narrow(row.line);
    }
    // A value that merely starts with '-' is still a file name; an optional value is taken only when it is one.
    EXPECT_EQ(ParseCommandLine(Split(u"/log -run.csv")).options.logPath, u"-run.csv");
    EXPECT_EQ(ParseCommandLine(Split(u"/cpu /start")).options.start, true);
    EXPECT_EQ(ParseCommandLine(Split(u"/selftest")).options.selfTest, true);
    EXPECT_EQ(ParseCommandLine({}).error.problem, CommandLineProblem::None);
}

TEST_F(CommandLineTest, LaterFeaturesAreParsedAndMarkedUntilTheyLand) {
    const CommandLineResult result =
        ParseCommandLine(Split(u"/cpu FP /mem 90% /disk real /diskpath D:\\burn /cycle 10m /start"));
    ASSERT_EQ(result.error.problem, CommandLineProblem::None);
    const CommandLine& options = result.options;
    EXPECT_EQ(options.cpuMethod, CpuMethodChoice::FloatingPoint);
    EXPECT_EQ(options.memorySize, MemorySizeChoice::Percent);
    EXPECT_EQ(options.memoryAmount, 90);
    EXPECT_EQ(options.diskMode, DiskModeChoice::Real);
    EXPECT_EQ(options.diskPath, u"D:\\burn");
    EXPECT_EQ(options.cycleSeconds, 600);
    EXPECT_EQ(options.loads, 1 << 1 | 1 << 2 | 1 << 3);
    EXPECT_EQ(options.unsupported, uint32_t(kFeatureFloatingPoint | kFeatureMemorySize | kFeatureRealDisk |
                                            kFeatureDiskPath | kFeatureCycle));
    // The refusal names the first one as written that has not landed; in this version every one has.
    EXPECT_EQ(UnavailableOption(options), u"");
    EXPECT_EQ(UnavailableOption(options, kFeatureFloatingPoint | kFeatureMemorySize), u"/disk real");
    EXPECT_EQ(UnavailableOption(options, 0), u"/cpu FP");
    EXPECT_EQ(UnavailableOption(options, kFeatureFloatingPoint), u"/mem 90%");
    EXPECT_EQ(UnavailableOption(options, ~0u), u"");
    EXPECT_NE(ComposeUnavailableMessage(u"/cpu FP").find(u"/cpu FP is not available in this version."),
              std::u16string::npos);

    const CommandLineResult mebibytes = ParseCommandLine(Split(u"/mem 4096 /cpu add /disk cache /cpu fp"));
    EXPECT_EQ(mebibytes.error.problem, CommandLineProblem::Repeated) << "/cpu twice";
    const CommandLineResult plain = ParseCommandLine(Split(u"/mem 4096 /cpu add /disk cache"));
    EXPECT_EQ(plain.options.memorySize, MemorySizeChoice::Mebibytes);
    EXPECT_EQ(plain.options.memoryAmount, 4096);
    EXPECT_EQ(plain.options.cpuMethod, CpuMethodChoice::Additions);
    EXPECT_EQ(plain.options.diskMode, DiskModeChoice::Cache);
    EXPECT_EQ(plain.options.unsupported, uint32_t(kFeatureMemorySize)) << "additions and the cache mode run today";
    EXPECT_EQ(ParseCommandLine(Split(u"/cpu fp /cycle")).options.cycleSeconds, kDefaultCycleSeconds);
}

TEST_F(CommandLineTest, EveryBadCommandLineIsRefusedWithAMessageNamingTheBadPart) {
    const struct {
        const char16_t* line;
        CommandLineProblem problem;
        const char16_t* named;  // must appear in the message
    } rows[] = {
        {u"/start /bogus", CommandLineProblem::UnknownOption, u"Unknown option: /bogus"},
        {u"/duration:20s", CommandLineProblem::UnknownOption, u"/duration:20s"},
        {u"start", CommandLineProblem::NotAnOption, u"start is not an option"},
        {u"/", CommandLineProblem::UnknownOption, u"Unknown option: /"},
        {u"/log", CommandLineProblem::MissingValue, u"/log needs a value."},
        {u"/json /start", CommandLineProblem::MissingValue, u"/json needs a value."},
        {u"/duration", CommandLineProblem::MissingValue, u"/duration needs a value."},
        {u"/duration 0", CommandLineProblem::ZeroDuration, u"/duration 0: the time must be longer than zero."},
        {u"/duration 0s", CommandLineProblem::ZeroDuration, u"/duration 0s"},
        {u"/duration 8761h", CommandLineProblem::DurationTooLong, u"/duration 8761h: the time is too long"},
        {u"/duration 99999999999999999999999s", CommandLineProblem::DurationTooLong, u"99999999999999999999999s"},
        {u"/duration 153722867280912931m", CommandLineProblem::DurationTooLong, u"153722867280912931m"},
        {u"/duration 1.5h", CommandLineProblem::BadDuration, u"/duration 1.5h: not a valid time."},
        {u"/duration 5d", CommandLineProblem::BadDuration, u"/duration 5d"},
        {u"/duration h", CommandLineProblem::BadDuration, u"/duration h"},
        {u"/duration +5m", CommandLineProblem::BadDuration, u"/duration +5m"},
        {u"/duration \u0661\u0662m", CommandLineProblem::BadDuration, u"/duration \u0661\u0662m"},
        {u"/cpu xyz", CommandLineProblem::BadValue, u"/cpu xyz: not a valid value. Possible values: fp, add"},
        {u"/disk fast", CommandLineProblem::BadValue, u"Possible values: real, cache"},
        {u"/mem 95%", CommandLineProblem::BadMemorySize, u"/mem 95%: not a valid memory size."},
        {u"/mem 0", CommandLineProblem::BadMemorySize, u"/mem 0"},
        {u"/mem 50%%", CommandLineProblem::BadMemorySize, u"/mem 50%%"},
        {u"/mem 99999999999", CommandLineProblem::BadMemorySize, u"/mem 99999999999"},
        {u"/start /START", CommandLineProblem::Repeated, u"/START is given more than once."},
        {u"/exit", CommandLineProblem::ExitNeedsEnd, u"/exit needs /duration or /stoponerror"},
        {u"/nogui /start /exit /paint /duration 1m", CommandLineProblem::CannotCombine,
         u"/nogui cannot be combined with /paint."},
        {u"/nogui /exit /duration 1m", CommandLineProblem::Needs, u"/nogui needs /start."},
        {u"/nogui /start /duration 1m", CommandLineProblem::Needs, u"/nogui needs /exit."},
        {u"/selftest -Start", CommandLineProblem::CannotCombine, u"/selftest cannot be combined with -Start."},
        {u"/cycle 5m", CommandLineProblem::Needs, u"/cycle needs /cpu fp."},
        {u"/cycle 0 /cpu fp", CommandLineProblem::ZeroDuration, u"/cycle 0"},
    };
    for (const auto& row : rows) {
        const CommandLineResult result = ParseCommandLine(Split(row.line));
        EXPECT_EQ(result.error.problem, row.problem) << Narrow(row.line);
        const std::u16string message = ComposeCommandLineMessage(result.error);
        EXPECT_NE(message.find(row.named), std::u16string::npos) << Narrow(row.line) << " gave " << Narrow(message);
        EXPECT_NE(message.find(u"Start kestrovane.exe /? to see all options."), std::u16string::npos);
    }
    EXPECT_EQ(ParseCommandLine({u"/log", u""}).error.problem, CommandLineProblem::MissingValue) << "an empty value";
    EXPECT_EQ(ParseCommandLine({u""}).error.problem, CommandLineProblem::NotAnOption);
    EXPECT_EQ(ComposeCommandLineMessage({}), u"") << "a good command line has no message";
}

TEST_F(CommandLineTest, MessagesAndUsageComeInTheCurrentLanguage) {
    const CommandLineError error = ParseCommandLine(Split(u"/duration 5d")).error;
    const std::u16string english = ComposeCommandLineMessage(error);
    CurrentLanguage = 0;
    const std::u16string german = ComposeCommandLineMessage(error);
    EXPECT_NE(german.find(u"/duration 5d: keine g\u00FCltige Zeit."), std::u16string::npos) << Narrow(german);
    EXPECT_NE(german, english);
    EXPECT_NE(ComposeFileNotCreatedMessage(u"/log", u"C:\\x\\run.csv").find(u"/log"), std::u16string::npos);
    EXPECT_NE(ComposeUsageText().find(u"Diese Hilfe anzeigen."), std::u16string::npos);

    // Every language names the option and the value in the message, wherever its grammar puts them.
    for (int language = 0; language < 40; ++language) {
        CurrentLanguage = language;
        const std::u16string message = ComposeCommandLineMessage(error);
        EXPECT_NE(message.find(u"/duration"), std::u16string::npos) << "language " << language;
        EXPECT_NE(message.find(u"5d"), std::u16string::npos) << "language " << language;
        EXPECT_EQ(message.find(u"%"), std::u16string::npos) << "language " << language << ": a place left unfilled";
    }
}

TEST_F(CommandLineTest, UsageListsEveryAvailableOptionAndWinsOverAnyFault) {
    const CommandLineResult help = ParseCommandLine(Split(u"/bogus /duration 0 -?"));
    EXPECT_TRUE(help.options.usage);
    EXPECT_EQ(help.error.problem, CommandLineProblem::None);

    const std::u16string usage = ComposeUsageText();
    EXPECT_EQ(usage.find(u"Usage: kestrovane.exe [options]."), 0u);
    for (const char16_t* option :
         {u"/paint /cpu /disk /mem", u"/start", u"/duration T", u"/exit", u"/stoponerror", u"/noverify", u"/log FILE",
          u"/report FILE", u"/json FILE", u"/nogui", u"/selftest", u"/?", u"Exit codes: 0 passed"})
        EXPECT_NE(usage.find(option), std::u16string::npos) << Narrow(option);
    for (const char16_t* option :
         {u"/cpu fp | /cpu add", u"/mem 90% | /mem 4096", u"/cycle T", u"/disk real | /disk cache", u"/diskpath PATH"})
        EXPECT_NE(usage.find(option), std::u16string::npos) << Narrow(option) << ": every feature has landed";
    const std::u16string everything = ComposeUsageText(~0u);
    for (const char16_t* option :
         {u"/cpu fp | /cpu add", u"/mem 90% | /mem 4096", u"/disk real", u"/diskpath PATH", u"/cycle T"})
        EXPECT_NE(everything.find(option), std::u16string::npos) << Narrow(option);
}

TEST(ExitCode, FollowsTheVerdictAndAnEarlyStop) {
    EXPECT_EQ(ExitCodeFor(Verdict::Passed, false), ExitCode::Passed);
    EXPECT_EQ(ExitCodeFor(Verdict::Passed, true), ExitCode::StoppedByUser);
    EXPECT_EQ(ExitCodeFor(Verdict::Failed, true), ExitCode::Failed) << "errors outweigh the early stop";
    EXPECT_EQ(ExitCodeFor(Verdict::Incomplete, true), ExitCode::Incomplete);
    EXPECT_EQ(int(ExitCode::BadCommandLine), 2);
    EXPECT_EQ(int(ExitCode::StoppedByUser), 4);
}

TEST(CommandLineOptions, NoGuiIsSeenInAnyLineHoweverBad) {
    EXPECT_TRUE(NamesOption({u"/bogus", u"-NoGui"}, u"nogui"));
    EXPECT_TRUE(NamesOption({u"/NOGUI"}, u"nogui"));
    EXPECT_FALSE(NamesOption({u"/nogu", u"nogui", u"/noguix"}, u"nogui")) << "only the option itself";
    EXPECT_FALSE(NamesOption({}, u"nogui"));
}

TEST_F(CommandLineTest, TheHeavyLoadsOptionsChangeTheRunsSettingsOnly) {
    HeavyOptions heavy;
    heavy.memorySizeKind = int32_t(MemorySizeKind::Percent);
    heavy.memoryAmount = 50;
    ApplyHeavyCommandLine(ParseCommandLine(Split(u"/start /cpu")).options, heavy);
    EXPECT_EQ(CpuMethod(heavy.cpuMethod.load()), CpuMethod::Additions);
    EXPECT_EQ(heavy.memoryAmount.load(), 50) << "an option not given leaves the stored setting";
    EXPECT_EQ(heavy.cycleMilliseconds.load(), 0);

    ApplyHeavyCommandLine(ParseCommandLine(Split(u"/cpu fp /mem 4096 /cycle 90s")).options, heavy);
    EXPECT_EQ(CpuMethod(heavy.cpuMethod.load()), CpuMethod::FloatingPoint);
    EXPECT_EQ(MemorySizeKind(heavy.memorySizeKind.load()), MemorySizeKind::Mebibytes);
    EXPECT_EQ(heavy.memoryAmount.load(), 4096);
    EXPECT_EQ(heavy.cycleMilliseconds.load(), 90000);

    ApplyHeavyCommandLine(ParseCommandLine(Split(u"/cpu add /mem 90%")).options, heavy);
    EXPECT_EQ(CpuMethod(heavy.cpuMethod.load()), CpuMethod::Additions);
    EXPECT_EQ(MemorySizeKind(heavy.memorySizeKind.load()), MemorySizeKind::Percent);
    EXPECT_EQ(heavy.memoryAmount.load(), 90);
    EXPECT_EQ(heavy.cycleMilliseconds.load(), 90000) << "/cycle not given again: kept";
}

TEST(CommandLine, TheDiskOptionsChooseTheDiskLoadForThisRunOnly) {
    DiskLoadChoice choice;
    choice.folder = u"C:\\stored";
    ApplyDiskOptions(ParseCommandLine(Split(u"/start /cpu")).options, choice);
    EXPECT_EQ(choice.mode, int32_t(DiskLoadMode::Cache)) << "nothing given, the stored choice stays";
    EXPECT_EQ(choice.folder, u"C:\\stored");

    const CommandLineResult real = ParseCommandLine({u"/disk", u"real", u"/diskpath", u"E:\\burn in", u"/start"});
    ASSERT_EQ(real.error.problem, CommandLineProblem::None);
    EXPECT_EQ(UnavailableOption(real.options), u"") << "the real-disk load runs in this version";
    ApplyDiskOptions(real.options, choice);
    EXPECT_EQ(choice.mode, int32_t(DiskLoadMode::Real));
    EXPECT_EQ(choice.folder, u"E:\\burn in");

    ApplyDiskOptions(ParseCommandLine(Split(u"/DISK Cache")).options, choice);
    EXPECT_EQ(choice.mode, int32_t(DiskLoadMode::Cache));
    EXPECT_EQ(choice.folder, u"E:\\burn in") << "a folder stays chosen for a later real-disk run";
}
