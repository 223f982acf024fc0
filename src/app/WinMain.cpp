// The entry point of kestrovane.exe: start-up in its fixed order, then the message loop.
#include <windows.h>

#include "app/MainWindow.h"
#include "app/Startup.h"
#include "i18n/LanguageTables.h"
#include "settings/IniStore.h"

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
    EnableDpiAwareness();
    RaiseUserInterfacePriority();
    LoadStartupTexts(instance);
    RegisterMainWindowClass(instance);
    ResolveIniPath();
    ChooseDefaultLanguage();
    if (!LoadLanguageResource())
        return 0;
    if (!CreateMainWindow(instance))
        return 0;
    return RunMessageLoop();
}
