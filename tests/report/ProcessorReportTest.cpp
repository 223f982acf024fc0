// The heavy mode in the run's files: one log column per processor read back by name, each processor summarised
// over the seconds its load ran, and the JSON and HTML sections of a heavy run and of one processor at a time.
#include <gtest/gtest.h>

#include <cmath>
#include <nlohmann/json.hpp>
#include <string>

#include "i18n/LanguageTables.h"
#include "report/ProcessorRates.h"
#include "report/RunHtml.h"
#include "report/RunJson.h"
#include "report/SyntheticRun.h"

namespace {

const double kNone = std::nan("");

size_t Count(const std::string& text, const std::string& part) {
    size_t count = 0;
    for (size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1))
        ++count;
    return count;
}

}  // namespace

TEST(ProcessorReport, OneColumnPerProcessorIsWrittenAndReadBackByName) {
    const std::vector<std::string> columns = ProcessorLogColumns(3, true);
    const std::vector<std::string> expected = {"fp_gflops", "cpu0_gflops", "cpu1_gflops", "cpu2_gflops", "cpu0_mhz",
                                               "cpu1_mhz",  "cpu2_mhz",    "throttling",  "slow"};
    EXPECT_EQ(columns, expected);
    EXPECT_EQ(ProcessorLogColumns(2, false).size(), 5u) << "no clock columns without the counters";

    std::string text = ComposeLogColumnLine(columns);
    std::vector<double> values;
    ProcessorLogValues({40.5, kNone, 39.25}, {3000, kNone, 2950.5}, true, 1, 0, values);
    ASSERT_EQ(values.size(), columns.size());
    LogSample sample;
    sample.secondsSinceStart = 7;
    AppendLogLine(text, sample, values.data(), values.size());
    RunLogData log;
    ASSERT_TRUE(ReadRunLog(text, log));
    EXPECT_DOUBLE_EQ(FindSeries(log, "fp_gflops")->values[0], 79.75) << "the total of the processors with a rate";
    EXPECT_DOUBLE_EQ(FindSeries(log, "cpu2_gflops")->values[0], 39.25);
    EXPECT_TRUE(std::isnan(FindSeries(log, "cpu1_gflops")->values[0])) << "no rate: an empty field";
    EXPECT_DOUBLE_EQ(FindSeries(log, "cpu2_mhz")->values[0], 2950.5);
    EXPECT_DOUBLE_EQ(FindSeries(log, "throttling")->values[0], 1);

    ProcessorLogValues({kNone, kNone}, {}, false, 0, 0, values);
    EXPECT_TRUE(std::isnan(values[0])) << "no processor with a rate: no total either";
}

TEST(ProcessorReport, EachProcessorIsSummarisedOverTheSecondsItsLoadRan) {
    std::string text = "seconds,master,cpu,cpu10_gflops,cpu2_gflops,cpu01_gflops,cpux_gflops,cpu2_mhz\n";
    // Seconds 1-100: processor 2 at 40 (its clock 3000) but 20 in the last 30 seconds; processor 10 only in the
    // first 50 seconds; second 5 with the processor switch off, second 6 with the master off.
    for (int second = 1; second <= 100; ++second) {
        const bool switchesOn = second != 5 && second != 6;
        const double two = second == 5 || second == 6 ? 1.0 : second > 70 ? 20.0 : 40.0;
        text += std::to_string(second) + "," + (second == 6 ? "0" : "1") + "," + (second == 5 ? "0" : "1") + "," +
                (second <= 50 ? "30" : "") + "," + std::to_string(two) + ",5,5," + (switchesOn ? "3000" : "") + "\n";
    }
    RunLogData log;
    ASSERT_TRUE(ReadRunLog(text, log));
    const std::vector<ProcessorSummary> summaries = SummarizeProcessors(log);
    ASSERT_EQ(summaries.size(), 2u) << "cpu01 and cpux are no processor columns";
    EXPECT_EQ(summaries[0].processor, 2) << "by number: 2 before 10";
    EXPECT_EQ(summaries[1].processor, 10);
    const ProcessorSummary& two = summaries[0];
    EXPECT_EQ(two.samples, 98u);
    EXPECT_DOUBLE_EQ(two.median, 40);
    EXPECT_DOUBLE_EQ(two.minimum, 20) << "the seconds with a switch off do not count";
    EXPECT_DOUBLE_EQ(two.lastMinute, 30) << "30 of the last 60 seconds at 20, the rest at 40: the median is 30";
    EXPECT_DOUBLE_EQ(two.medianMegahertz, 3000);
    const ProcessorSummary& ten = summaries[1];
    EXPECT_EQ(ten.samples, 48u);
    EXPECT_DOUBLE_EQ(ten.lastMinute, 30) << "the last minute in which it ran";
    EXPECT_TRUE(std::isnan(ten.medianMegahertz));

    EXPECT_EQ(CycleResultOf(two, 0), CycleResult::Passed);
    EXPECT_EQ(CycleResultOf(two, 2), CycleResult::Failed);
    EXPECT_EQ(CycleResultOf(ProcessorSummary{}, 0), CycleResult::NotReached);
    EXPECT_EQ(CycleResultOf(ProcessorSummary{}, 1), CycleResult::Failed) << "an error there means it was reached";
}

// Every run's log has the processors' columns: a run of the additions leaves them empty and its report lists no
// processor, while one processor at a time keeps the processors its worker never reached.
TEST(ProcessorReport, TheReportListsProcessorsOnlyWhenTheFloatingPointLoadGaveARate) {
    const std::vector<std::string> columns = ProcessorLogColumns(3, false);
    std::string text = ComposeLogColumnLine(columns);
    std::vector<double> values;
    LogSample sample;
    sample.master = sample.cpu = true;
    sample.megaAddPerSecond = 4500;
    for (int second = 1; second <= 5; ++second) {
        sample.secondsSinceStart = second;
        ProcessorLogValues({kNone, kNone, kNone}, {}, false, 0, 0, values);
        AppendLogLine(text, sample, values.data(), values.size());
    }
    RunLogData log;
    ASSERT_TRUE(ReadRunLog(text, log));
    EXPECT_TRUE(MakeRunReport({}, {}, log).processors.empty()) << "no rate in any second: no processor";

    sample.secondsSinceStart = 6;
    ProcessorLogValues({kNone, 41.5, kNone}, {}, false, 0, 0, values);
    AppendLogLine(text, sample, values.data(), values.size());
    ASSERT_TRUE(ReadRunLog(text, log));
    const std::vector<ProcessorSummary> processors = MakeRunReport({}, {}, log).processors;
    ASSERT_EQ(processors.size(), 3u) << "one rate: every processor, the ones never reached too";
    EXPECT_EQ(processors[0].samples, 0u);
    EXPECT_EQ(processors[1].samples, 1u);
    EXPECT_DOUBLE_EQ(processors[1].median, 41.5);
}

class ProcessorReportFiles : public testing::Test {
protected:
    static void SetUpTestSuite() { ASSERT_EQ(LoadLanguageResource(), 1); }
    void TearDown() override { CurrentLanguage = kReferenceLanguage; }

    RunReport Compose(int cyclePeriod) {
        HeavyRunFacts facts;
        const SyntheticRun run = MakeHeavySyntheticRun(600, 4, cyclePeriod, facts);
        EXPECT_TRUE(ReadRunLog(run.logText, log_));
        RunReport report = MakeRunReport(run.description, run.outcome, log_);
        report.heavy = facts;
        return report;
    }
    RunLogData log_;
};

TEST_F(ProcessorReportFiles, TheJsonCarriesEveryProcessorTheEventsAndTheMemoryTested) {
    const RunReport report = Compose(0);
    const nlohmann::json json = nlohmann::json::parse(ComposeRunJson(report));
    ASSERT_EQ(json["processors"].size(), 4u);
    EXPECT_EQ(json["processors"][1]["throttling"], true);
    EXPECT_EQ(json["processors"][0]["throttling"], false);
    EXPECT_NEAR(json["processors"][0]["median_gflops"].get<double>(), 40, 0.5);
    EXPECT_TRUE(json["processors"][0]["cycle_result"].is_null());
    const nlohmann::json& load = json["processor_load"];
    EXPECT_EQ(load["instruction_set"], "AVX-512F");
    EXPECT_EQ(load["clock"], "available");
    ASSERT_EQ(load["throttling"].size(), 1u);
    EXPECT_EQ(load["throttling"][0]["processor"], 1);
    EXPECT_EQ(load["throttling"][0]["start_s"], 400);
    EXPECT_NEAR(load["throttling"][0]["drop"].get<double>(), 0.15, 0.02);
    EXPECT_EQ(json["memory_load"]["tested_bytes"], report.heavy.memoryTestedBytes);
    EXPECT_EQ(json["memory_load"]["share_percent"], 90);
    for (const auto& loadEntry : json["loads"]) {
        for (const auto& rate : loadEntry["rates"]) {
            if (rate["name"] == "mega_add_per_s") {
                EXPECT_EQ(rate["samples"], 0) << "the additions' stale rate does not count beside the kernel's";
            }
        }
    }

    RunReport plain = report;
    plain.heavy = HeavyRunFacts();
    const nlohmann::json without = nlohmann::json::parse(ComposeRunJson(plain));
    EXPECT_TRUE(without["processor_load"].is_null());
    EXPECT_TRUE(without["memory_load"].is_null());
}

TEST_F(ProcessorReportFiles, TheHtmlShowsAllProcessorsTheirTableAndTheOneAtATimeResults) {
    RunReport report = Compose(201);
    std::string html = ComposeRunHtml(report, log_, LookUpReportTexts());
    EXPECT_EQ(Count(html, "<section id=\"processors\">"), 1u);
    EXPECT_EQ(Count(html, "style=\"stroke:hsl("), 4u) << "one line per processor";
    EXPECT_EQ(Count(html, "<td class=\"failed\">FAILED</td>"), 1u) << "processor 0 had the error";
    EXPECT_EQ(Count(html, ">PASSED</td>"), 2u);
    EXPECT_EQ(Count(html, ">not reached</td>"), 1u);
    EXPECT_NE(html.find("17.5 GiB of 18 GiB asked"), std::string::npos);
    EXPECT_EQ(html.find("not available"), std::string::npos) << "the counters were there";

    report.heavy.clockAvailable = false;
    report.heavy.cycleSeconds = 0;
    CurrentLanguage = 0;
    html = ComposeRunHtml(report, log_, LookUpReportTexts());
    EXPECT_NE(html.find("nicht verfügbar"), std::string::npos) << "absent counters are said to be absent";
    EXPECT_NE(html.find("Getesteter Speicher"), std::string::npos);
    EXPECT_EQ(Count(html, "(MHz)"), 0u) << "no clock column without the counters";
    EXPECT_EQ(Count(html, ">nicht erreicht</td>"), 0u) << "no per-processor results outside that mode";
}
