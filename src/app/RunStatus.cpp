// The status bar's second part, the error flash, stop-on-error and the result boxes of runs and the self-test.
#include "app/RunStatus.h"

#include <commctrl.h>

#include <memory>
#include <string>

#include "app/UiHandles.h"
#include "base/WideText.h"
#include "i18n/LanguageTables.h"
#include "run/RunNotice_win.h"
#include "run/RunRecord.h"
#include "run/RunStatusText.h"
#include "run/SelfTest.h"
#include "stress/StressControl.h"

namespace {

constexpr COLORREF kAlarmBackground = RGB(200, 0, 0);
constexpr COLORREF kAlarmText = RGB(255, 255, 255);
constexpr int kProductNameText = 19;
constexpr UINT kFlashes = 5;

// What the part shows now; the owner-drawn text lives here while the status bar holds a pointer to it.
StatusPart shown;
int shownEdge = -1;

int TextWidth(const std::u16string& text) {
    HDC dc = GetDC(Ui.statusBar);
    if (!dc)
        return 0;
    const auto font = reinterpret_cast<HFONT>(SendMessageW(Ui.statusBar, WM_GETFONT, 0, 0));
    HGDIOBJ previous = font ? SelectObject(dc, font) : nullptr;
    SIZE size = {};
    GetTextExtentPoint32W(dc, AsWide(text.c_str()), int(text.size()), &size);
    if (previous)
        SelectObject(dc, previous);
    ReleaseDC(Ui.statusBar, dc);
    return size.cx;
}

// The part sits at the right end, as wide as its text with a margin each side and room for the size grip; the
// specified line keeps at least half of the bar.
int PartEdge(const std::u16string& text) {
    RECT bar;
    GetClientRect(Ui.statusBar, &bar);
    const int margin = 2 * GetSystemMetrics(SM_CXEDGE) + GetSystemMetrics(SM_CXVSCROLL);
    const int edge = bar.right - TextWidth(text) - 2 * margin;
    return edge < bar.right / 2 ? bar.right / 2 : edge;
}

const wchar_t* ProductName() {
    const char16_t* name = GetFixedText(kProductNameText);
    return AsWide(name ? name : u"Kestrovane");
}

void FlashMainWindow(HWND window) {
    FLASHWINFO flash = {};
    flash.cbSize = sizeof(flash);
    flash.hwnd = window;
    flash.dwFlags = FLASHW_ALL;
    flash.uCount = kFlashes;
    FlashWindowEx(&flash);
}

}  // namespace

void UpdateRunStatusPart() {
    if (!Ui.statusBar)
        return;
    StatusPart part = ComposeStatusPart(CurrentRun);
    const int edge = part.look == StatusPartLook::Hidden ? -1 : PartEdge(part.text);
    if (part.look == shown.look && part.text == shown.text && edge == shownEdge)
        return;
    shown = std::move(part);
    shownEdge = edge;
    if (shown.look == StatusPartLook::Hidden) {
        int parts[] = {-1};
        SendMessageW(Ui.statusBar, SB_SETPARTS, 1, reinterpret_cast<LPARAM>(parts));
        return;
    }
    int parts[] = {edge, -1};
    SendMessageW(Ui.statusBar, SB_SETPARTS, 2, reinterpret_cast<LPARAM>(parts));
    // Part 0 keeps the status line, which WM_GETTEXT and SB_GETTEXT go on returning; only part 1 changes.
    const WPARAM drawing = shown.look == StatusPartLook::Alarm ? SBT_OWNERDRAW : 0;
    SendMessageW(Ui.statusBar, SB_SETTEXTW, 1 | drawing, reinterpret_cast<LPARAM>(shown.text.c_str()));
}

bool DrawRunStatusPart(const DRAWITEMSTRUCT& item) {
    if (!Ui.statusBar || item.hwndItem != Ui.statusBar || item.itemID != 1)
        return false;
    RECT area = item.rcItem;
    SetBkColor(item.hDC, kAlarmBackground);
    ExtTextOutW(item.hDC, 0, 0, ETO_OPAQUE, &area, nullptr, 0, nullptr);
    SetTextColor(item.hDC, kAlarmText);
    SetBkMode(item.hDC, TRANSPARENT);
    area.left += 2 * GetSystemMetrics(SM_CXEDGE);
    DrawTextW(item.hDC, AsWide(shown.text.c_str()), int(shown.text.size()), &area,
              DT_SINGLELINE | DT_VCENTER | DT_LEFT | DT_NOPREFIX | DT_END_ELLIPSIS);
    return true;
}

void OnRunError(HWND window) {
    TakeRunErrorNotice();
    FlashMainWindow(window);
    UpdateRunStatusPart();
    const bool stop = CurrentRun.settings.stopOnError.load(std::memory_order_relaxed) != 0;
    if (stop && CurrentRun.active.load(std::memory_order_acquire) && Stress.masterOn.load(kRelaxed) == 1)
        ToggleMasterSwitch(window);
}

void OnRunEnded(HWND window, WPARAM runId) {
    UpdateRunStatusPart();
    // A later run may have begun before this notice arrived; its record is not this run's.
    if (uint32_t(runId) != CurrentRun.runId.load(std::memory_order_acquire) ||
        CurrentRun.active.load(std::memory_order_acquire) || RunVerdict(CurrentRun) != Verdict::Failed)
        return;
    const std::u16string result = ComposeRunResult(CurrentRun, CurrentRun.endMilliseconds);
    MessageBoxW(window, AsWide(result.c_str()), ProductName(), MB_OK | MB_ICONERROR);
}

void OnSelfTestDone(HWND window, LPARAM report) {
    const std::unique_ptr<SelfTestReport> owned(reinterpret_cast<SelfTestReport*>(report));
    if (!owned)
        return;
    const std::u16string table = ComposeSelfTestTable(*owned);
    const char16_t* title = GetText(kTextDetectorCheck);
    MessageBoxW(window, AsWide(table.c_str()), AsWide(title ? title : u""),
                MB_OK | (owned->allCaught ? MB_ICONINFORMATION : MB_ICONWARNING));
}
