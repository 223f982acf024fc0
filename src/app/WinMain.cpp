// The entry point of kestrovane.exe: start-up in its fixed order, then the message loop.
#include <windows.h>

#include <cwchar>
#include <cstdlib>

#include "app/MainWindow.h"
#include "app/Startup.h"
#include "base/WideText.h"
#include "i18n/LanguageTables.h"
#include "run/RunControl_win.h"
#include "run/SelfTest.h"
#include "run/SelfTest_win.h"
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

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR arguments, int) {
    ReadTestMemorySize();
    EnableDpiAwareness();
    LoadStartupTexts(instance);
    RegisterMainWindowClass(instance);
    ResolveIniPath();
    ChooseDefaultLanguage();
    if (!LoadLanguageResource())
        return 0;
    // The detector self-test runs without a window and ends the program with its result.
    if (arguments && IsSelfTestCommandLine(AsUtf16(arguments)))
        return RunSelfTestOnConsole();
    InstallRunHooks();
    ArmTestFaults(_wgetenv(L"KESTROVANE_TEST_INJECT_FAULTS"));
    if (!CreateMainWindow(instance))
        return 0;
    return RunMessageLoop();
}
