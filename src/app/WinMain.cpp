// The entry point of kestrovane.exe: start-up in its fixed order, then the message loop.
#include <windows.h>

#include "app/MainWindow.h"
#include "app/Startup.h"
#include "base/WideText.h"
#include "i18n/LanguageTables.h"
#include "run/RunControl_win.h"
#include "run/SelfTest.h"
#include "run/SelfTest_win.h"
#include "settings/IniStore.h"

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR arguments, int) {
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
