// Prints how long the end of a 24-hour run takes to read its log (86,400 lines) back and compose the JSON summary
// and the HTML report from it, beside the goal of 200 ms, and how the time splits.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <vector>

#include "i18n/LanguageTables.h"
#include "report/RunHtml.h"
#include "report/RunJson.h"
#include "report/SyntheticRun.h"

namespace {

constexpr int kRounds = 15;
constexpr int kLogSeconds = 86400;
constexpr double kGoalMilliseconds = 200;

using Clock = std::chrono::steady_clock;

double Milliseconds(Clock::duration duration) {
    return std::chrono::duration<double, std::milli>(duration).count();
}

struct Round {
    double read = 0;
    double summary = 0;
    double json = 0;
    double html = 0;
    double total = 0;
    size_t bytes = 0;
};

Round ComposeOnce(const SyntheticRun& run, const ReportTexts& texts) {
    Round round;
    const auto start = Clock::now();
    RunLogData log;
    ReadRunLog(run.logText, log);
    const auto read = Clock::now();
    const RunReport report = MakeRunReport(run.description, run.outcome, log);
    const auto summarised = Clock::now();
    const std::string json = ComposeRunJson(report);
    const auto jsonDone = Clock::now();
    const std::string html = ComposeRunHtml(report, log, texts);
    const auto end = Clock::now();
    round.read = Milliseconds(read - start);
    round.summary = Milliseconds(summarised - read);
    round.json = Milliseconds(jsonDone - summarised);
    round.html = Milliseconds(end - jsonDone);
    round.total = Milliseconds(end - start);
    round.bytes = json.size() + html.size();
    return round;
}

}  // namespace

int main() {
    LoadLanguageResource();
    CurrentLanguage = kReferenceLanguage;
    const ReportTexts texts = LookUpReportTexts();
    const SyntheticRun run = MakeSyntheticRun(kLogSeconds, 4);
    std::printf("report: a %d-line log of %zu bytes, best and median of %d rounds\n", kLogSeconds, run.logText.size(),
                kRounds);
    std::vector<Round> rounds;
    for (int i = 0; i < kRounds; ++i)
        rounds.push_back(ComposeOnce(run, texts));
    std::sort(rounds.begin(), rounds.end(), [](const Round& a, const Round& b) { return a.total < b.total; });
    const Round& best = rounds.front();
    const Round& median = rounds[rounds.size() / 2];
    std::printf("  read the log        %7.1f ms (median %7.1f ms)\n", best.read, median.read);
    std::printf("  min/median/max      %7.1f ms (median %7.1f ms)\n", best.summary, median.summary);
    std::printf("  JSON summary        %7.1f ms (median %7.1f ms)\n", best.json, median.json);
    std::printf("  HTML report         %7.1f ms (median %7.1f ms), %zu bytes with the JSON\n", best.html, median.html,
                best.bytes);
    std::printf("compose from a 24-hour log: %.1f ms (median %.1f ms), goal < %.0f ms, ratio %.2f of the goal\n",
                best.total, median.total, kGoalMilliseconds, median.total / kGoalMilliseconds);
    return 0;
}
