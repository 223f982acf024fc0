// Writes the reports of made-up runs into a folder, for the schema check and the browser check: passed (with the
// real-disk load), failed, heavy (the floating-point load on four processors) and cycle (one processor at a time),
// each .csv/.json/.html, labelled in the language of that index (default English).
// Usage: compose_sample_report FOLDER [SECONDS [LANGUAGE]]
#include <cstdio>
#include <cstdlib>
#include <string>

#include "i18n/LanguageTables.h"
#include "report/RunHtml.h"
#include "report/RunJson.h"
#include "report/SyntheticRun.h"

namespace {

bool WriteFile(const std::string& path, const std::string& text) {
    FILE* file = std::fopen(path.c_str(), "wb");
    if (!file)
        return false;
    const bool written = std::fwrite(text.data(), 1, text.size(), file) == text.size();
    return std::fclose(file) == 0 && written;
}

bool Compose(const std::string& folder, const char* name, int seconds, int errors, bool realDisk) {
    const SyntheticRun run = MakeSyntheticRun(seconds, errors, realDisk);
    RunLogData log;
    if (!ReadRunLog(run.logText, log))
        return false;
    RunReport report = MakeRunReport(run.description, run.outcome, log);
    report.disk = run.disk;
    const std::string stem = folder + "/" + name;
    return WriteFile(stem + ".csv", run.logText) && WriteFile(stem + ".json", ComposeRunJson(report)) &&
           WriteFile(stem + ".html", ComposeRunHtml(report, log, LookUpReportTexts()));
}

// A heavy run: every processor measured (heavy.*), or one processor at a time (cycle.*), so slowly that the
// last of the four processors is never reached.
bool ComposeHeavy(const std::string& folder, const char* name, int seconds, int cyclePeriod) {
    HeavyRunFacts facts;
    const SyntheticRun run = MakeHeavySyntheticRun(seconds, 4, cyclePeriod, facts);
    RunLogData log;
    if (!ReadRunLog(run.logText, log))
        return false;
    RunReport report = MakeRunReport(run.description, run.outcome, log);
    report.heavy = facts;
    const std::string stem = folder + "/" + name;
    return WriteFile(stem + ".csv", run.logText) && WriteFile(stem + ".json", ComposeRunJson(report)) &&
           WriteFile(stem + ".html", ComposeRunHtml(report, log, LookUpReportTexts()));
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: compose_sample_report FOLDER [SECONDS [LANGUAGE]]\n");
        return 2;
    }
    const int seconds = argc > 2 ? std::atoi(argv[2]) : 3600;
    if (LoadLanguageResource() != 1 || seconds < 1) {
        std::fprintf(stderr, "no language tables, or a bad length\n");
        return 1;
    }
    CurrentLanguage = argc > 3 ? std::atoi(argv[3]) : kReferenceLanguage;
    // The passed run had the disk load too: first the temporary files, then the real disk.
    if (!Compose(argv[1], "passed", seconds, 0, true) || !Compose(argv[1], "failed", seconds, 3, false) ||
        !ComposeHeavy(argv[1], "heavy", seconds, 0) || !ComposeHeavy(argv[1], "cycle", seconds, seconds / 3 + 1)) {
        std::fprintf(stderr, "cannot write into %s\n", argv[1]);
        return 1;
    }
    return 0;
}
