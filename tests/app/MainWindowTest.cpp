// The main window built by CreateMainWindow: its controls, buttons, font, stored switches, layout and relabelling.
#include <windows.h>
#include <commctrl.h>

#include "app/MainWindow.h"
#include "app/ShellFixture.h"
#include "app/ShellFormat.h"
#include "app/Startup.h"
#include "app/UiHandles.h"
#include "i18n/LanguageTables.h"
#include "stress/StressControl.h"
#include "stress/StressState.h"

namespace {

struct ExpectedButton {
    int command;
    const wchar_t* caption;
    BYTE style;
};

const ExpectedButton kStressButtons[] = {
    {kCommandMaster, L"# Kestrovane >>", BTNS_AUTOSIZE},    {kCommandPaint, L"// Paint-Stress", BTNS_AUTOSIZE},
    {kCommandDivider, L"#", BTNS_AUTOSIZE | BTNS_DROPDOWN}, {kCommandCpu, L"// Aggressiv CPU-Stress", BTNS_AUTOSIZE},
    {kCommandDisk, L"// HD-Stress", BTNS_AUTOSIZE},
};

const ExpectedButton kCommandButtons[] = {
    {kCommandDonate, L"# Donate", BTNS_AUTOSIZE}, {kCommandFaq, L"# FAQ", BTNS_AUTOSIZE},
    {kCommandLanguage, L"# LNG", BTNS_AUTOSIZE},  {kCommandTaskManager, L"# Task-Manager", BTNS_AUTOSIZE},
    {kCommandExit, L"[x] Exit", BTNS_AUTOSIZE},
};

RECT RectInParent(HWND child) {
    RECT rect = {};
    GetWindowRect(child, &rect);
    MapWindowPoints(nullptr, GetParent(child), reinterpret_cast<POINT*>(&rect), 2);
    return rect;
}

int ClientWidth() {
    RECT client;
    GetClientRect(Ui.mainWindow, &client);
    return client.right;
}

// The command toolbar's buttons from the first one's left to the last one's right.
int CommandSpan() {
    const auto count = int(SendMessageW(Ui.commandToolbar, TB_BUTTONCOUNT, 0, 0));
    RECT first = {}, last = {};
    SendMessageW(Ui.commandToolbar, TB_GETITEMRECT, 0, reinterpret_cast<LPARAM>(&first));
    SendMessageW(Ui.commandToolbar, TB_GETITEMRECT, WPARAM(count - 1), reinterpret_cast<LPARAM>(&last));
    return last.right - first.left;
}

void ResizeClientWidth(int width) {
    ShowWindow(Ui.mainWindow, SW_RESTORE);
    RECT frame = {0, 0, width, 300};
    AdjustWindowRect(&frame, WS_OVERLAPPEDWINDOW, FALSE);
    SetWindowPos(Ui.mainWindow, nullptr, 0, 0, frame.right - frame.left, frame.bottom - frame.top,
                 SWP_NOZORDER | SWP_NOMOVE);
}

bool IsAbove(HWND upper, HWND lower) {
    for (HWND window = lower; window; window = GetWindow(window, GW_HWNDPREV)) {
        if (window == upper)
            return true;
    }
    return false;
}

LONG FontHeight(HWND control) {
    LOGFONTW font = {};
    GetObjectW(reinterpret_cast<HFONT>(SendMessageW(control, WM_GETFONT, 0, 0)), sizeof(font), &font);
    return font.lfHeight;
}

SIZE TextExtent(HWND control, const std::wstring& text) {
    HDC dc = GetDC(control);
    HGDIOBJ previous = SelectObject(dc, reinterpret_cast<HFONT>(SendMessageW(control, WM_GETFONT, 0, 0)));
    SIZE extent = {};
    GetTextExtentPoint32W(dc, text.c_str(), int(text.size()), &extent);
    SelectObject(dc, previous);
    ReleaseDC(control, dc);
    return extent;
}

class MainWindowTest : public ShellTest {
protected:
    // Every bar is `height` pixels high, every button as high as its bar, and no caption is cut: each button is
    // larger than its text by at least its 2-pixel edges.
    void ExpectBarsOfHeight(int height) {
        for (HWND bar : {Ui.rebar, Ui.stressToolbar, Ui.commandToolbar, Ui.statusBar}) {
            const RECT rect = RectInParent(bar);
            EXPECT_EQ(rect.bottom - rect.top, height);
        }
        for (HWND toolbar : {Ui.stressToolbar, Ui.commandToolbar}) {
            const auto count = int(SendMessageW(toolbar, TB_BUTTONCOUNT, 0, 0));
            for (int index = 0; index < count; ++index) {
                TBBUTTON button = {};
                RECT item = {};
                SendMessageW(toolbar, TB_GETBUTTON, WPARAM(index), reinterpret_cast<LPARAM>(&button));
                SendMessageW(toolbar, TB_GETITEMRECT, WPARAM(index), reinterpret_cast<LPARAM>(&item));
                const SIZE text = TextExtent(toolbar, ButtonText(toolbar, button.idCommand));
                EXPECT_EQ(item.bottom - item.top, height) << "button " << button.idCommand;
                EXPECT_GE(item.right - item.left, text.cx + 4) << "button " << button.idCommand;
                EXPECT_GE(item.bottom - item.top, text.cy + 4) << "button " << button.idCommand;
            }
        }
        EXPECT_EQ(Stress.topBandHeight, height) << "the paint load keeps out of the bars";
        EXPECT_EQ(Stress.bottomBandHeight, height);
    }

    void ExpectButtons(HWND toolbar, const ExpectedButton* buttons, int count) {
        ASSERT_EQ(SendMessageW(toolbar, TB_BUTTONCOUNT, 0, 0), count);
        for (int index = 0; index < count; ++index) {
            TBBUTTON button = {};
            SendMessageW(toolbar, TB_GETBUTTON, WPARAM(index), reinterpret_cast<LPARAM>(&button));
            EXPECT_EQ(button.idCommand, buttons[index].command) << "index " << index;
            EXPECT_EQ(button.fsStyle, buttons[index].style) << "index " << index;
            EXPECT_TRUE(button.fsState & TBSTATE_ENABLED) << "index " << index;
            EXPECT_EQ(ButtonText(toolbar, buttons[index].command), buttons[index].caption);
        }
    }

    // The Exit button ends where the client area ends.
    void ExpectFlushRight() { EXPECT_EQ(RectInParent(Ui.commandToolbar).left, ClientWidth() - CommandSpan()); }
};

}  // namespace

TEST_F(MainWindowTest, HasARebarWithOneBandAndBothToolbarsInsideIt) {
    CreateWithSettings("");
    ASSERT_NE(Ui.rebar, nullptr);
    EXPECT_EQ(GetDlgCtrlID(Ui.rebar), kRebarId);
    EXPECT_EQ(GetParent(Ui.rebar), Ui.mainWindow);
    EXPECT_EQ(GetParent(Ui.stressToolbar), Ui.rebar);
    EXPECT_EQ(GetParent(Ui.commandToolbar), Ui.rebar);
    EXPECT_EQ(GetParent(Ui.statusBar), Ui.mainWindow);
    // The controls may add style bits of their own (a toolbar adds CCS_TOP); the ones given must all be there.
    EXPECT_EQ(DWORD(GetWindowLongW(Ui.rebar, GWL_STYLE)) & 0x56002640u, 0x56002640u);
    for (HWND bar : {Ui.stressToolbar, Ui.commandToolbar, Ui.statusBar})
        EXPECT_EQ(DWORD(GetWindowLongW(bar, GWL_STYLE)) & 0x5600194Cu, 0x5600194Cu);

    ASSERT_EQ(SendMessageW(Ui.rebar, RB_GETBANDCOUNT, 0, 0), 1);
    REBARBANDINFOW band = {};
    band.cbSize = REBARBANDINFOW_V6_SIZE;
    band.fMask = RBBIM_CHILD | RBBIM_CHILDSIZE | RBBIM_ID | RBBIM_STYLE;
    ASSERT_TRUE(SendMessageW(Ui.rebar, RB_GETBANDINFOW, 0, reinterpret_cast<LPARAM>(&band)));
    EXPECT_EQ(band.cyMinChild, 24u);
    EXPECT_EQ(band.wID, 0u);
    ASSERT_NE(band.hwndChild, nullptr);
    EXPECT_EQ(SendMessageW(band.hwndChild, TB_BUTTONCOUNT, 0, 0), 0) << "the band's toolbar only gives it height";
}

TEST_F(MainWindowTest, ToolbarsCarryTheirButtonsInOrderWithCaptionsAndStyles) {
    CreateWithSettings("");
    ExpectButtons(Ui.stressToolbar, kStressButtons, 5);
    ExpectButtons(Ui.commandToolbar, kCommandButtons, 5);
    EXPECT_EQ(SendMessageW(Ui.stressToolbar, TB_COMMANDTOINDEX, kCommandMemory, 0), -1) << "memory has no button";
    for (HWND bar : {Ui.stressToolbar, Ui.commandToolbar})
        EXPECT_EQ(HIWORD(SendMessageW(bar, TB_GETBUTTONSIZE, 0, 0)), 24);
}

TEST_F(MainWindowTest, BothToolbarsAndTheStatusBarShareABoldItalicArialAFifthLarger) {
    CreateWithSettings("");
    HWND plain = CreateWindowExW(0, TOOLBARCLASSNAMEW, L"", WS_CHILD, 0, 0, 10, 10, Ui.mainWindow, nullptr,
                                 GetModuleHandleW(nullptr), nullptr);
    LOGFONTW plainFont = {};
    GetObjectW(reinterpret_cast<HFONT>(SendMessageW(plain, WM_GETFONT, 0, 0)), sizeof(plainFont), &plainFont);
    DestroyWindow(plain);

    const auto font = reinterpret_cast<HFONT>(SendMessageW(Ui.stressToolbar, WM_GETFONT, 0, 0));
    ASSERT_NE(font, nullptr);
    EXPECT_EQ(reinterpret_cast<HFONT>(SendMessageW(Ui.commandToolbar, WM_GETFONT, 0, 0)), font);
    EXPECT_EQ(reinterpret_cast<HFONT>(SendMessageW(Ui.statusBar, WM_GETFONT, 0, 0)), font);
    LOGFONTW shared = {};
    ASSERT_EQ(GetObjectW(font, sizeof(shared), &shared), int(sizeof(shared)));
    EXPECT_EQ(shared.lfHeight, ToolbarFontHeight(plainFont.lfHeight));
    EXPECT_EQ(shared.lfWeight, 700);
    EXPECT_EQ(shared.lfItalic, 1);
    EXPECT_EQ(shared.lfCharSet, DEFAULT_CHARSET);
    EXPECT_STREQ(shared.lfFaceName, L"Arial");
}

TEST_F(MainWindowTest, ReadsTheStoredSwitchesAndShowsThemChecked) {
    CreateWithSettings("[Program]\r\npaint=1\r\nmem=1\r\naggressiv=0\r\nhd=7\r\npaint_mode=3\r\n");
    EXPECT_EQ(Stress.paintOn, 1);
    EXPECT_EQ(Stress.memoryOn, 1);
    EXPECT_EQ(Stress.cpuOn, 0);
    EXPECT_EQ(Stress.diskOn, 1) << "a stored 7 means on";
    EXPECT_EQ(Stress.paintMode, 3);
    EXPECT_TRUE(Checked(kCommandPaint));
    EXPECT_FALSE(Checked(kCommandCpu));
    EXPECT_TRUE(Checked(kCommandDisk));
    EXPECT_FALSE(Checked(kCommandMaster));
}

TEST_F(MainWindowTest, LayoutKeepsTheBarsInPlaceAndTheCommandToolbarFlushRight) {
    CreateWithSettings("");
    for (int width : {900, 640}) {
        ResizeClientWidth(width);
        ASSERT_EQ(ClientWidth(), width);
        RECT client;
        GetClientRect(Ui.mainWindow, &client);
        const RECT rebar = RectInParent(Ui.rebar);
        const RECT stress = RectInParent(Ui.stressToolbar);
        const RECT status = RectInParent(Ui.statusBar);
        EXPECT_EQ(rebar.left, 0);
        EXPECT_EQ(rebar.top, 0);
        EXPECT_EQ(rebar.right, width);
        EXPECT_EQ(stress.left, 0);
        EXPECT_EQ(stress.right, width);
        EXPECT_EQ(stress.bottom - stress.top, 24);
        EXPECT_EQ(status.left, 0);
        EXPECT_EQ(status.right, width);
        EXPECT_EQ(status.top, client.bottom - 24);
        EXPECT_EQ(status.bottom, client.bottom);
        ExpectFlushRight();
        EXPECT_EQ(RectInParent(Ui.commandToolbar).right - RectInParent(Ui.commandToolbar).left, width);
        EXPECT_TRUE(IsAbove(Ui.commandToolbar, Ui.stressToolbar));
    }
}

TEST_F(MainWindowTest, AMoveToAScreenOfAnotherDpiScalesTheBarsAndTheirFontAndTakesTheSuggestedPlace) {
    CreateWithSettings("[Program]\r\nhd=1\r\n");
    ShowWindow(Ui.mainWindow, SW_RESTORE);
    ASSERT_EQ(MainWindowDpi(), 96) << "the test prefix runs at 100 %";
    ExpectBarsOfHeight(24);
    const LONG fontHeight = FontHeight(Ui.stressToolbar);
    RECT original;
    GetWindowRect(Ui.mainWindow, &original);

    for (int dpi : {192, 144}) {
        const RECT suggested = {40, 30, 40 + 600 * dpi / 96, 30 + 400 * dpi / 96};
        SendMessageW(Ui.mainWindow, WM_DPICHANGED, MAKEWPARAM(dpi, dpi), reinterpret_cast<LPARAM>(&suggested));
        RECT frame;
        GetWindowRect(Ui.mainWindow, &frame);
        EXPECT_TRUE(EqualRect(&frame, &suggested))
            << "at " << dpi << ": " << frame.left << "," << frame.top << " " << frame.right << "," << frame.bottom;
        EXPECT_EQ(FontHeight(Ui.stressToolbar), MulDiv(fontHeight, dpi, 96)) << "at " << dpi;
        EXPECT_EQ(FontHeight(Ui.statusBar), MulDiv(fontHeight, dpi, 96)) << "at " << dpi;
        ExpectBarsOfHeight(dpi / 4);
        ExpectFlushRight();
        EXPECT_TRUE(Checked(kCommandDisk)) << "a selected load still shows pressed";
    }

    // Back at 100 % everything is as it was created.
    SendMessageW(Ui.mainWindow, WM_DPICHANGED, MAKEWPARAM(96, 96), reinterpret_cast<LPARAM>(&original));
    EXPECT_EQ(FontHeight(Ui.stressToolbar), fontHeight);
    ExpectBarsOfHeight(24);
    ExpectFlushRight();
}

TEST_F(MainWindowTest, AWindowNarrowerThanTheCommandsPutsTheCommandToolbarLeftOfZeroOnTop) {
    CreateWithSettings("");
    const int span = CommandSpan();
    ASSERT_GT(span, 150);
    ResizeClientWidth(span - 100);
    const RECT command = RectInParent(Ui.commandToolbar);
    EXPECT_EQ(command.left, ClientWidth() - span);
    EXPECT_LT(command.left, 0);
    EXPECT_TRUE(IsAbove(Ui.commandToolbar, Ui.stressToolbar));
}

TEST_F(MainWindowTest, TheSpanFallsBackTo200WhenTheCommandsCannotBeMeasured) {
    CreateWithSettings("");
    RECT only = {};
    while (SendMessageW(Ui.commandToolbar, TB_BUTTONCOUNT, 0, 0) > 1)
        SendMessageW(Ui.commandToolbar, TB_DELETEBUTTON, 1, 0);
    SendMessageW(Ui.commandToolbar, TB_GETITEMRECT, 0, reinterpret_cast<LPARAM>(&only));
    LayoutMainWindow(Ui.mainWindow);
    EXPECT_EQ(RectInParent(Ui.commandToolbar).left, ClientWidth() - (only.right - only.left)) << "one button";
    SendMessageW(Ui.commandToolbar, TB_DELETEBUTTON, 0, 0);
    LayoutMainWindow(Ui.mainWindow);
    EXPECT_EQ(RectInParent(Ui.commandToolbar).left, ClientWidth() - kDefaultCommandSpan) << "no button";
}

TEST_F(MainWindowTest, RelabellingShowsTheNewLanguageKeepsHeightsChecksAndTheRightEdge) {
    CreateWithSettings("[Program]\r\nhd=1\r\n");
    ResizeClientWidth(1000);
    CurrentLanguage = 0;
    RelabelToolbars();
    EXPECT_EQ(ButtonText(Ui.commandToolbar, kCommandDonate), L"# Spenden");
    EXPECT_EQ(ButtonText(Ui.commandToolbar, kCommandExit), L"[x] Beenden");
    EXPECT_EQ(ButtonText(Ui.commandToolbar, kCommandTaskManager), L"# Task-Manager");
    EXPECT_EQ(ButtonText(Ui.commandToolbar, kCommandFaq), L"# FAQ");
    EXPECT_EQ(ButtonText(Ui.commandToolbar, kCommandLanguage), L"# LNG");
    EXPECT_EQ(ButtonText(Ui.stressToolbar, kCommandPaint), L"// Mal-Stress");
    EXPECT_EQ(ButtonText(Ui.stressToolbar, kCommandCpu), L"// Aggressiver CPU-Stress");
    EXPECT_EQ(SendMessageW(Ui.stressToolbar, TB_BUTTONCOUNT, 0, 0), 5) << "the stress toolbar is rebuilt, not added to";
    EXPECT_TRUE(Checked(kCommandCpu)) << "a selected load still shows pressed";
    EXPECT_TRUE(Checked(kCommandDisk));
    EXPECT_FALSE(Checked(kCommandPaint));
    for (HWND bar : {Ui.stressToolbar, Ui.commandToolbar}) {
        EXPECT_EQ(HIWORD(SendMessageW(bar, TB_GETBUTTONSIZE, 0, 0)), 24);
        RECT item = {};
        SendMessageW(bar, TB_GETITEMRECT, 0, reinterpret_cast<LPARAM>(&item));
        EXPECT_EQ(item.bottom - item.top, 24);
    }
    ExpectFlushRight();
}

TEST_F(MainWindowTest, AnOverlongTranslationIsCutToTheCaptionBuffer) {
    CreateWithSettings("");
    CurrentLanguage = 2;
    RelabelToolbars();
    const std::wstring exitCaption = ButtonText(Ui.commandToolbar, kCommandExit);
    EXPECT_EQ(exitCaption.size(), size_t(kCaptionCapacity - 1));
    EXPECT_EQ(exitCaption.substr(0, 6), L"[x] LL");
    EXPECT_EQ(ButtonText(Ui.stressToolbar, kCommandCpu).size(), size_t(kCaptionCapacity - 1));
    EXPECT_EQ(ButtonText(Ui.commandToolbar, kCommandDonate), L"# 100% %s %d") << "shown as it stands";
    // Texts this language lacks come from the reference language.
    EXPECT_EQ(ButtonText(Ui.stressToolbar, kCommandPaint), L"// Paint-Stress");
}

TEST_F(MainWindowTest, WithoutItsClassNoWindowAndNoControlsAreCreated) {
    const std::wstring registered = MainClassName;
    lstrcpyW(MainClassName, L"NoSuchWindowClass");
    const int created = CreateMainWindow(GetModuleHandleW(nullptr));
    lstrcpyW(MainClassName, registered.c_str());
    EXPECT_EQ(created, 0);
    EXPECT_EQ(Ui.mainWindow, nullptr);
    EXPECT_EQ(Ui.rebar, nullptr);
    EXPECT_EQ(Ui.stressToolbar, nullptr);
    EXPECT_EQ(Ui.statusBar, nullptr);
}
