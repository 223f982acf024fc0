// The run's files and results as the window drives them.
#include "app/RunOutput.h"

#include <shellapi.h>

#include <memory>
#include <vector>

#include "app/Launch.h"
#include "base/WideText.h"
#include "i18n/LanguageTables.h"
#include "report/ReportText.h"
#include "report/RunFiles_win.h"
#include "report/RunFolder.h"
#include "report/RunFolder_win.h"
#include "run/CommandLine.h"
#include "run/ConsoleOutput_win.h"
#include "run/RunControl_win.h"
#include "run/RunStatusText.h"
#include "stress/DiskLoadChoice.h"
#include "stress/RealDiskWorker.h"
#include "stress/StressState.h"

namespace {

constexpr int kProductNameText = 19;

EndedRun lastEnded;
uint32_t verdictWrittenFor = 0;
// The run whose files are being finished on its log thread; 0 when none is.
uint32_t filesPendingFor = 0;

// A result box that waits for its run's report.
struct PendingResult {
    uint32_t runId = 0;
    std::u16string text;
    UINT icon = MB_ICONINFORMATION;
};
PendingResult pendingResult;

UINT IconFor(Verdict verdict) {
    switch (verdict) {
        case Verdict::Failed:
            return MB_ICONERROR;
        case Verdict::Incomplete:
            return MB_ICONWARNING;
        case Verdict::Passed:
            break;
    }
    return MB_ICONINFORMATION;
}

void ShowResultBox(HWND window, const PendingResult& result, const std::wstring& reportPath) {
    const std::u16string text = result.text + u"\n" + ReportLineText(AsUtf16(reportPath.c_str()));
    MessageBoxW(window, AsWide(text.c_str()), AsWide(ProductNameText()), MB_OK | result.icon);
}

std::wstring ReportPathOf(uint32_t runId) {
    RunFilesResult files;
    return LastRunFilesResult(files) && files.runId == runId ? files.reportPath : std::wstring();
}

void OnRunBegun(HWND window, uint32_t runId) {
    RunDescription description;
    description.programVersion = ProductNameText();
    description.settings.loads = CurrentRun.selectedLoads;
    description.settings.durationSeconds = CurrentRun.durationSeconds;
    description.settings.verify = CurrentRun.settings.verify.load(kRelaxed) != 0;
    description.settings.stopOnError = CurrentRun.settings.stopOnError.load(kRelaxed) != 0;
    description.settings.realDisk = CurrentRun.settings.realDisk.load(kRelaxed) != 0;
    description.settings.diskFolder = AsUtf16(RealDiskFolderFor(AsWide(DiskChoice.folder.c_str())).c_str());
    description.startUnixSeconds = CurrentRun.startUnixSeconds;
    StartRunFiles(window, runId, CurrentRun.startMilliseconds.load(kRelaxed), description, Launch.files);
    // The command line's settings were for this run; later runs follow the stored options.
    RunOverrides = RunSettingOverrides();
}

void OnRunClosed(HWND, const RunEnding& ending) {
    const RunOutcome outcome = CollectRunOutcome(CurrentRun, ending.endUnixSeconds, ending.stoppedBeforeTime);
    lastEnded.runId = ending.runId;
    lastEnded.verdict = outcome.verdict;
    lastEnded.exitCode = int(ExitCodeFor(outcome.verdict, outcome.stoppedByUser));
    lastEnded.runMilliseconds = CurrentRun.endMilliseconds - CurrentRun.startMilliseconds.load(kRelaxed);
    lastEnded.errors = outcome.errorCount;
    filesPendingFor = FinishRunFiles(ending.runId, outcome, LookUpReportTexts()) ? ending.runId : 0;
}

}  // namespace

void InstallRunOutput() {
    RunObservers.begun = OnRunBegun;
    RunObservers.ended = OnRunClosed;
}

const EndedRun& LastEndedRun() {
    return lastEnded;
}

void ShowResultWhenWritten(HWND window, uint32_t runId, std::u16string result) {
    PendingResult pending{runId, std::move(result), IconFor(RunVerdict(CurrentRun))};
    if (filesPendingFor == runId) {
        pendingResult = std::move(pending);
        return;
    }
    ShowResultBox(window, pending, ReportPathOf(runId));
}

void OnRunFilesDone(HWND window, LPARAM parameter) {
    const std::unique_ptr<RunFilesResult> result(reinterpret_cast<RunFilesResult*>(parameter));
    if (!result)
        return;
    if (result->runId == filesPendingFor)
        filesPendingFor = 0;
    if (Launch.start && !Launch.exitWhenDone && result->runId == lastEnded.runId)
        WriteVerdictLine(lastEnded, false);
    if (pendingResult.runId != 0 && pendingResult.runId == result->runId) {
        // Taken before the box shows: the box runs a message loop of its own, which may deliver another notice.
        const PendingResult pending = std::move(pendingResult);
        pendingResult = PendingResult();
        ShowResultBox(window, pending, result->reportPath);
    }
}

void WriteVerdictLine(const EndedRun& run, bool box) {
    verdictWrittenFor = run.runId;
    const std::wstring reportPath = ReportPathOf(run.runId);
    const std::u16string line =
        ComposeVerdictLine(run.verdict, run.runMilliseconds, run.errors, AsUtf16(reportPath.c_str())) + u"\r\n";
    WriteConsoleText(line.c_str(), box ? ProductNameText() : nullptr);
}

bool VerdictLineWritten(uint32_t runId) {
    return runId != 0 && verdictWrittenFor == runId;
}

void OpenRunsFolder() {
    const std::wstring& folder = Launch.files.runsFolder;
    // A missing program to open it with is not worth a message: the user sees that nothing opened.
    if (MakeFolder(folder))
        ShellExecuteW(nullptr, L"open", folder.c_str(), nullptr, nullptr, SW_SHOWNORMAL);
}

void ShowLastReport(HWND window) {
    const std::wstring& folder = Launch.files.runsFolder;
    const std::u16string newest = folder.empty() ? std::u16string() : NewestRunReport(FolderFileNames(folder));
    if (newest.empty()) {
        const char16_t* text = GetText(kTextNoReportYet);
        MessageBoxW(window, AsWide(text ? text : u""), AsWide(ProductNameText()), MB_OK | MB_ICONINFORMATION);
        return;
    }
    const std::wstring path = folder + L"\\" + AsWide(newest.c_str());
    ShellExecuteW(nullptr, L"open", path.c_str(), nullptr, nullptr, SW_SHOWNORMAL);
}

const char16_t* ProductNameText() {
    const char16_t* name = GetFixedText(kProductNameText);
    return name ? name : u"Kestrovane";
}
