// The language menu under the "# LNG" button: switch the language, export a template, load a translation.
#include "app/LanguageMenu.h"

#include <commctrl.h>
#include <commdlg.h>

#include "app/MainWindow.h"
#include "app/UiHandles.h"
#include "base/WideText.h"
#include "i18n/LanguageMenuItems.h"
#include "i18n/LanguageTables.h"
#include "i18n/TranslationFiles.h"
#include "settings/IniStore.h"

HMENU BuildLanguageMenu() {
    HMENU menu = CreatePopupMenu();
    if (!menu)
        return nullptr;
    for (const LanguageMenuItem& item : LanguageMenuItems(Languages, CurrentLanguage)) {
        if (item.id == 0) {
            AppendMenuW(menu, MF_SEPARATOR, 0, nullptr);
            continue;
        }
        const UINT state = item.grayed ? MF_GRAYED | MF_DISABLED : MF_ENABLED;
        AppendMenuW(menu, MF_STRING | state, UINT_PTR(item.id), AsWide(item.text.c_str()));
    }
    return menu;
}

RECT GetToolbarButtonRect(HWND toolbar, int command) {
    RECT rect = {};
    const LRESULT index = SendMessageW(toolbar, TB_COMMANDTOINDEX, WPARAM(command), 0);
    if (index >= 0)
        SendMessageW(toolbar, TB_GETITEMRECT, WPARAM(index), LPARAM(&rect));
    return rect;
}

void ActOnLanguageMenuResult(int result) {
    if (result == 0)
        return;
    if (result >= kLanguageItemBase && result <= kLanguageItemLast) {
        CurrentLanguage = result - kLanguageItemBase;
        RelabelToolbars();
    } else if (result == kTranslateItem) {
        ExportTranslationTemplate();
    } else if (result == kLoadTranslationItem) {
        // An import changes every caption; after a cancelled dialog relabelling does no harm.
        ChooseTranslationFile();
        RelabelToolbars();
    }
    WriteSetting(L"lng", CurrentLanguage);
}

void ShowLanguageMenu() {
    HMENU menu = BuildLanguageMenu();
    if (!menu)
        return;
    const RECT button = GetToolbarButtonRect(Ui.commandToolbar, kCommandLanguage);
    POINT corner = {button.left, button.bottom};
    ClientToScreen(Ui.commandToolbar, &corner);
    SendMessageW(Ui.commandToolbar, TB_PRESSBUTTON, kCommandLanguage, TRUE);
    const int result = int(TrackPopupMenu(menu, TPM_RETURNCMD, corner.x, corner.y, 0, Ui.mainWindow, nullptr));
    SendMessageW(Ui.commandToolbar, TB_PRESSBUTTON, kCommandLanguage, FALSE);
    DestroyMenu(menu);
    ActOnLanguageMenuResult(result);
}

void ChooseTranslationFile() {
    wchar_t file[MAX_PATH] = {};
    wchar_t fileTitle[MAX_PATH] = {};
    OPENFILENAMEW dialog = {};
    dialog.lStructSize = sizeof(dialog);
    dialog.hInstance = GetModuleHandleW(nullptr);
    dialog.lpstrFile = file;
    dialog.nMaxFile = MAX_PATH;
    dialog.lpstrFileTitle = fileTitle;
    dialog.nMaxFileTitle = MAX_PATH;
    if (GetOpenFileNameW(&dialog))
        ImportTranslation(file);
}

void ImportTranslation(const wchar_t* path) {
    const std::u16string report = ImportTranslationFile(path);
    MessageBoxW(GetActiveWindow(), AsWide(report.c_str()), L"Translate", MB_OK);
}
