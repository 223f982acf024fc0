// The entry point of kestrovane.exe: start-up in its fixed order, the command line, then the message loop.
#include <windows.h>

#include <cstdlib>
#include <cwchar>

#include "app/Launch.h"
#include "app/MainWindow.h"
#include "app/RunOutput.h"
#include "app/Startup.h"
#include "app/UiHandles.h"
#include "i18n/LanguageTables.h"
#include "run/RunControl_win.h"
#include "settings/IniStore.h"
#include "stress/HeavyMemory_win.h"

namespace {

// The tests' machine for the memory load's share: KESTROVANE_TEST_MEMORY_MIB, which no user sets, makes the share
// and its floor see that many MiB of physical memory, so that a test of 90 % does not take a shared machine's.
void ReadTestMemorySize() {
    if (const wchar_t* mebibytes = _wgetenv(L"KESTROVANE_TEST_MEMORY_MIB"))
        HeavyMemoryTestMebibytes.store(std::wcstoull(mebibytes, nullptr, 10), std::memory_order_relaxed);
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
    ReadTestMemorySize();
    EnableDpiAwareness();
    RaiseUserInterfacePriority();
    LoadStartupTexts(instance);
    RegisterMainWindowClass(instance);
    ResolveIniPath();
    ChooseDefaultLanguage();
    if (!LoadLanguageResource())
        return 0;
    // The usage, a refused command line and the detectors' self-test end here, before any load starts.
    const int ended = TakeCommandLine();
    if (ended != kLaunchGoesOn)
        return ended;
    InstallRunHooks();
    InstallRunOutput();
    ArmTestFaults(_wgetenv(L"KESTROVANE_TEST_INJECT_FAULTS"));
    if (!CreateMainWindow(instance, Launch.showWindow))
        return 0;
    StartLaunchedRun(Ui.mainWindow);
    return FinishLaunch(RunMessageLoop());
}
