// The window procedure on a real main window: the timer's status line and title, commands, keys, painting.
#include <windows.h>

#include <initializer_list>

#include "app/MainWindow.h"
#include "app/ShellFixture.h"
#include "app/ShellFormat.h"
#include "app/UiHandles.h"
#include "app/WindowProc.h"
#include "i18n/LanguageTables.h"
#include "stress/PaintWorker.h"
#include "stress/StressControl.h"

namespace {

std::wstring StatusLine(const wchar_t* master,
                        const wchar_t* cpu,
                        const wchar_t* disk,
                        const wchar_t* megaAdd,
                        int processors) {
    return std::wstring(L"Stress:") + master + L" // Paint-Loops = Sek 0.0 = 0 MB // CPU-Stress:" + cpu +
           L" // HD-Stress:" + disk + L" // MEGA-ADD = Sek:" + megaAdd + L" // CPU-s:" + std::to_wstring(processors);
}

class WindowProcTest : public ShellTest {
protected:
    void Tick() { SendMessageW(Ui.mainWindow, WM_TIMER, kStatusTimer, 0); }
    LRESULT Command(int command) { return SendMessageW(Ui.mainWindow, WM_COMMAND, MAKEWPARAM(command, BN_CLICKED), 0); }

    // Presses the keys in order, holds them all while the window handles them, then lets go in reverse order.
    void HoldKeys(std::initializer_list<WORD> keys) {
        SetForegroundWindow(Ui.mainWindow);
        SetFocus(Ui.mainWindow);
        // Under Wine the focus change settles the key state a moment later and would reset a key already held.
        PumpFor(300);
        for (WORD key : keys) {
            INPUT down = {};
            down.type = INPUT_KEYBOARD;
            down.ki.wVk = key;
            SendInput(1, &down, sizeof(INPUT));
            PumpFor(150);
        }
        PumpFor(150);
        for (auto key = std::rbegin(keys); key != std::rend(keys); ++key) {
            INPUT up = {};
            up.type = INPUT_KEYBOARD;
            up.ki.wVk = *key;
            up.ki.dwFlags = KEYEVENTF_KEYUP;
            SendInput(1, &up, sizeof(INPUT));
        }
        PumpFor(100);
    }

    static void PumpFor(DWORD milliseconds) {
        const ULONGLONG end = GetTickCount64() + milliseconds;
        while (GetTickCount64() < end) {
            PumpMessages();
            Sleep(5);
        }
    }
};

}  // namespace

TEST_F(WindowProcTest, CreationStartsTheOneSecondTimer) {
    CreateWithSettings("");
    EXPECT_TRUE(KillTimer(Ui.mainWindow, kStatusTimer));
}

TEST_F(WindowProcTest, TheFirstTickAfterAChangeWritesTheStatusLineAndEveryTickTheTitle) {
    CreateWithSettings("");
    Stress.processorCount = 8;
    Stress.megaAddRate = 1.25;
    Tick();
    EXPECT_EQ(WindowText(Ui.statusBar), StatusLine(L"OFF", L"ON", L"OFF", L"1.2", 8));
    Stress.megaAddRate = 0;
    SetWindowTextW(Ui.mainWindow, L"probe");
    Tick();
    EXPECT_EQ(WindowText(Ui.statusBar), StatusLine(L"OFF", L"ON", L"OFF", L"0.0", 8));
    EXPECT_EQ(WindowText(Ui.mainWindow), L"Kestrovane 4.91 // Processors:8");
}

TEST_F(WindowProcTest, AnUnchangedLineLeavesTheStatusBarAndTheStatusTextAlone) {
    CreateWithSettings("");
    Tick();
    SetWindowTextW(Ui.statusBar, L"marker");
    Stress.stressStatusText[0] = u'?';
    Stress.stressStatusText[1] = 0;
    // The line names neither the paint nor the memory switch.
    Command(kCommandMemory);
    Command(kCommandPaint);
    Stress.stressStatusText[0] = u'?';
    Stress.stressStatusText[1] = 0;
    SetWindowTextW(Ui.mainWindow, L"probe");
    Tick();
    EXPECT_EQ(WindowText(Ui.statusBar), L"marker");
    EXPECT_EQ(std::u16string(Stress.stressStatusText), u"?");
    EXPECT_EQ(WindowText(Ui.mainWindow), ExpectedTitle()) << "the title is written on every tick";

    Stress.megaAddRate = 7;
    Tick();
    EXPECT_NE(WindowText(Ui.statusBar), L"marker");
    EXPECT_NE(std::u16string(Stress.stressStatusText), u"?") << "a changed line recomposes the status text";
}

namespace {

WNDPROC countedProc = nullptr;
int titleWrites = 0;

LRESULT CALLBACK CountTitleWrites(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_SETTEXT)
        ++titleWrites;
    return CallWindowProcW(countedProc, window, message, wParam, lParam);
}

}  // namespace

TEST_F(WindowProcTest, ATickWritesTheTitleOnlyWhenTheWindowShowsAnother) {
    CreateWithSettings("");
    Tick();
    countedProc = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrW(Ui.mainWindow, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(CountTitleWrites)));
    titleWrites = 0;
    Tick();
    EXPECT_EQ(titleWrites, 0) << "the same title is not written again";
    SetWindowTextW(Ui.mainWindow, L"probe");
    titleWrites = 0;
    Tick();
    EXPECT_EQ(titleWrites, 1);
    EXPECT_EQ(WindowText(Ui.mainWindow), ExpectedTitle());
    SetWindowLongPtrW(Ui.mainWindow, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(countedProc));
}

TEST_F(WindowProcTest, AChangeOfDisplayModeMakesThePaintLoadTakeTheColourDepthAfresh) {
    CreateWithSettings("");
    bitsPerPixel = 32;
    SendMessageW(Ui.mainWindow, WM_DISPLAYCHANGE, 16, MAKELPARAM(1024, 768));
    EXPECT_EQ(bitsPerPixel, 0);
}

TEST_F(WindowProcTest, ExitDestroysTheWindowAndPostsQuitWithCodeZero) {
    CreateWithSettings("");
    HWND window = Ui.mainWindow;
    Command(kCommandExit);
    EXPECT_FALSE(IsWindow(window));
    EXPECT_EQ(TakeQuitMessage(), 0);
}

TEST_F(WindowProcTest, PaintingValidatesTheWindowAndTheBackgroundIsNeverErased) {
    CreateWithSettings("");
    InvalidateRect(Ui.mainWindow, nullptr, FALSE);
    UpdateWindow(Ui.mainWindow);
    EXPECT_FALSE(GetUpdateRect(Ui.mainWindow, nullptr, FALSE)) << "WM_PAINT left the window invalid";

    HDC dc = GetDC(Ui.mainWindow);
    const RECT spot = {100, 100, 110, 110};
    HBRUSH brush = CreateSolidBrush(RGB(12, 34, 56));
    FillRect(dc, &spot, brush);
    DeleteObject(brush);
    EXPECT_EQ(SendMessageW(Ui.mainWindow, WM_ERASEBKGND, reinterpret_cast<WPARAM>(dc), 0), 0);
    EXPECT_EQ(GetPixel(dc, 105, 105), RGB(12, 34, 56));
    ReleaseDC(Ui.mainWindow, dc);
}

TEST_F(WindowProcTest, KeysBlankTheViewOrSelectALanguageAndStoreIt) {
    CreateWithSettings("[Program]\r\n");
    HoldKeys({'A'});
    EXPECT_EQ(clientViewMode, kBlankView);
    EXPECT_EQ(IniContent(), "[Program]\r\n");
    HoldKeys({'B'});
    EXPECT_EQ(clientViewMode, kBlankView) << "the blank view stays blank";

    HoldKeys({'E'});
    EXPECT_EQ(clientViewMode, kInfoView);
    EXPECT_EQ(CurrentLanguage, 1);
    EXPECT_EQ(IniContent(), "[Program]\r\nlng=1\r\n");

    HoldKeys({'D'});
    EXPECT_EQ(CurrentLanguage, 0);
    EXPECT_EQ(IniContent(), "[Program]\r\nlng=0\r\n");

    // The keys held at the time count, not the key of the message: A pressed while E is held selects English.
    HoldKeys({'E', 'A'});
    EXPECT_EQ(clientViewMode, kInfoView);
    EXPECT_EQ(CurrentLanguage, 1);
    EXPECT_EQ(IniContent(), "[Program]\r\nlng=1\r\n");
    EXPECT_EQ(TakeQuitMessage(), -1);
}

TEST_F(WindowProcTest, WebPagesFollowTheLanguageAndNeedAnAddress) {
    wchar_t address[kAddressCapacity];
    CurrentLanguage = 0;
    ASSERT_TRUE(ComposeWebPageAddress(kCommandDonate, address));
    EXPECT_STREQ(address, L"https://seite.example/?danke");
    ASSERT_TRUE(ComposeWebPageAddress(kCommandFaq, address));
    EXPECT_STREQ(address, L"https://seite.example/?seite=faq-Kestrovane&faq=0");
    for (int language : {1, 5, -3}) {
        CurrentLanguage = language;
        ASSERT_TRUE(ComposeWebPageAddress(kCommandDonate, address));
        EXPECT_STREQ(address, L"https://site.example/?thanks");
        ASSERT_TRUE(ComposeWebPageAddress(kCommandFaq, address));
        EXPECT_STREQ(address, L"https://site.example/?seite=faq-Kestrovane&faq=0");
    }
    EXPECT_FALSE(ComposeWebPageAddress(kCommandExit, address));

    char16_t* site = Languages.fixedStrings[20];
    Languages.fixedStrings[20] = nullptr;
    const bool composed = ComposeWebPageAddress(kCommandFaq, address);
    Languages.fixedStrings[20] = site;
    EXPECT_FALSE(composed) << "a bare query is not handed to the shell";
    EXPECT_STREQ(address, L"");
}
