// The main window and its controls: created once, laid out on every resize, re-captioned on a change of language.
#include "app/MainWindow.h"

#include <commctrl.h>

#include <algorithm>
#include <span>

#include "app/ShellFormat.h"
#include "app/Startup.h"
#include "app/SystemMenu.h"
#include "app/UiHandles.h"
#include "base/WideText.h"
#include "i18n/LanguageTables.h"
#include "run/RunControl_win.h"
#include "stress/StressControl.h"

namespace {

constexpr DWORD kRebarStyle = WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | WS_CLIPCHILDREN | RBS_VARHEIGHT |
                              RBS_BANDBORDERS | RBS_AUTOSIZE | CCS_NODIVIDER;
constexpr DWORD kToolbarStyle = WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | WS_CLIPCHILDREN | TBSTYLE_LIST |
                                TBSTYLE_FLAT | TBSTYLE_TOOLTIPS | CCS_NODIVIDER | CCS_NOPARENTALIGN | CCS_NORESIZE;
// The status bar takes the toolbars' style value as it stands; on a status bar its low bits mean a size grip
// and tooltips.
constexpr DWORD kStatusBarStyle = kToolbarStyle;
static_assert(kRebarStyle == 0x56002640 && kToolbarStyle == 0x5600194C);

constexpr int kMainWidth = 800;
constexpr int kMainHeight = 600;
constexpr int kProductNameText = 19;

// A button row: its command, the language string its caption shows (kNoText for a fixed caption), the caption
// format and the style added to BTNS_AUTOSIZE.
constexpr int kNoText = -1;
struct ToolbarButtonRow {
    int command;
    int textIndex;
    const char16_t* captionFormat;
    BYTE extraStyle;
};

constexpr ToolbarButtonRow kStressButtons[] = {
    {kCommandMaster, kNoText, u"# Kestrovane >>", 0},
    {kCommandPaint, 42, u"// %s", 0},
    // A divider between the master switch's group and the processor and disk switches; its command and its
    // drop-down arrow are not handled, so clicking it does nothing.
    {kCommandDivider, kNoText, u"#", BTNS_DROPDOWN},
    {kCommandCpu, 47, u"// %s", 0},
    {kCommandDisk, 44, u"// %s", 0},
};

constexpr ToolbarButtonRow kCommandButtons[] = {
    {kCommandDonate, 50, u"# %s", 0},         {kCommandFaq, kNoText, u"# FAQ", 0},
    {kCommandLanguage, kNoText, u"# LNG", 0}, {kCommandTaskManager, 51, u"# %s", 0},
    {kCommandExit, 52, u"[x] %s", 0},
};

// Made from the command toolbar's font; shared by both toolbars and the status bar. A change of DPI replaces it
// with one scaled from the same description.
HFONT toolbarFont = nullptr;
LOGFONTW toolbarFontDescription = {};
// The DPI the description's height belongs to: the system's, which the controls' default font follows.
int fontDpi = kDefaultDpi;
// The DPI the window is laid out for, and the bars' height at it.
int windowDpi = kDefaultDpi;
int barHeight = kBarHeight;

using GetDpiForWindowFunction = UINT(WINAPI*)(HWND);

int SystemDpi() {
    HDC screen = GetDC(nullptr);
    if (!screen)
        return kDefaultDpi;
    const int dpi = GetDeviceCaps(screen, LOGPIXELSY);
    ReleaseDC(nullptr, screen);
    return dpi > 0 ? dpi : kDefaultDpi;
}

// The DPI of the screen the window is on, where the system knows one per screen; else the system's. Looked up
// by name: older systems lack GetDpiForWindow.
int DpiOfWindow(HWND window) {
    // Through void*: FARPROC's declared type differs from the function's, which GCC warns about on a direct cast.
    static const auto getDpiForWindow = reinterpret_cast<GetDpiForWindowFunction>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"user32.dll"), "GetDpiForWindow")));
    const UINT dpi = getDpiForWindow && window ? getDpiForWindow(window) : 0;
    return dpi > 0 ? int(dpi) : SystemDpi();
}

// The height of a line of text in the font, as the toolbars and the status bar draw their captions.
int TextHeight(HFONT font) {
    HDC dc = GetDC(nullptr);
    if (!dc)
        return 0;
    HGDIOBJ previous = font ? SelectObject(dc, font) : nullptr;
    TEXTMETRICW metrics = {};
    GetTextMetricsW(dc, &metrics);
    if (previous)
        SelectObject(dc, previous);
    ReleaseDC(nullptr, dc);
    return int(metrics.tmHeight);
}

void ComposeCaption(const ToolbarButtonRow& row, char16_t (&caption)[kCaptionCapacity]) {
    FormatCaption(caption, kCaptionCapacity, row.captionFormat,
                  row.textIndex == kNoText ? nullptr : GetText(row.textIndex));
}

void AddToolbarButtons(HWND toolbar, std::span<const ToolbarButtonRow> rows) {
    for (const ToolbarButtonRow& row : rows) {
        char16_t caption[kCaptionCapacity];
        ComposeCaption(row, caption);
        AddToolbarButton(toolbar, AsWide(caption), row.command, row.extraStyle);
    }
}

// 24 × 24 at 96 DPI and below; the height is always the bars' own, so a button fills its bar.
void SetButtonSize(HWND toolbar) {
    const int width = std::max(kBarHeight, ScaleToDpi(kBarHeight, windowDpi));
    SendMessageW(toolbar, TB_SETBUTTONSIZE, 0, MAKELPARAM(width, barHeight));
}

void SetNoBitmap(HWND toolbar) {
    SendMessageW(toolbar, TB_SETBITMAPSIZE, 0, MAKELPARAM(0, 0));
}

HWND CreateToolbar(int width, int height, HWND parent) {
    return CreateWindowExW(0, TOOLBARCLASSNAMEW, L"", kToolbarStyle, 0, 0, width, height, parent, nullptr, Ui.instance,
                           nullptr);
}

// Makes the toolbar font at the window's DPI, gives it to both toolbars and the status bar, and sizes the bars
// for its captions.
void ApplyToolbarFont() {
    LOGFONTW font = toolbarFontDescription;
    // At the DPI the description was read at the height stays exactly as read.
    font.lfHeight = MulDiv(font.lfHeight, windowDpi, fontDpi);
    HFONT previous = toolbarFont;
    toolbarFont = CreateFontIndirectW(&font);
    for (HWND control : {Ui.stressToolbar, Ui.commandToolbar, Ui.statusBar})
        SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(toolbarFont), FALSE);
    if (previous)
        DeleteObject(previous);
    barHeight = BarHeightFor(windowDpi, TextHeight(toolbarFont));
}

// The toolbars' font in bold italic Arial, a fifth larger than the command toolbar's own font.
void CreateToolbarFont() {
    const auto source = reinterpret_cast<HFONT>(SendMessageW(Ui.commandToolbar, WM_GETFONT, 0, 0));
    LOGFONTW font = {};
    if (source)
        GetObjectW(source, sizeof(font), &font);
    font.lfHeight = ToolbarFontHeight(font.lfHeight);
    font.lfWeight = FW_BOLD;
    font.lfItalic = 1;
    font.lfCharSet = DEFAULT_CHARSET;
    lstrcpynW(font.lfFaceName, L"Arial", LF_FACESIZE);
    toolbarFontDescription = font;
    fontDpi = SystemDpi();
    ApplyToolbarFont();
}

// The rebar's band takes its height from its empty toolbar: both follow the bars' height.
void SetBandHeight(int height) {
    if (!Ui.rebar)
        return;
    REBARBANDINFOW band = {};
    band.cbSize = REBARBANDINFOW_V6_SIZE;
    band.fMask = RBBIM_CHILD;
    if (!SendMessageW(Ui.rebar, RB_GETBANDINFOW, 0, reinterpret_cast<LPARAM>(&band)))
        return;
    if (band.hwndChild)
        SetWindowPos(band.hwndChild, nullptr, 0, 0, 1, height, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    band.fMask = RBBIM_CHILDSIZE;
    band.cyMinChild = UINT(height);
    SendMessageW(Ui.rebar, RB_SETBANDINFOW, 0, reinterpret_cast<LPARAM>(&band));
}

void SetInitialTitle() {
    char16_t title[kTitleCapacity];
    FormatWindowTitle(title, kTitleCapacity, GetFixedText(kProductNameText), Stress.processorCount.load(kRelaxed));
    SetWindowTextW(Ui.mainWindow, AsWide(title));
}

// The distance from the first button's left to the last button's right; the default when it cannot be measured.
int CommandToolbarSpan() {
    if (!Ui.commandToolbar)
        return kDefaultCommandSpan;
    RECT first, last;
    if (!SendMessageW(Ui.commandToolbar, TB_GETITEMRECT, 0, reinterpret_cast<LPARAM>(&first)))
        return kDefaultCommandSpan;
    const auto count = WPARAM(SendMessageW(Ui.commandToolbar, TB_BUTTONCOUNT, 0, 0));
    if (!SendMessageW(Ui.commandToolbar, TB_GETITEMRECT, count - 1, reinterpret_cast<LPARAM>(&last)) &&
        !SendMessageW(Ui.commandToolbar, TB_GETITEMRECT, 1, reinterpret_cast<LPARAM>(&last)))
        return kDefaultCommandSpan;
    return last.right - first.left;
}

// Each placement brings the control to the top, so a control placed later covers one placed earlier.
void Place(HWND control, int x, int y, int width, int height) {
    if (control)
        SetWindowPos(control, HWND_TOP, x, y, width, height, 0);
}

// A control's rectangle in the window's client coordinates.
RECT RectInClient(HWND window, HWND control) {
    RECT rect;
    GetWindowRect(control, &rect);
    MapWindowPoints(nullptr, window, reinterpret_cast<POINT*>(&rect), 2);
    return rect;
}

// Tells the paint load and the client painting where the bars really end: the rebar's bottom (or the toolbars'
// without one) and the status bar's top. A control that does not exist yet keeps the laid-out height.
void PublishBands(HWND window, const RECT& client) {
    int top = client.top + barHeight;
    if (HWND topBar = Ui.rebar ? Ui.rebar : Ui.stressToolbar)
        top = RectInClient(window, topBar).bottom;
    const int bottom = Ui.statusBar ? RectInClient(window, Ui.statusBar).top : client.bottom - barHeight;
    Stress.topBandHeight.store(top - client.top, kRelaxed);
    Stress.bottomBandHeight.store(client.bottom - bottom, kRelaxed);
}

void RedrawMainWindow() {
    if (!Ui.mainWindow)
        return;
    RECT client;
    GetClientRect(Ui.mainWindow, &client);
    RedrawWindow(Ui.mainWindow, &client, nullptr, RDW_INVALIDATE | RDW_ALLCHILDREN);
}

}  // namespace

int CreateMainWindow(HINSTANCE instance) {
    Ui.instance = instance;
    INITCOMMONCONTROLSEX controls = {sizeof(controls), ICC_WIN95_CLASSES | ICC_DATE_CLASSES | ICC_COOL_CLASSES};
    InitCommonControlsEx(&controls);
    // WM_CREATE stores the handle as well, before this call returns.
    Ui.mainWindow = CreateWindowExW(0, MainClassName, InitialTitle, WS_OVERLAPPEDWINDOW, CW_USEDEFAULT, CW_USEDEFAULT,
                                    kMainWidth, kMainHeight, nullptr, nullptr, instance, nullptr);
    // Without a window every later step would only create orphan controls; start-up ends here instead.
    if (!Ui.mainWindow)
        return 0;
    windowDpi = DpiOfWindow(Ui.mainWindow);
    barHeight = BarHeightFor(windowDpi, 0);
    SetMenu(Ui.mainWindow, nullptr);

    SYSTEM_INFO system;
    GetSystemInfo(&system);
    Stress.processorCount.store(int32_t(system.dwNumberOfProcessors), kRelaxed);
    LoadStressSettings();
    LoadRunOptions();
    ShowOptionsInSystemMenu(Ui.mainWindow);

    Ui.rebar = CreateRebar(Ui.mainWindow, barHeight);
    HWND toolbarParent = Ui.rebar ? Ui.rebar : Ui.mainWindow;
    Ui.stressToolbar = CreateToolbar(180, 60, toolbarParent);
    Ui.commandToolbar = CreateToolbar(180, 20, toolbarParent);
    Ui.statusBar = CreateWindowExW(0, STATUSCLASSNAMEW, L"", kStatusBarStyle, 0, 0, 180, 20, Ui.mainWindow, nullptr,
                                   instance, nullptr);
    SetSwitchToolbar(Ui.stressToolbar);
    const int scaledHeight = barHeight;
    CreateToolbarFont();
    // Captions taller than the scaled bars (a large system font) make the bars taller still.
    if (barHeight != scaledHeight)
        SetBandHeight(barHeight);

    SendMessageW(Ui.stressToolbar, TB_BUTTONSTRUCTSIZE, sizeof(TBBUTTON), 0);
    SendMessageW(Ui.commandToolbar, TB_BUTTONSTRUCTSIZE, sizeof(TBBUTTON), 0);
    AddToolbarButtons(Ui.commandToolbar, kCommandButtons);
    BuildStressToolbar();
    SetNoBitmap(Ui.stressToolbar);
    SetNoBitmap(Ui.commandToolbar);
    SetButtonSize(Ui.commandToolbar);
    SetButtonSize(Ui.stressToolbar);

    SyncStressControls(Ui.mainWindow);
    SetInitialTitle();
    UpdateWindow(Ui.mainWindow);
    // Always maximised, whatever show command the program was started with.
    ShowWindow(Ui.mainWindow, SW_SHOWMAXIMIZED);
    return 1;
}

HWND CreateRebar(HWND parent, int height) {
    HWND rebar = CreateWindowExW(0, REBARCLASSNAMEW, nullptr, kRebarStyle, 0, 0, 10, 80, parent,
                                 reinterpret_cast<HMENU>(INT_PTR(kRebarId)), Ui.instance, nullptr);
    if (!rebar)
        return nullptr;
    REBARINFO info = {};
    info.cbSize = sizeof(info);
    SendMessageW(rebar, RB_SETBARINFO, 0, reinterpret_cast<LPARAM>(&info));
    // A toolbar without buttons whose only job is to give the band its height.
    HWND inner = CreateWindowExW(0, TOOLBARCLASSNAMEW, nullptr, kToolbarStyle, 0, 0, 1, height, rebar, nullptr,
                                 Ui.instance, nullptr);
    REBARBANDINFOW band = {};
    // The size up to cxHeader: the band layout that every common-controls version 6 understands.
    band.cbSize = REBARBANDINFOW_V6_SIZE;
    band.fMask = RBBIM_STYLE | RBBIM_CHILD | RBBIM_CHILDSIZE | RBBIM_SIZE | RBBIM_ID;
    band.hwndChild = inner;
    band.cyMinChild = UINT(height);
    SendMessageW(rebar, RB_INSERTBANDW, WPARAM(-1), reinterpret_cast<LPARAM>(&band));
    return rebar;
}

void AddToolbarButton(HWND toolbar, const wchar_t* caption, int command, BYTE extraStyle) {
    TBBUTTON button = {};
    button.iBitmap = 0;
    button.idCommand = command;
    button.fsState = TBSTATE_ENABLED;
    if (SendMessageW(toolbar, TB_ADDBUTTONSW, 1, reinterpret_cast<LPARAM>(&button))) {
        TBBUTTONINFOW info = {};
        info.cbSize = sizeof(info);
        info.dwMask = TBIF_TEXT | TBIF_STYLE;
        info.fsStyle = BYTE(extraStyle | BTNS_AUTOSIZE);
        info.pszText = const_cast<wchar_t*>(caption);
        SendMessageW(toolbar, TB_SETBUTTONINFOW, WPARAM(command), reinterpret_cast<LPARAM>(&info));
    }
    SetButtonSize(toolbar);
}

int BuildStressToolbar() {
    if (Ui.stressToolbar) {
        const auto count = int(SendMessageW(Ui.stressToolbar, TB_BUTTONCOUNT, 0, 0));
        for (int index = count - 1; index >= 0; --index)
            SendMessageW(Ui.stressToolbar, TB_DELETEBUTTON, WPARAM(index), 0);
    }
    AddToolbarButtons(Ui.stressToolbar, kStressButtons);
    SetNoBitmap(Ui.stressToolbar);
    SetButtonSize(Ui.stressToolbar);
    return 1;
}

void LayoutMainWindow(HWND window) {
    RECT client;
    GetClientRect(window, &client);
    const int width = client.right - client.left;
    const int span = CommandToolbarSpan();
    // The toolbars lie in the rebar, which starts at the client's top left, so the same coordinates serve both.
    Place(Ui.rebar, 0, client.top, width, barHeight);
    Place(Ui.stressToolbar, 0, client.top, width, barHeight);
    Place(Ui.commandToolbar, client.right - span, client.top, width, barHeight);
    Place(Ui.statusBar, 0, client.bottom - barHeight, width, barHeight);
    PublishBands(window, client);
}

void RelabelToolbarButton(HWND toolbar, const wchar_t* caption, int command) {
    const LRESULT size = SendMessageW(toolbar, TB_GETBUTTONSIZE, 0, 0);
    TBBUTTONINFOW info = {};
    info.cbSize = sizeof(info);
    info.dwMask = TBIF_TEXT;
    info.pszText = const_cast<wchar_t*>(caption);
    SendMessageW(toolbar, TB_SETBUTTONINFOW, WPARAM(command), reinterpret_cast<LPARAM>(&info));
    SendMessageW(toolbar, TB_SETBUTTONSIZE, 0, MAKELPARAM(LOWORD(size), HIWORD(size)));
}

void RelabelToolbars() {
    if (Ui.commandToolbar) {
        for (const ToolbarButtonRow& row : kCommandButtons) {
            if (row.textIndex == kNoText)
                continue;
            char16_t caption[kCaptionCapacity];
            ComposeCaption(row, caption);
            RelabelToolbarButton(Ui.commandToolbar, AsWide(caption), row.command);
        }
        BuildStressToolbar();
        // The rebuilt buttons start unchecked; a running load must show pressed again.
        SyncStressControls(Ui.mainWindow);
        LayoutMainWindow(Ui.mainWindow);
    }
    RedrawMainWindow();
}

int MainWindowDpi() {
    return windowDpi;
}

void ApplyDpiChange(HWND window, int dpi, const RECT* suggested) {
    if (dpi <= 0)
        return;
    windowDpi = dpi;
    ApplyToolbarFont();
    SetBandHeight(barHeight);
    // Captioned anew, the buttons measure their text in the new font; the command toolbar keeps the button size
    // it has when relabelled, so it gets the new one first.
    SetButtonSize(Ui.commandToolbar);
    RelabelToolbars();
    if (suggested)
        SetWindowPos(window, nullptr, suggested->left, suggested->top, suggested->right - suggested->left,
                     suggested->bottom - suggested->top, SWP_NOZORDER | SWP_NOACTIVATE);
    // A rectangle of the same size sends no WM_SIZE; the bars still have new heights.
    LayoutMainWindow(window);
}
