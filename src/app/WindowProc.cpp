// The main window's procedure: a dispatcher to one handler per message; no handler waits on a load worker.
#include "app/WindowProc.h"

#include <shellapi.h>

#include "app/ClientPaint.h"
#include "app/FolderPicker.h"
#include "app/LanguageMenu.h"
#include "app/MainWindow.h"
#include "app/RunOutput.h"
#include "app/RunStatus.h"
#include "app/ShellFormat.h"
#include "app/SystemMenu.h"
#include "stress/HeavyOptions.h"
#include "app/UiHandles.h"
#include "base/WideText.h"
#include "i18n/LanguageTables.h"
#include "report/RunFiles_win.h"
#include "run/RunControl_win.h"
#include "run/RunNotice_win.h"
#include "run/SelfTest_win.h"
#include "settings/IniStore.h"
#include "stress/RealDiskWorker.h"
#include "stress/StressControl.h"
#include "stress/Workers.h"

int clientViewMode = kInfoView;

namespace {

constexpr int kProductNameText = 19;
constexpr int kSiteAddressInternational = 20;
constexpr int kSiteAddressGerman = 21;
constexpr int kThanksPageGerman = 23;
constexpr int kThanksPageInternational = 24;
constexpr int kGerman = 0;
constexpr int kEnglish = 1;
constexpr char16_t kFaqAddressFormat[] = u"%s?seite=faq-Kestrovane&faq=0";

// The line shown last; the status bar is written only when the new line differs.
char16_t lastStatusLine[kStatusLineCapacity];

bool KeyIsDown(int virtualKey) {
    return (GetAsyncKeyState(virtualKey) & 0x8000) != 0;
}

void RedrawClientArea(HWND window) {
    RECT client;
    GetClientRect(window, &client);
    RedrawWindow(window, &client, nullptr, RDW_INVALIDATE | RDW_ALLCHILDREN);
}

void OpenWithShell(const wchar_t* target) {
    // A missing browser or task manager is not worth a message: the user sees that nothing opened.
    ShellExecuteW(nullptr, L"open", target, nullptr, nullptr, SW_SHOW);
}

void SelectLanguageByKey(int language) {
    CurrentLanguage = language;
    clientViewMode = kInfoView;
    WriteSetting(L"lng", language);
}

LRESULT OnCreate(HWND window) {
    Ui.mainWindow = window;
    SetTimer(window, kStatusTimer, kStatusTimerPeriod, nullptr);
    return 0;
}

LRESULT OnPaint(HWND window) {
    PAINTSTRUCT paint;
    HDC dc = BeginPaint(window, &paint);
    PaintClientArea(dc, window);
    EndPaint(window, &paint);
    return 0;
}

// The keys are read as they are held at this moment, not from the message: E held while another key goes down
// still selects English.
LRESULT OnKeyDown(HWND window) {
    if (KeyIsDown(VK_ESCAPE))
        PostQuitMessage(0);
    if (KeyIsDown('E'))
        SelectLanguageByKey(kEnglish);
    else if (KeyIsDown('D'))
        SelectLanguageByKey(kGerman);
    else
        clientViewMode = kBlankView;
    RedrawClientArea(window);
    return 0;
}

void StartTaskManager(HWND window) {
    // Room for the longest system folder GetSystemDirectoryW may report plus the file name.
    wchar_t path[MAX_PATH + 16];
    const UINT length = GetSystemDirectoryW(path, MAX_PATH);
    if (length > 0 && length < MAX_PATH) {
        lstrcatW(path, L"\\taskmgr.exe");
        OpenWithShell(path);
    }
    RedrawClientArea(window);
}

void OpenWebPage(int command) {
    wchar_t address[kAddressCapacity];
    if (ComposeWebPageAddress(command, address))
        OpenWithShell(address);
}

LRESULT OnCommand(HWND window, WPARAM wParam, LPARAM lParam) {
    switch (LOWORD(wParam)) {
        case kCommandExit:
            DestroyWindow(window);
            return 0;
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
        case kCommandTaskManager:
            StartTaskManager(window);
            return 0;
        case kCommandLanguage:
            ShowLanguageMenu();
            return 0;
        case kCommandVerifyResults:
        case kCommandStopOnFirstError:
            ToggleRunOption(LOWORD(wParam));
            return 0;
        case kCommandCheckErrorDetection:
            StartSelfTestThread(window);
            return 0;
        case kCommandOpenRunsFolder:
            OpenRunsFolder();
            return 0;
        case kCommandShowLastReport:
            ShowLastReport(window);
            return 0;
        // The disk load chosen here runs from the next run on.
        case kCommandDiskCache:
            SetDiskLoadMode(DiskLoadMode::Cache, true);
            return 0;
        case kCommandDiskReal:
            SetDiskLoadMode(DiskLoadMode::Real, true);
            return 0;
        case kCommandDiskFolder:
            ChooseDiskFolder(window);
            return 0;
        case kCommandDonate:
        case kCommandFaq:
            OpenWebPage(LOWORD(wParam));
            return 0;
    }
    if (LOWORD(wParam) >= kCommandRunForFirst && LOWORD(wParam) <= kCommandRunForLast) {
        ToggleRunOption(LOWORD(wParam));
        return 0;
    }
    if (HandleHeavyCommand(LOWORD(wParam)))
        return 0;
    // Wine sends the items of the window menu's submenus (Run for, the loads' choices) as WM_COMMAND, where Windows
    // sends WM_SYSCOMMAND: without this their choice would do nothing.
    if (HIWORD(wParam) == 0 && lParam == 0 && RouteOptionCommand(window, LOWORD(wParam)))
        return 0;
    return DefWindowProcW(window, WM_COMMAND, wParam, lParam);
}

// Every tick sets the title again, so that a title changed from outside is put back within a second. Writing
// the same text again would only repaint the caption: dozens of drawing calls that, under Wine, wait for locks
// the paint worker holds between its strips. So the title is written when it differs from the window's.
void RestoreTitle(HWND window) {
    char16_t title[kStatusLineCapacity];
    FormatWindowTitle(title, kStatusLineCapacity, GetFixedText(kProductNameText), Stress.processorCount.load(kRelaxed));
    char16_t shown[kStatusLineCapacity];
    // A title longer than the buffer reads back cut short and so differs: it is written.
    if (GetWindowTextW(window, AsWide(shown), kStatusLineCapacity) <= 0)
        shown[0] = 0;
    if (!SameText(title, shown))
        SetWindowTextW(window, AsWide(title));
}

// The status bar changes only when the line does, so an idle program does not repaint it every second. A timed
// run ends on its deadline timer; the status timer ends it too should that timer be late or missing.
LRESULT OnTimer(HWND window, WPARAM timer) {
    if (timer == kRunDeadlineTimer || RunMillisecondsLeft(ClockMilliseconds()) == 0)
        OnRunDeadline(window);
    char16_t line[kStatusLineCapacity];
    FormatStatusLine(line, kStatusLineCapacity, Stress);
    if (!SameText(line, lastStatusLine)) {
        ComposeStressStatus();
        SetWindowTextW(Ui.statusBar, AsWide(line));
        lstrcpynW(AsWide(lastStatusLine), AsWide(line), kStatusLineCapacity);
    }
    RestoreTitle(window);
    UpdateRunStatusPart();
    return 0;
}

}  // namespace

bool ComposeWebPageAddress(int command, wchar_t* address) {
    const bool german = CurrentLanguage == kGerman;
    const char16_t* base = nullptr;
    const char16_t* format = u"%s";
    if (command == kCommandDonate) {
        base = GetFixedText(german ? kThanksPageGerman : kThanksPageInternational);
    } else if (command == kCommandFaq) {
        base = GetFixedText(german ? kSiteAddressGerman : kSiteAddressInternational);
        format = kFaqAddressFormat;
    }
    // Without the site's address the shell would be handed a bare query or nothing at all.
    if (!base || !*base) {
        address[0] = 0;
        return false;
    }
    FormatCaption(AsUtf16(address), kAddressCapacity, format, base);
    return true;
}

LRESULT CALLBACK MainWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_CREATE:
            return OnCreate(window);
        case WM_DESTROY:
            // The program's end ends the run, its time taken now.
            EndRunAtExit();
            PostQuitMessage(0);
            return 0;
        case WM_SIZE:
            LayoutMainWindow(window);
            UpdateRunStatusPart();
            return 0;
        case WM_DRAWITEM:
            if (DrawRunStatusPart(*reinterpret_cast<const DRAWITEMSTRUCT*>(lParam)))
                return TRUE;
            break;
        case kRunErrorMessage:
            OnRunError(window);
            return 0;
        case kRunEndedMessage:
            OnRunEnded(window, wParam);
            return 0;
        case kSelfTestDoneMessage:
            OnSelfTestDone(window, lParam);
            return 0;
        case kRunFilesDoneMessage:
            OnRunFilesDone(window, lParam);
            return 0;
        case WM_PAINT:
            return OnPaint(window);
        case WM_ERASEBKGND:
            // The painting covers the whole client area; erasing first would only flicker.
            return 0;
        case WM_KEYDOWN:
            return OnKeyDown(window);
        case WM_COMMAND:
            return OnCommand(window, wParam, lParam);
        case WM_TIMER:
            return OnTimer(window, wParam);
        case WM_INITMENUPOPUP:
            OnInitMenuPopup(window, reinterpret_cast<HMENU>(wParam), HIWORD(lParam) != 0);
            return DefWindowProcW(window, message, wParam, lParam);
        case kDiskProblemMessage:
            OnDiskProblem(window, wParam);
            return 0;
        case WM_SYSCOMMAND:
            if (RouteOptionCommand(window, wParam))
                return 0;
            return DefWindowProcW(window, message, wParam, lParam);
        case WM_DISPLAYCHANGE:
            ForgetScreenColourDepth();
            return DefWindowProcW(window, message, wParam, lParam);
        case WM_DPICHANGED:
            // The new DPI is the same on both axes; the suggested rectangle keeps the window where the user
            // dragged it.
            ApplyDpiChange(window, HIWORD(wParam), reinterpret_cast<const RECT*>(lParam));
            return 0;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}
