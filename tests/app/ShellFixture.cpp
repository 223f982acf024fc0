// The main window under test in this process, built through the same calls as start-up.
#include "app/ShellFixture.h"

#include <commctrl.h>

#include "app/MainWindow.h"
#include "app/Startup.h"
#include "app/UiHandles.h"
#include "app/WindowProc.h"
#include "i18n/LanguageTables.h"
#include "settings/IniStore.h"
#include "stress/StressControl.h"
#include "stress/StressState.h"

namespace {

const std::u16string& OverlongText() {
    static const std::u16string text(400, u'L');
    return text;
}

}  // namespace

void LoadTestLanguages() {
    // The tables point into this text, which the parser cuts into lines in place; other suites load other tables
    // in between, so every load starts again from the whole text.
    static std::u16string text;
    text =
        u"\uFEFFtest languages\r\n##\r\n19=Kestrovane 4.91\r\n20=https://site.example/\r\n"
        u"21=https://seite.example/\r\n23=https://seite.example/?danke\r\n24=https://site.example/?thanks\r\n"
        u"##\r\nfree text one\r\n##\r\nfree text two\r\n"
        u"##=Deutsch\r\n42=Mal-Stress\r\n44=HD-Stress\r\n47=Aggressiver CPU-Stress\r\n50=Spenden\r\n"
        u"51=Task-Manager\r\n52=Beenden\r\n"
        u"##=English\r\n42=Paint-Stress\r\n44=HD-Stress\r\n47=Aggressiv CPU-Stress\r\n50=Donate\r\n"
        u"51=Task-Manager\r\n52=Exit\r\n"
        u"##=Lang\r\n47=" +
        OverlongText() + u"\r\n52=" + OverlongText() + u"\r\n50=100% %s %d\r\n##\r\n";
    const size_t bytes = text.size() * sizeof(char16_t);
    text.push_back(0);
    BuildLanguageTables(text.data(), bytes);
}

std::wstring ExpectedTitle() {
    SYSTEM_INFO system;
    GetSystemInfo(&system);
    return L"Kestrovane 4.91 // Processors:" + std::to_wstring(system.dwNumberOfProcessors);
}

void ShellTest::SetUpTestSuite() {
    InitCommonControls();
    lstrcpyW(MainClassName, L"KestrovaneUnderTest");
    lstrcpyW(InitialTitle, L"Kestrovane");
    RegisterMainWindowClass(GetModuleHandleW(nullptr));
    LoadTestLanguages();
}

void ShellTest::SetUp() {
    iniPath_ = scratch_.File(L"kestrovane.ini");
    lstrcpynW(IniPath, iniPath_.c_str(), kIniTextCapacity);
    Stress.masterOn = 0;
    Stress.paintOn = 0;
    Stress.cpuOn = 1;
    Stress.diskOn = 0;
    Stress.memoryOn = 0;
    Stress.paintLoopRate = 0;
    Stress.paintMegabytesPerSecond = 0;
    Stress.megaAddRate = 0;
    CurrentLanguage = 1;
    clientViewMode = kInfoView;
}

void ShellTest::TearDown() {
    Stress.masterOn = 0;
    if (Ui.mainWindow && IsWindow(Ui.mainWindow))
        DestroyWindow(Ui.mainWindow);
    PumpMessages();
    TakeQuitMessage();
    Ui = UiHandles();
    SetSwitchToolbar(nullptr);
    // The layout published its bars' heights; the paint tests expect the bands of a plain window.
    Stress.topBandHeight = kBandHeight;
    Stress.bottomBandHeight = kBandHeight;
}

void ShellTest::CreateWithSettings(const std::string& iniText) {
    ASSERT_TRUE(WriteFileBytes(iniPath_, iniText));
    ASSERT_EQ(CreateMainWindow(GetModuleHandleW(nullptr)), 1);
    PumpMessages();
}

void ShellTest::PumpMessages() {
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
        if (message.message == WM_QUIT) {
            // Put it back for TakeQuitMessage; the tests look at it.
            PostQuitMessage(int(message.wParam));
            return;
        }
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
}

int ShellTest::TakeQuitMessage() {
    MSG message;
    if (PeekMessageW(&message, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE))
        return int(message.wParam);
    return -1;
}

std::wstring ShellTest::WindowText(HWND window) {
    wchar_t text[2048] = {};
    GetWindowTextW(window, text, 2048);
    return text;
}

std::wstring ShellTest::ButtonText(HWND toolbar, int command) {
    wchar_t text[1024] = {};
    const LRESULT length = SendMessageW(toolbar, TB_GETBUTTONTEXTW, WPARAM(command), 0);
    if (length < 0 || length >= 1024)
        return L"<no button>";
    SendMessageW(toolbar, TB_GETBUTTONTEXTW, WPARAM(command), reinterpret_cast<LPARAM>(text));
    return text;
}

RECT ShellTest::ButtonRect(HWND toolbar, int command) {
    RECT rect = {};
    SendMessageW(toolbar, TB_GETRECT, WPARAM(command), reinterpret_cast<LPARAM>(&rect));
    return rect;
}

bool ShellTest::Checked(int command) {
    return SendMessageW(Ui.stressToolbar, TB_ISBUTTONCHECKED, WPARAM(command), 0) != 0;
}

std::string ShellTest::IniContent() {
    return ReadFileBytes(iniPath_);
}
