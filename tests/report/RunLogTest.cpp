// The run log: written lines read back by column name, numbers the same in every locale, and what a crash, an
// older version or a damaged file leaves is read as far as it is whole. Also the calendar arithmetic under it.
#include <gtest/gtest.h>

#include <algorithm>
#include <charconv>
#include <clocale>
#include <cmath>
#include <string>
#include <vector>

#include "report/CivilTime.h"
#include "report/RunLog.h"

namespace {

RunDescription SampleDescription() {
    RunDescription description;
    description.programVersion = u"Kestrovane 4.91";
    description.machine.processorName = u"Intel(R) Core \"i7\", 8 cores\r\nstepping \u00E9";
    description.machine.logicalProcessors = 8;
    description.machine.physicalMemoryBytes = uint64_t(16) << 30;
    description.machine.windowsVersion = u"10.0.19045";
    description.settings.loads = 1 << 1 | 1 << 3;
    description.settings.durationSeconds = 1200;
    description.settings.more = {{"cpu_method", "add"}};
    description.startUnixSeconds = 1796738602;  // 2026-12-08T14:03:22Z
    return description;
}

LogSample SampleAt(int64_t second) {
    LogSample sample;
    sample.unixSeconds = 1796738602 + second;
    sample.secondsSinceStart = second;
    sample.master = sample.cpu = sample.memory = true;
    sample.megaAddPerSecond = 4504.125 + double(second);
    sample.paintMegabytesPerSecond = 0.0004;
    sample.errors = second / 2;
    return sample;
}

std::string Number(double value) {
    std::string text;
    AppendLogNumber(text, value);
    return text;
}

}  // namespace

TEST(RunLog, WrittenLinesReadBackByColumnName) {
    std::string text = ComposeLogHeaderLine(SampleDescription());
    EXPECT_EQ(text.find("# Kestrovane run log,format=1,program=Kestrovane 4.91,start=2026-12-08T14:03:22Z,"), 0u);
    EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), 1) << "the description stays one line";
    text += ComposeLogColumnLine({"cpu0_rate", "disk_write_mb_per_s"});
    const double extra[] = {12.5, std::nan("")};
    for (int second = 1; second <= 3; ++second)
        AppendLogLine(text, SampleAt(second), extra, 2);
    EXPECT_NE(text.find("\n2026-12-08T14:03:25Z,3,1,0,1,0,1,0,0,4507.125,1,12.5,\n"), std::string::npos) << text;

    RunLogData log;
    ASSERT_TRUE(ReadRunLog(text, log));
    EXPECT_EQ(log.rows, 3u);
    EXPECT_EQ(log.skippedLines, 0u);
    EXPECT_EQ(HeaderValue(log, "processor"), "Intel(R) Core \"i7\", 8 cores  stepping \xC3\xA9");
    EXPECT_EQ(HeaderValue(log, "loads"), "cpu+memory");
    EXPECT_EQ(HeaderValue(log, "cpu_method"), "add");
    EXPECT_EQ(log.series.size(), kRunLogColumnCount + 2);
    const RunLogSeries* utc = FindSeries(log, "utc");
    ASSERT_NE(utc, nullptr);
    EXPECT_EQ(utc->values[0], 1796738603.0);
    EXPECT_EQ(FindSeries(log, "mega_add_per_s")->values[2], 4507.125);
    EXPECT_EQ(FindSeries(log, "errors")->values[2], 1.0);
    EXPECT_EQ(FindSeries(log, "cpu0_rate")->values[1], 12.5);
    EXPECT_TRUE(std::isnan(FindSeries(log, "disk_write_mb_per_s")->values[0])) << "an empty field reads as missing";
    EXPECT_EQ(FindSeries(log, "no_such_column"), nullptr);
}

TEST(RunLog, NumbersLookTheSameInEveryLocale) {
    const char* const commaLocales[] = {"de_DE.UTF-8", "de_DE.utf8", "German_Germany.1252", "fr_FR.UTF-8"};
    const char* chosen = nullptr;
    for (const char* name : commaLocales) {
        if (std::setlocale(LC_ALL, name)) {
            chosen = name;
            break;
        }
    }
    // Where no comma locale is installed the figures are still checked, only without the trap.
    for (int round = 0; round < 2; ++round) {
        EXPECT_EQ(Number(1234567.5), "1234567.5") << (chosen ? chosen : "C");
        EXPECT_EQ(Number(2.0), "2");
        EXPECT_EQ(Number(0.125), "0.125");
        EXPECT_EQ(Number(0.0004), "0");
        EXPECT_EQ(Number(-0.0001), "0");
        EXPECT_EQ(Number(-3.25), "-3.25");
        EXPECT_EQ(Number(1e20), "100000000000000000000") << "never an exponent";
        EXPECT_EQ(Number(HUGE_VAL), "");
        std::string line;
        AppendLogLine(line, SampleAt(1));
        EXPECT_NE(line.find(",0,4505.125,0\n"), std::string::npos) << line;
        RunLogData log;
        ASSERT_TRUE(ReadRunLog(ComposeLogColumnLine() + line, log));
        EXPECT_EQ(FindSeries(log, "mega_add_per_s")->values[0], 4505.125);
        std::setlocale(LC_ALL, "C");
    }
}

TEST(RunLog, NumbersReadBackAsTheStandardLibraryReadsThem) {
    std::string text = "mega_add_per_s\n";
    std::vector<std::string> written;
    double value = 0.001;
    for (int i = 0; i < 2000; ++i, value = value * 1.37 + 0.001) {
        std::string number;
        AppendLogNumber(number, i % 2 ? -value : value);
        written.push_back(number);
        text += number + "\n";
    }
    for (const char* odd : {"1e3", ".5", "-0", "0.1234567890123456789", "12345678901234567890", "-", "1.2.3", "+1"}) {
        written.push_back(odd);
        text += std::string(odd) + "\n";
    }
    RunLogData log;
    ASSERT_TRUE(ReadRunLog(text, log));
    ASSERT_EQ(log.rows, written.size());
    for (size_t row = 0; row < written.size(); ++row) {
        double expected = std::nan("");
        const std::string& number = written[row];
        const auto result = std::from_chars(number.data(), number.data() + number.size(), expected);
        if (result.ec != std::errc() || result.ptr != number.data() + number.size())
            expected = std::nan("");
        const double read = FindSeries(log, "mega_add_per_s")->values[row];
        EXPECT_TRUE(read == expected || (std::isnan(read) && std::isnan(expected))) << number << " read as " << read;
    }
}

TEST(RunLog, ACrashOlderVersionsAndDamageLoseOnlyWhatIsNotWhole) {
    std::string text = ComposeLogHeaderLine(SampleDescription()) + ComposeLogColumnLine();
    for (int second = 1; second <= 4; ++second)
        AppendLogLine(text, SampleAt(second));
    RunLogData log;
    // Cut anywhere inside the last line: the three lines before it stay, the cut one is skipped.
    const size_t lastLine = text.rfind('\n', text.size() - 2) + 1;
    for (size_t cut = lastLine + 1; cut < text.size(); ++cut) {
        ASSERT_TRUE(ReadRunLog(std::string_view(text).substr(0, cut), log));
        EXPECT_EQ(log.rows, 3u) << "cut at " << cut;
        EXPECT_EQ(log.skippedLines, 1u) << "cut at " << cut;
    }

    // An older version: CRLF line ends, no description line, fewer columns in another order.
    ASSERT_TRUE(ReadRunLog("seconds,utc,mega_add_per_s\r\n1,2026-01-01T00:00:01Z,17.5\r\n2,bad time,x\r\n", log));
    EXPECT_EQ(log.rows, 2u);
    EXPECT_TRUE(log.header.empty());
    EXPECT_EQ(FindSeries(log, "mega_add_per_s")->values[0], 17.5);
    EXPECT_EQ(FindSeries(log, "utc")->values[0], 1767225601.0);
    EXPECT_TRUE(std::isnan(FindSeries(log, "utc")->values[1]));
    EXPECT_TRUE(std::isnan(FindSeries(log, "mega_add_per_s")->values[1]));

    // A line with too many or too few fields is skipped; a later version's comment lines are ignored.
    ASSERT_TRUE(ReadRunLog("\xEF\xBB\xBFseconds,errors\n1,0\n2,0,7\n3\n# note\n4,1\n\n", log));
    EXPECT_EQ(log.rows, 2u);
    EXPECT_EQ(log.skippedLines, 2u);
    EXPECT_EQ(FindSeries(log, "seconds")->values[1], 4.0);

    EXPECT_FALSE(ReadRunLog("", log));
    EXPECT_FALSE(ReadRunLog("# Kestrovane run log,format=1\n", log));
    EXPECT_FALSE(ReadRunLog("# Kestrovane run log,format=1\nutc,seconds", log))
        << "a cut column line is no column line";
}

TEST(CivilTime, DatesRoundTripAndOnlyRealMomentsParse) {
    const struct {
        int64_t unixSeconds;
        const char* iso;
    } rows[] = {
        {0, "1970-01-01T00:00:00Z"},          {951782400, "2000-02-29T00:00:00Z"},
        {1796738602, "2026-12-08T14:03:22Z"}, {4107542400, "2100-03-01T00:00:00Z"},
        {-1, "1969-12-31T23:59:59Z"},         {253402300799, "9999-12-31T23:59:59Z"},
    };
    for (const auto& row : rows) {
        EXPECT_EQ(FormatIsoUtc(row.unixSeconds), row.iso);
        int64_t parsed = 7;
        EXPECT_TRUE(ParseIsoUtc(row.iso, parsed)) << row.iso;
        EXPECT_EQ(parsed, row.unixSeconds) << row.iso;
    }
    int64_t parsed = 0;
    for (const char* bad : {"2026-02-29T00:00:00Z", "2100-02-29T00:00:00Z", "2026-12-08T24:00:00Z",
                            "2026-12-08 14:03:22Z", "2026-12-08T14:03:22", "2026-12-08T14:03:2xZ", ""})
        EXPECT_FALSE(ParseIsoUtc(bad, parsed)) << bad;
    EXPECT_EQ(FormatClock(3723), "1:02:03");
    EXPECT_EQ(FormatClock(90061), "25:01:01");
    EXPECT_EQ(FormatClock(-5), "0:00:00");
}
