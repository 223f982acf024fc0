// Start-up pieces: DPI awareness, the registered window class, and the message loop's exit code.
#include <gtest/gtest.h>

#include <windows.h>

#include "app/Startup.h"
#include "app/WindowProc.h"

namespace {

int dispatched = 0;

LRESULT CALLBACK CountingProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_APP)
        ++dispatched;
    return DefWindowProcW(window, message, wParam, lParam);
}

}  // namespace

TEST(Startup, DpiAwarenessIsAskedForAndAskingAgainIsHarmless) {
    EXPECT_TRUE(EnableDpiAwareness());
    EXPECT_TRUE(EnableDpiAwareness());
}

TEST(Startup, TheUserInterfaceThreadRunsAtThePaintWorkersPriority) {
    // On a thread of its own, so that the test runner's thread keeps its priority.
    HANDLE thread = CreateThread(
        nullptr, 0,
        [](LPVOID) -> DWORD {
            RaiseUserInterfacePriority();
            return DWORD(GetThreadPriority(GetCurrentThread()));
        },
        nullptr, 0, nullptr);
    ASSERT_NE(thread, nullptr);
    ASSERT_EQ(WaitForSingleObject(thread, 10000), WAIT_OBJECT_0);
    DWORD priority = 0;
    GetExitCodeThread(thread, &priority);
    CloseHandle(thread);
    EXPECT_EQ(int(priority), THREAD_PRIORITY_HIGHEST);
}

TEST(Startup, TheWindowClassPaintsItselfAndHasNoMenuResource) {
    lstrcpyW(MainClassName, L"KestrovaneClassCheck");
    HINSTANCE instance = GetModuleHandleW(nullptr);
    RegisterMainWindowClass(instance);
    WNDCLASSEXW found = {};
    found.cbSize = sizeof(found);
    ASSERT_TRUE(GetClassInfoExW(instance, L"KestrovaneClassCheck", &found));
    EXPECT_EQ(found.style, UINT(CS_HREDRAW | CS_VREDRAW));
    EXPECT_EQ(found.lpfnWndProc, MainWindowProc);
    EXPECT_EQ(found.cbClsExtra, 0);
    EXPECT_EQ(found.cbWndExtra, 0);
    EXPECT_EQ(found.hbrBackground, nullptr);
    EXPECT_NE(found.hCursor, nullptr);
    EXPECT_EQ(found.lpszMenuName, MAKEINTRESOURCEW(109));
}

TEST(Startup, TheMessageLoopDispatchesUntilQuitAndReturnsItsCode) {
    WNDCLASSEXW counting = {};
    counting.cbSize = sizeof(counting);
    counting.lpfnWndProc = CountingProc;
    counting.hInstance = GetModuleHandleW(nullptr);
    counting.lpszClassName = L"KestrovaneLoopCheck";
    RegisterClassExW(&counting);
    HWND window = CreateWindowExW(0, L"KestrovaneLoopCheck", L"", 0, 0, 0, 10, 10, HWND_MESSAGE, nullptr,
                                  GetModuleHandleW(nullptr), nullptr);
    ASSERT_NE(window, nullptr);

    PostMessageW(window, WM_APP, 0, 0);
    PostMessageW(window, WM_APP, 0, 0);
    PostQuitMessage(0);
    EXPECT_EQ(RunMessageLoop(), 0);
    EXPECT_EQ(dispatched, 2);

    PostQuitMessage(3);
    EXPECT_EQ(RunMessageLoop(), 3);
    DestroyWindow(window);
}
