// The report: rates summarised over the seconds their load ran, charts thinned without losing spikes, the outcome
// read from the run record, and the JSON and HTML composed from them with every text escaped.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <nlohmann/json.hpp>
#include <string>

#include "i18n/LanguageTables.h"
#include "report/RunHtml.h"
#include "report/RunJson.h"
#include "report/SyntheticRun.h"

namespace {

size_t Count(const std::string& text, const std::string& part) {
    size_t count = 0;
    for (size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1))
        ++count;
    return count;
}

RunReport ReportOf(const SyntheticRun& run, RunLogData& log) {
    EXPECT_TRUE(ReadRunLog(run.logText, log));
    return MakeRunReport(run.description, run.outcome, log);
}

class RunReportTest : public testing::Test {
protected:
    static void SetUpTestSuite() { ASSERT_EQ(LoadLanguageResource(), 1); }
    void SetUp() override { CurrentLanguage = kReferenceLanguage; }
    void TearDown() override { CurrentLanguage = kReferenceLanguage; }
};

}  // namespace

TEST(RunSummary, RatesCountOnlyTheSecondsTheirLoadRan) {
    RunLogData log;
    ASSERT_TRUE(
        ReadRunLog("seconds,master,paint,cpu,mega_add_per_s,paint_passes_per_s\n"
                   "1,1,0,1,10,0\n2,1,0,1,30,0\n3,1,0,0,0,0\n4,0,0,1,0,0\n5,1,0,1,20,0\n6,1,0,1,40,0\n"
                   "7,1,0,1,nan,0\n",
                   log));
    const std::vector<RateSummary> rates = SummarizeRates(log);
    ASSERT_EQ(rates.size(), 2u) << "only the rate columns the log has";
    const RateSummary& additions = rates[0].column == "mega_add_per_s" ? rates[0] : rates[1];
    EXPECT_EQ(additions.samples, 4u);
    EXPECT_EQ(additions.minimum, 10);
    EXPECT_EQ(additions.median, 25) << "the mean of the two middle values";
    EXPECT_EQ(additions.maximum, 40);
    const RateSummary& paint = rates[0].column == "mega_add_per_s" ? rates[1] : rates[0];
    EXPECT_EQ(paint.samples, 0u);
    EXPECT_TRUE(std::isnan(paint.median));
    EXPECT_EQ(MedianOf({5, 1, 3}), 3);
    EXPECT_TRUE(std::isnan(MedianOf({})));
}

TEST(RunSummary, DownsamplingKeepsEverySpike) {
    const size_t rows = 86400;
    std::vector<double> seconds(rows), values(rows, 100.0);
    for (size_t row = 0; row < rows; ++row)
        seconds[row] = double(row + 1);
    values[12345] = 1000;
    values[54321] = 1;
    values[86399] = 5000;
    values[777] = std::nan("");
    const std::vector<ChartPoint> points = DownsampleMinMax(seconds, values, kMaxChartPoints);
    EXPECT_LE(points.size(), kMaxChartPoints);
    EXPECT_GE(points.size(), kMaxChartPoints / 2);
    for (const auto& [second, value] : {std::pair{12346.0, 1000.0}, {54322.0, 1.0}, {86400.0, 5000.0}}) {
        EXPECT_TRUE(std::any_of(points.begin(), points.end(),
                                [&](const ChartPoint& p) { return p.seconds == second && p.value == value; }))
            << "the spike at " << second << " s";
    }
    EXPECT_TRUE(std::is_sorted(points.begin(), points.end(),
                               [](const ChartPoint& a, const ChartPoint& b) { return a.seconds < b.seconds; }));
    EXPECT_TRUE(std::none_of(points.begin(), points.end(), [](const ChartPoint& p) { return std::isnan(p.value); }));
    const std::vector<ChartPoint> few = DownsampleMinMax({1, 2, 3}, {5, std::nan(""), 7}, kMaxChartPoints);
    ASSERT_EQ(few.size(), 2u) << "a short series is kept whole, without its gaps";
    EXPECT_EQ(few[1].value, 7);
}

TEST(RunSummary, TheOutcomeIsReadFromTheRunRecord) {
    const uint32_t id = BeginRun(1 << 1 | 1 << 2, 1000, 1796738602);
    MarkLoadRan(id, 1);
    MarkLoadCouldNotRun(id, 2);
    RunError late;
    late.millisecondsSinceStart = 9000;
    late.source = ErrorSource::Additions;
    late.processor = 3;
    RunError early = late;
    early.millisecondsSinceStart = 2000;
    early.processor = -1;
    RecordRunError(id, late);
    RecordRunError(id, early);
    EndRun(13500);
    const RunOutcome outcome = CollectRunOutcome(CurrentRun, 1796738614, false);
    EXPECT_EQ(outcome.verdict, Verdict::Failed);
    EXPECT_DOUBLE_EQ(outcome.secondsRun, 12.5);
    ASSERT_EQ(outcome.errors.size(), 2u);
    EXPECT_EQ(outcome.errors[0].millisecondsSinceStart, 2000) << "in the order they were found";
    ASSERT_EQ(outcome.processorErrors.size(), 1u);
    EXPECT_EQ(outcome.processorErrors[0], (std::pair<int32_t, int32_t>{3, 1}));
    EXPECT_EQ(outcome.sourceErrors[int(ErrorSource::Additions)], 2);
    EXPECT_EQ(outcome.loadsRan, 1 << 1);
    EXPECT_EQ(outcome.loadsCouldNotRun, 1 << 2);
}

TEST_F(RunReportTest, TheJsonSummaryHoldsWhatScriptsRead) {
    SyntheticRun run = MakeSyntheticRun(600, 3);
    run.description.settings.more = {{"cpu_method", "add"}, {"verify", "overridden?"}};
    run.outcome.stoppedByUser = true;
    std::snprintf(run.outcome.errors[0].detail, kRunErrorDetailCapacity, "bad \xFF byte \"quoted\"\n");
    RunLogData log;
    const std::string text = ComposeRunJson(ReportOf(run, log));
    const nlohmann::json json = nlohmann::json::parse(text);
    EXPECT_EQ(json["format"], kRunReportFormat);
    EXPECT_EQ(json["verdict"], "FAILED");
    EXPECT_EQ(json["exit_code"], 1);
    EXPECT_EQ(json["start_utc"], "2026-12-08T14:03:22Z");
    EXPECT_EQ(json["end_utc"], "2026-12-08T14:13:22Z");
    EXPECT_EQ(json["duration_asked_s"], 600);
    EXPECT_EQ(json["machine"]["processor"], "AMD EPYC 7B13 64-Core Processor <test & \"quotes\">");
    EXPECT_EQ(json["machine"]["physical_memory_bytes"], uint64_t(8) << 30);
    EXPECT_EQ(json["settings"]["loads"], nlohmann::json({"paint", "cpu", "memory"}));
    EXPECT_EQ(json["settings"]["cpu_method"], "add");
    EXPECT_EQ(json["settings"]["verify"], true) << "a later setting cannot overwrite a standard one";
    EXPECT_EQ(json["errors"]["count"], 3);
    ASSERT_EQ(json["errors"]["kept"].size(), 3u);
    EXPECT_EQ(json["errors"]["kept"][0]["check"], "memory");
    EXPECT_EQ(json["errors"]["kept"][0]["expected"], 0x5555555555555555ull) << "64-bit values exactly";
    EXPECT_EQ(json["errors"]["kept"][0]["detail"], "bad \xEF\xBF\xBD byte \"quoted\"\n") << "replaced, not thrown";
    EXPECT_EQ(json["errors"]["by_processor"][0]["count"], 2);
    const nlohmann::json& cpu = json["loads"][1];
    EXPECT_EQ(cpu["load"], "cpu");
    EXPECT_EQ(cpu["verified"], true);
    ASSERT_EQ(cpu["rates"].size(), 1u);
    EXPECT_EQ(cpu["rates"][0]["name"], "mega_add_per_s");
    EXPECT_EQ(cpu["rates"][0]["minimum"], 450);
    EXPECT_EQ(cpu["rates"][0]["maximum"], 9000);
    EXPECT_EQ(cpu["rates"][0]["samples"], 600);
    EXPECT_EQ(json["loads"][0]["verified"], false) << "the paint load is never verified";
    EXPECT_TRUE(json["loads"][2]["rates"].empty());

    // Without samples the figures are null, never NaN (which is not JSON).
    RunLogData empty;
    ASSERT_TRUE(ReadRunLog(ComposeLogColumnLine(), empty));
    const nlohmann::json bare = nlohmann::json::parse(ComposeRunJson(MakeRunReport(RunDescription(), {}, empty)));
    EXPECT_TRUE(bare["loads"][1]["rates"][0]["median"].is_null());
    EXPECT_TRUE(bare["duration_asked_s"].is_null());
    EXPECT_EQ(bare["verdict"], "PASSED");
}

TEST_F(RunReportTest, TheHtmlReportShowsVerdictChartsAndTablesSelfContained) {
    const SyntheticRun run = MakeSyntheticRun(86400, 4);
    RunLogData log;
    const RunReport report = ReportOf(run, log);
    const std::string html = ComposeRunHtml(report, log, LookUpReportTexts());
    EXPECT_NE(html.find("<p class=\"word\" id=\"verdict\">FAILED</p>"), std::string::npos);
    EXPECT_NE(html.find("Errors found: 4"), std::string::npos);
    EXPECT_LT(html.find("id=\"verdict\""), html.find("<svg")) << "the verdict comes first";
    EXPECT_EQ(Count(html, "<svg"), 3u) << "one chart per rate";
    EXPECT_EQ(Count(html, "class=\"error\""), 3u * 4u) << "each error marked on each chart";
    // Each chart's line has at most kMaxChartPoints points.
    for (size_t at = html.find("class=\"series\" d=\""); at != std::string::npos;
         at = html.find("class=\"series\" d=\"", at + 1)) {
        const std::string path = html.substr(at, html.find('"', at + 18) - at);
        EXPECT_LE(Count(path, "L") + 1, kMaxChartPoints);
    }
    EXPECT_NE(html.find("&lt;test &amp; &quot;quotes&quot;&gt;"), std::string::npos) << "the processor name escaped";
    EXPECT_EQ(html.find("<test"), std::string::npos);
    EXPECT_NE(html.find("&lt;copy&gt;"), std::string::npos) << "an error's detail escaped";
    EXPECT_EQ(html.find("<script"), std::string::npos);
    EXPECT_EQ(html.find("src="), std::string::npos);
    EXPECT_EQ(html.find("href="), std::string::npos);
    EXPECT_EQ(Count(html, "http"), 3u) << "only the SVG namespace, nothing fetched";
    EXPECT_NE(html.find("24:00:00"), std::string::npos) << "the time axis reaches the end of the day";
    EXPECT_NE(html.find(">19\xE2\x80\xAF"), std::string::npos) << "MB/s grouped the same in every language";

    CurrentLanguage = 23;
    const std::string arabic = ComposeRunHtml(report, log, LookUpReportTexts());
    EXPECT_NE(arabic.find("<html lang=\"ar\" dir=\"rtl\">"), std::string::npos);
    EXPECT_NE(arabic.find("direction:ltr"), std::string::npos) << "charts keep time running left to right";
    CurrentLanguage = 0;
    const std::string german = ComposeRunHtml(report, log, LookUpReportTexts());
    EXPECT_NE(german.find("Gefundene Fehler: 4"), std::string::npos);
    EXPECT_NE(german.find("<html lang=\"de\" dir=\"ltr\">"), std::string::npos);
    EXPECT_NE(german.find("id=\"verdict\">FAILED<"), std::string::npos) << "the verdict word stays for scripts";
}

TEST_F(RunReportTest, TheReportNamesTheRunsOptionsInTheOptionsMenusOwnWords) {
    const ReportTexts english = LookUpReportTexts();
    EXPECT_EQ(english.verifyResults, "Verify results");
    EXPECT_EQ(english.stopOnError, "Stop on first error");
    EXPECT_EQ(english.firstErrorsListed, "Only the first %1 of %2 errors are listed.");
    EXPECT_EQ(english.hardwareLog, "Hardware error log");
    CurrentLanguage = 0;
    const ReportTexts german = LookUpReportTexts();
    EXPECT_EQ(german.verifyResults,
              "Ergebnisse pr\xC3\xBC"
              "fen");
    EXPECT_EQ(german.stopOnError, "Beim ersten Fehler anhalten");
}

TEST_F(RunReportTest, TheRealDiskLoadsFiguresStandBesideTheCachesInTheJsonAndTheHtml) {
    const SyntheticRun run = MakeSyntheticRun(300, 0, true);
    RunLogData log;
    RunReport report = ReportOf(run, log);
    report.disk = run.disk;
    const nlohmann::json json = nlohmann::json::parse(ComposeRunJson(report));
    const nlohmann::json& disk = json["disk"];
    ASSERT_TRUE(disk.is_object());
    EXPECT_EQ(disk["mode"], "real");
    EXPECT_EQ(disk["folder"], "D:\\stress <here>");
    EXPECT_EQ(disk["bytes_written"], int64_t(300) * 800'000'000);
    EXPECT_EQ(disk["files_verified"], 150);
    EXPECT_EQ(disk["write_mb_per_s"]["samples"], 200) << "only the seconds the real-disk load measured";
    EXPECT_GE(disk["write_mb_per_s"]["minimum"], 800);
    EXPECT_LE(disk["read_mb_per_s"]["maximum"], 1700);
    EXPECT_EQ(disk["cache_mb_per_s"]["samples"], 100);
    EXPECT_TRUE(disk["folder_problem"].is_null());
    EXPECT_EQ(json["loads"][2]["rates"].size(), 3u) << "the disk load's rates are the load's rates too";
    EXPECT_EQ(json["loads"][2]["verified"], true) << "the real-disk load checks what it reads back";

    const std::string html = ComposeRunHtml(report, log, LookUpReportTexts());
    const size_t cache = html.find("Disk, temporary files (cache) \xE2\x80\x94 MB/s");
    const size_t write = html.find("Disk write \xE2\x80\x94 MB/s");
    const size_t read = html.find("Disk read \xE2\x80\x94 MB/s");
    ASSERT_NE(cache, std::string::npos);
    EXPECT_LT(cache, write) << "the cache's rate first, then the device's";
    EXPECT_LT(write, read);

    // A run without the real-disk load says so with null; unmeasured rates are empty fields in the log.
    report.disk = DiskReport();
    EXPECT_TRUE(nlohmann::json::parse(ComposeRunJson(report))["disk"].is_null());
    DiskLoadStatus status;
    status.writeMegabytesPerSecond = 812.5;
    double values[kDiskLogColumnCount];
    DiskLogValues(status, values);
    EXPECT_TRUE(std::isnan(values[0]));
    EXPECT_EQ(values[1], 812.5);
    EXPECT_TRUE(std::isnan(values[2]));
}
