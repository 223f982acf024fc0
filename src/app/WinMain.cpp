// Start-up of kestrovane.exe: settings, stress state and the main window, then the message loop.
#include <windows.h>

#include "app/UiHandles.h"
#include "i18n/LanguageTables.h"
#include "settings/IniStore.h"
#include "stress/StressControl.h"

namespace {

constexpr int kClassNameString = 103;
wchar_t className[100];
wchar_t windowTitle[100];

LRESULT CALLBACK MainWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_CREATE:
            Ui.mainWindow = window;
            return 0;
        case WM_DESTROY:
            PostQuitMessage(0);
            return 0;
        case WM_COMMAND:
            switch (LOWORD(wParam)) {
                case kCommandCpu:
                    ToggleCpuLoad(window);
                    return 0;
                case kCommandPaint:
                    TogglePaintLoad(window);
                    return 0;
                case kCommandMaster:
                    ToggleMasterSwitch(window);
                    return 0;
                case kCommandDisk:
                    ToggleDiskLoad(window);
                    return 0;
                case kCommandMemory:
                    ToggleMemoryLoad(window);
                    return 0;
            }
            break;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
    LoadStringW(instance, kClassNameString, className, 100);
    LoadStringW(instance, kClassNameString, windowTitle, 100);
    WNDCLASSEXW windowClass = {};
    windowClass.cbSize = sizeof(windowClass);
    windowClass.style = CS_HREDRAW | CS_VREDRAW;
    windowClass.lpfnWndProc = MainWindowProc;
    windowClass.hInstance = instance;
    windowClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    windowClass.lpszClassName = className;
    RegisterClassExW(&windowClass);

    ResolveIniPath();
    ChooseDefaultLanguage();
    if (!LoadLanguageResource())
        return 0;
    Ui.instance = instance;
    CreateWindowExW(0, className, windowTitle, WS_OVERLAPPEDWINDOW, CW_USEDEFAULT, CW_USEDEFAULT, 800, 600, nullptr,
                    nullptr, instance, nullptr);
    if (!Ui.mainWindow)
        return 0;
    SYSTEM_INFO info;
    GetSystemInfo(&info);
    Stress.processorCount.store(int32_t(info.dwNumberOfProcessors), kRelaxed);
    LoadStressSettings();
    SyncStressControls(Ui.mainWindow);
    ShowWindow(Ui.mainWindow, SW_SHOWMAXIMIZED);

    MSG message;
    while (GetMessageW(&message, nullptr, 0, 0)) {
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
    return int(message.wParam);
}
