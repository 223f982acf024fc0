// The language popup as Windows holds it, read back in-process, and what each of its results does.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

#include <string>

#include "app/ShellFixture.h"
#include "app/UiHandles.h"
#include "app/LanguageMenu.h"
#include "i18n/LanguageTables.h"

namespace {

std::wstring ItemText(HMENU menu, int position) {
    wchar_t text[256] = {};
    GetMenuStringW(menu, UINT(position), text, 256, MF_BYPOSITION);
    return text;
}

}  // namespace

TEST(LanguageMenu, OneItemPerNamedLanguageThenTheTools) {
    ASSERT_EQ(LoadLanguageResource(), 1);
    CurrentLanguage = 1;
    HMENU menu = BuildLanguageMenu();
    ASSERT_NE(menu, nullptr);
    // 41 entries, the last one unnamed: 40 languages, the separator and the two tools.
    ASSERT_EQ(GetMenuItemCount(menu), 43);
    for (int i = 0; i < 40; ++i)
        EXPECT_EQ(GetMenuItemID(menu, i), UINT(10 + i)) << i;
    EXPECT_EQ(ItemText(menu, 0), L"0) Deutsch\tGerman / " + std::to_wstring(Languages.languagePercent[0]) + L" %");
    EXPECT_EQ(ItemText(menu, 1), L"1) English\tEnglisch / 100 %");
    EXPECT_EQ(ItemText(menu, 39).substr(0, 36), L"39) Bosnian\tBosanski/Hrvatski/Srpski");
    EXPECT_TRUE(GetMenuState(menu, 40, MF_BYPOSITION) & MF_SEPARATOR);
    EXPECT_EQ(GetMenuItemID(menu, 41), 1000u);
    EXPECT_EQ(ItemText(menu, 41), L"Translate");
    EXPECT_EQ(GetMenuItemID(menu, 42), 1001u);
    EXPECT_EQ(ItemText(menu, 42), L"Load from File (Unicode)");
    DestroyMenu(menu);
}

TEST(LanguageMenu, TheCurrentLanguageIsGreyedAndNothingIsChecked) {
    ASSERT_EQ(LoadLanguageResource(), 1);
    for (int current : {0, 1, 25, 39}) {
        CurrentLanguage = current;
        HMENU menu = BuildLanguageMenu();
        ASSERT_NE(menu, nullptr);
        for (int i = 0; i < 40; ++i) {
            const UINT state = GetMenuState(menu, UINT(10 + i), MF_BYCOMMAND);
            const UINT expected = i == current ? MF_GRAYED | MF_DISABLED : 0;
            EXPECT_EQ(state & (MF_GRAYED | MF_DISABLED | MF_CHECKED), expected)
                << "current " << current << " item " << i;
        }
        EXPECT_EQ(GetMenuState(menu, 1000, MF_BYCOMMAND) & (MF_GRAYED | MF_DISABLED), 0u);
        DestroyMenu(menu);
    }
    CurrentLanguage = 1;
}

TEST(LanguageMenu, ButtonRectangleFollowsTheCommandNotThePosition) {
    HWND toolbar = CreateWindowExW(0, TOOLBARCLASSNAMEW, L"", WS_POPUP | TBSTYLE_LIST, 0, 0, 400, 30, nullptr, nullptr,
                                   GetModuleHandleW(nullptr), nullptr);
    ASSERT_NE(toolbar, nullptr);
    SendMessageW(toolbar, TB_BUTTONSTRUCTSIZE, sizeof(TBBUTTON), 0);
    TBBUTTON buttons[3] = {};
    const int commands[3] = {12323, 131, 121};
    for (int i = 0; i < 3; ++i) {
        buttons[i].idCommand = commands[i];
        buttons[i].fsState = TBSTATE_ENABLED;
        buttons[i].iString = -1;
    }
    ASSERT_TRUE(SendMessageW(toolbar, TB_ADDBUTTONSW, 3, LPARAM(buttons)));

    RECT expected = {};
    ASSERT_TRUE(SendMessageW(toolbar, TB_GETITEMRECT, 1, LPARAM(&expected)));
    const RECT rect = GetToolbarButtonRect(toolbar, 131);
    EXPECT_TRUE(EqualRect(&rect, &expected));
    EXPECT_GT(rect.left, 0) << "button 131 is the second one";
    EXPECT_GT(rect.bottom, rect.top);

    const RECT none = GetToolbarButtonRect(toolbar, 999);
    EXPECT_TRUE(IsRectEmpty(&none)) << "a command without a button";
    DestroyWindow(toolbar);
}

// What a menu result does, on a real main window with the shell's test languages (0 Deutsch, 1 English).
class LanguageMenuResult : public ShellTest {
protected:
    void SetUp() override {
        ShellTest::SetUp();
        LoadTestLanguages();
    }
};

TEST_F(LanguageMenuResult, ADismissedMenuWritesNothing) {
    CreateWithSettings("[Program]\r\npaint=0\r\n");
    ActOnLanguageMenuResult(0);
    EXPECT_EQ(CurrentLanguage, 1);
    EXPECT_EQ(IniContent(), "[Program]\r\npaint=0\r\n");
}

TEST_F(LanguageMenuResult, ALanguageRelabelsAtOnceAndIsStored) {
    CreateWithSettings("[Program]\r\n");
    ASSERT_EQ(ButtonText(Ui.commandToolbar, 105), L"[x] Exit");
    ActOnLanguageMenuResult(10);
    EXPECT_EQ(CurrentLanguage, 0);
    EXPECT_EQ(ButtonText(Ui.commandToolbar, 105), L"[x] Beenden");
    EXPECT_EQ(ButtonText(Ui.stressToolbar, 108), L"// Mal-Stress");
    EXPECT_EQ(IniContent(), "[Program]\r\nlng=0\r\n");

    // The highest identifier that counts as a language names one the tables lack: texts fall back to English.
    ActOnLanguageMenuResult(62);
    EXPECT_EQ(CurrentLanguage, 52);
    EXPECT_EQ(ButtonText(Ui.commandToolbar, 105), L"[x] Exit");
    EXPECT_EQ(IniContent(), "[Program]\r\nlng=52\r\n");

    // Beyond it nothing changes, but a non-zero result still stores the language.
    WriteFileBytes(iniPath_, "[Program]\r\n");
    ActOnLanguageMenuResult(63);
    EXPECT_EQ(CurrentLanguage, 52);
    EXPECT_EQ(IniContent(), "[Program]\r\nlng=52\r\n");
}
