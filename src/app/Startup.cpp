// Start-up pieces that WinMain runs in order, kept apart from it so that the tests can run them too.
#include "app/Startup.h"

#include "app/WindowProc.h"

wchar_t MainClassName[kStartupTextCapacity];
wchar_t InitialTitle[kStartupTextCapacity];

namespace {

using SetProcessDpiAwareFunction = BOOL(WINAPI*)();
using SetProcessDpiAwarenessContextFunction = BOOL(WINAPI*)(DPI_AWARENESS_CONTEXT);

// Loaded once and held for the life of the process.
HMODULE user32Module = nullptr;
// Awareness can be set only once per process; asking again must not report a failure.
bool perMonitorAware = false;

// Looked up by name: older systems lack these functions, and the program must start there all the same.
// Through void*: FARPROC's declared type differs from the function's, which GCC warns about on a direct cast.
template <typename Function>
Function User32Function(const char* name) {
    return reinterpret_cast<Function>(reinterpret_cast<void*>(GetProcAddress(user32Module, name)));
}

}  // namespace

BOOL EnableDpiAwareness() {
    if (!user32Module)
        user32Module = LoadLibraryW(L"user32.dll");
    if (!user32Module)
        return 0;
    if (perMonitorAware)
        return 1;
    // Per screen where the system has it: the window then hears of a move to a screen of another DPI
    // (WM_DPICHANGED) and draws sharp there instead of being stretched.
    const auto setContext = User32Function<SetProcessDpiAwarenessContextFunction>("SetProcessDpiAwarenessContext");
    if (setContext && setContext(DPI_AWARENESS_CONTEXT_PER_MONITOR_AWARE_V2)) {
        perMonitorAware = true;
        return 1;
    }
    const auto setProcessDpiAware = User32Function<SetProcessDpiAwareFunction>("SetProcessDPIAware");
    if (!setProcessDpiAware)
        return 0;
    return setProcessDpiAware();
}

void LoadStartupTexts(HINSTANCE instance) {
    LoadStringW(instance, kClassNameString, MainClassName, kStartupTextCapacity);
    LoadStringW(instance, kClassNameString, InitialTitle, kStartupTextCapacity);
}

void RegisterMainWindowClass(HINSTANCE instance) {
    WNDCLASSEXW windowClass = {};
    windowClass.cbSize = sizeof(windowClass);
    windowClass.style = CS_HREDRAW | CS_VREDRAW;
    windowClass.lpfnWndProc = MainWindowProc;
    windowClass.hInstance = instance;
    windowClass.hIcon = LoadIconW(instance, MAKEINTRESOURCEW(kMainIcon));
    windowClass.hIconSm = LoadIconW(instance, MAKEINTRESOURCEW(kMainIcon));
    windowClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    // No background brush: the window procedure paints the whole client area itself.
    windowClass.hbrBackground = nullptr;
    // No menu resource carries this id, and the window's menu is cleared after creation anyway.
    windowClass.lpszMenuName = MAKEINTRESOURCEW(kMainMenuName);
    windowClass.lpszClassName = MainClassName;
    RegisterClassExW(&windowClass);
}

int RunMessageLoop() {
    MSG message = {};
    // GetMessageW returns -1 on an error; looping on any non-zero result would spin on that error for ever.
    BOOL result;
    while ((result = GetMessageW(&message, nullptr, 0, 0)) > 0) {
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
    return result == 0 ? int(message.wParam) : 0;
}
