// Start-up pieces that WinMain runs in order, kept apart from it so that the tests can run them too.
#include "app/Startup.h"

#include "app/WindowProc.h"

wchar_t MainClassName[kStartupTextCapacity];
wchar_t InitialTitle[kStartupTextCapacity];

namespace {

using SetProcessDpiAwareFunction = BOOL(WINAPI*)();

// Loaded once and held for the life of the process.
HMODULE user32Module = nullptr;

}  // namespace

BOOL EnableDpiAwareness() {
    if (!user32Module)
        user32Module = LoadLibraryW(L"user32.dll");
    if (!user32Module)
        return 0;
    // Looked up by name: older systems lack the function, and the program must start there all the same.
    // Through void*: FARPROC's declared type differs from the function's, which GCC warns about on a direct cast.
    const auto setProcessDpiAware = reinterpret_cast<SetProcessDpiAwareFunction>(
        reinterpret_cast<void*>(GetProcAddress(user32Module, "SetProcessDPIAware")));
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
