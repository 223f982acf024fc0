// Start-up's side of the command line: refuse, run the self-test, or set up the run; and the program's end with it.
#include "app/Launch.h"

#include <shellapi.h>

#include <string>
#include <vector>

#include "app/RunOutput.h"
#include "base/WideText.h"
#include "i18n/LanguageTables.h"
#include "report/RunFolder_win.h"
#include "run/CommandLine.h"
#include "run/HeavyCommandLine.h"
#include "run/ConsoleOutput_win.h"
#include "run/RunControl_win.h"
#include "run/SelfTest_win.h"
#include "stress/DiskLoadChoice.h"
#include "stress/HeavyOptions.h"
#include "stress/StressControl.h"

LaunchPlan Launch;

namespace {

// The line as parsed, for what can be applied only once the stored settings are read with the window.
CommandLine launchedLine;

// How long the program's end waits for the last run's summary and report; a day-long log takes well under a second.
constexpr DWORD kRunFilesWait = 30000;

std::vector<std::u16string> CommandLineArguments() {
    int count = 0;
    LPWSTR* argv = CommandLineToArgvW(GetCommandLineW(), &count);
    std::vector<std::u16string> arguments;
    // argv[0] is the program itself.
    for (int i = 1; argv && i < count; ++i)
        arguments.emplace_back(AsUtf16(argv[i]));
    LocalFree(argv);
    return arguments;
}

int Refuse(const std::u16string& message, bool noGui) {
    WriteConsoleText((message + u"\r\n").c_str(), noGui ? nullptr : ProductNameText());
    return int(ExitCode::BadCommandLine);
}

// An output file is checked by creating it before any load starts; a file that did not exist is removed again, so
// a run that never ends leaves no empty summary behind.
bool TakeOutputFile(const std::u16string& written, std::wstring& fullPath) {
    if (written.empty())
        return true;
    fullPath = FullPathOf(AsWide(written.c_str()));
    return CanCreateFile(fullPath);
}

bool AnyLoadSelected() {
    return Stress.paintOn.load(kRelaxed) || Stress.cpuOn.load(kRelaxed) || Stress.diskOn.load(kRelaxed) ||
           Stress.memoryOn.load(kRelaxed);
}

}  // namespace

int TakeCommandLine() {
    Launch.files.runsFolder = LocateRunsFolder();
    const std::vector<std::u16string> arguments = CommandLineArguments();
    if (arguments.empty())
        return kLaunchGoesOn;
    const bool noGui = NamesOption(arguments, u"nogui");
    const CommandLineResult parsed = ParseCommandLine(arguments);
    const CommandLine& options = parsed.options;
    if (options.usage) {
        WriteConsoleText(ComposeUsageText().c_str(), noGui ? nullptr : ProductNameText());
        return int(ExitCode::Passed);
    }
    if (parsed.error.problem != CommandLineProblem::None)
        return Refuse(ComposeCommandLineMessage(parsed.error), noGui);
    const std::u16string unavailable = UnavailableOption(options);
    if (!unavailable.empty())
        return Refuse(ComposeUnavailableMessage(unavailable), noGui);
    if (options.selfTest)
        return RunSelfTestOnConsole();
    const struct {
        const char16_t* option;
        const std::u16string& written;
        std::wstring& fullPath;
    } outputs[] = {
        {u"/log", options.logPath, Launch.files.logCopy},
        {u"/report", options.reportPath, Launch.files.reportCopy},
        {u"/json", options.jsonPath, Launch.files.jsonCopy},
    };
    for (const auto& output : outputs) {
        if (!TakeOutputFile(output.written, output.fullPath))
            return Refuse(ComposeFileNotCreatedMessage(output.option, output.written), noGui);
    }
    RunOverrides.verify = options.noVerify ? 0 : -1;
    RunOverrides.stopOnError = options.stopOnError ? 1 : -1;
    RunOverrides.durationSeconds = options.durationSeconds > 0 ? options.durationSeconds : -1;
    Launch.showWindow = !options.noGui;
    Launch.start = options.start;
    Launch.exitWhenDone = options.exitWhenDone;
    Launch.loads = options.loads;
    launchedLine = options;
    return kLaunchGoesOn;
}

void StartLaunchedRun(HWND window) {
    if (Launch.loads != 0) {
        std::atomic<int32_t>* const switches[] = {&Stress.paintOn, &Stress.cpuOn, &Stress.diskOn, &Stress.memoryOn};
        for (int load = 0; load < 4; ++load)
            switches[load]->store(Launch.loads >> load & 1, kRelaxed);
    }
    ApplyHeavyCommandLine(launchedLine, Heavy);
    ApplyDiskOptions(launchedLine, DiskChoice);
    if (!Launch.showWindow) {
        // Without a window the paint load has nothing to draw on; with nothing else selected, the processor load
        // runs instead of the paint load the master switch would pick.
        Stress.paintOn.store(0, kRelaxed);
        if (!AnyLoadSelected())
            Stress.cpuOn.store(1, kRelaxed);
    }
    SyncStressControls(window);
    if (Launch.start)
        ToggleMasterSwitch(window);
}

int FinishLaunch(int loopResult) {
    WaitForRunFiles(kRunFilesWait);
    const EndedRun& run = LastEndedRun();
    if ((!Launch.start && !Launch.exitWhenDone) || run.runId == 0)
        return loopResult;
    if (!VerdictLineWritten(run.runId))
        WriteVerdictLine(run, Launch.exitWhenDone && Launch.showWindow);
    return run.exitCode;
}
