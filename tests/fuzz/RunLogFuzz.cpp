// Fuzz target: any bytes as a run log must read without a fault into series of equal length, summarise into
// ordered figures, and compose into a JSON summary that parses and an HTML report.
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <nlohmann/json.hpp>
#include <string_view>

#include "report/RunHtml.h"
#include "report/RunJson.h"

namespace {

void Check(bool condition) {
    if (!condition)
        std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    RunLogData log;
    if (!ReadRunLog(std::string_view(reinterpret_cast<const char*>(data), size), log))
        return 0;
    for (const RunLogSeries& series : log.series)
        Check(series.values.size() == log.rows);
    RunDescription description;
    description.programVersion = u"Kestrovane 4.91";
    description.machine.processorName = u"\xD800 lone surrogate";
    const RunReport report = MakeRunReport(description, RunOutcome(), log);
    for (const RateSummary& rate : report.rates) {
        Check(rate.samples <= log.rows);
        if (rate.samples > 0)
            Check(rate.minimum <= rate.median && rate.median <= rate.maximum);
    }
    const nlohmann::json json = nlohmann::json::parse(ComposeRunJson(report), nullptr, false);
    Check(!json.is_discarded());
    ReportTexts texts;
    texts.title = "Run report";
    const std::string html = ComposeRunHtml(report, log, texts);
    Check(html.find("</html>") != std::string::npos);
    Check(html.find("<script") == std::string::npos);
    return 0;
}
