// The options in the real main window's system menu, read back in-process: the separator and the option rows,
// their check marks and texts refreshed before the menu opens, and WM_SYSCOMMAND turning each over.
#include <windows.h>

#include <string>

#include "app/ShellFixture.h"
#include "app/SystemMenu.h"
#include "app/UiHandles.h"
#include "i18n/LanguageTables.h"
#include "run/OptionsMenu.h"
#include "run/RunControl_win.h"
#include "stress/RealDiskWorker.h"
#include "stress/StressState.h"

namespace {

constexpr UINT kMemoryItem = kFirstOptionMenuId;
constexpr UINT kVerifyItem = kFirstOptionMenuId + 0x10;
constexpr UINT kStopOnErrorItem = kFirstOptionMenuId + 0x20;
// The seven "Run for" choices take 0x30 to 0x90 in their submenu.
constexpr UINT kRunForFirstItem = kFirstOptionMenuId + 0x30;
constexpr UINT kDetectorCheckItem = kFirstOptionMenuId + 0xA0;

bool Checked() {
    return true;
}

bool NotChecked() {
    return false;
}

// Every kind of row, a submenu holding a separator between a check and an action.
constexpr OptionRow kInner[] = {
    {OptionKind::Check, 502, 60, Checked},
    {OptionKind::Separator},
    {OptionKind::Action, 503, 60},
};
constexpr OptionRow kEveryKind[] = {
    {OptionKind::Check, 501, 60, NotChecked},
    {OptionKind::Submenu, 0, 60, nullptr, kInner},
    {OptionKind::Action, 504, 60},
};

class SystemMenuTest : public ShellTest {
protected:
    HMENU Menu() { return GetSystemMenu(Ui.mainWindow, FALSE); }

    std::wstring ItemText(UINT id) {
        wchar_t text[256] = {};
        GetMenuStringW(Menu(), id, text, 256, MF_BYCOMMAND);
        return text;
    }

    bool ItemChecked(UINT id) { return (GetMenuState(Menu(), id, MF_BYCOMMAND) & MF_CHECKED) != 0; }

    // What the system sends just before the window menu shows.
    void OpenMenu() { SendMessageW(Ui.mainWindow, WM_INITMENUPOPUP, WPARAM(Menu()), MAKELPARAM(0, TRUE)); }

    int ItemCount() { return GetMenuItemCount(Menu()); }

    // The position of the options' separator; -1 when the menu has none.
    int OptionsStart() {
        for (int position = 0; position < ItemCount(); ++position) {
            if (GetMenuItemID(Menu(), position) == kOptionsSeparatorMenuId)
                return position;
        }
        return -1;
    }
};

}  // namespace

TEST_F(SystemMenuTest, EndsWithASeparatorAndTheOptionsShowingTheStoredSettings) {
    CreateWithSettings("[Program]\r\nmem=1\r\nstop_on_error=1\r\nduration_min=120\r\n");
    const int count = ItemCount();
    const int start = OptionsStart();
    ASSERT_GE(start, 0);
    EXPECT_EQ(count, start + 1 + int(OptionRows().size())) << "the options end the menu, one item per row";
    EXPECT_TRUE(GetMenuState(Menu(), UINT(start), MF_BYPOSITION) & MF_SEPARATOR);
    EXPECT_EQ(GetMenuItemID(Menu(), start + 1), kMemoryItem);
    EXPECT_EQ(ItemText(kMemoryItem), L"Memory-Stress");
    EXPECT_TRUE(ItemChecked(kMemoryItem));
    EXPECT_EQ(GetMenuItemID(Menu(), start + 2), kVerifyItem);
    EXPECT_EQ(ItemText(kVerifyItem), L"Verify results");
    EXPECT_TRUE(ItemChecked(kVerifyItem)) << "verified by default";
    EXPECT_EQ(GetMenuItemID(Menu(), start + 3), kStopOnErrorItem);
    EXPECT_EQ(ItemText(kStopOnErrorItem), L"Stop on first error");
    EXPECT_TRUE(ItemChecked(kStopOnErrorItem)) << "as stored";
    // "Run for" opens the durations, one of them marked with a round bullet: the stored one.
    wchar_t runFor[64] = {};
    GetMenuStringW(Menu(), UINT(start + 4), runFor, 64, MF_BYPOSITION);
    EXPECT_EQ(std::wstring(runFor), L"Run for");
    HMENU durations = GetSubMenu(Menu(), start + 4);
    ASSERT_NE(durations, nullptr);
    ASSERT_EQ(GetMenuItemCount(durations), 7);
    const wchar_t* const choices[] = {L"until stopped", L"10 minutes", L"30 minutes", L"1 hour",
                                      L"2 hours",       L"8 hours",    L"24 hours"};
    for (int i = 0; i < 7; ++i) {
        EXPECT_EQ(GetMenuItemID(durations, i), kRunForFirstItem + UINT(i) * 0x10) << i;
        EXPECT_EQ(ItemText(kRunForFirstItem + UINT(i) * 0x10), choices[i]) << i;
        MENUITEMINFOW info = {};
        info.cbSize = sizeof(info);
        info.fMask = MIIM_FTYPE | MIIM_STATE;
        ASSERT_TRUE(GetMenuItemInfoW(durations, UINT(i), TRUE, &info));
        EXPECT_TRUE(info.fType & MFT_RADIOCHECK) << i;
        EXPECT_EQ((info.fState & MFS_CHECKED) != 0, i == 4) << "2 hours as stored: " << i;
    }
    EXPECT_EQ(GetMenuItemID(Menu(), start + 5), kDetectorCheckItem);
    EXPECT_EQ(ItemText(kDetectorCheckItem), L"Check the error detection\u2026");
    EXPECT_FALSE(ItemChecked(kDetectorCheckItem));
    // The runs' files close the menu, after a separator of their own.
    EXPECT_TRUE(GetMenuState(Menu(), UINT(count - 3), MF_BYPOSITION) & MF_SEPARATOR);
    const UINT openRunsFolderItem = OptionMenuIdForCommand(OptionRows(), kCommandOpenRunsFolder);
    const UINT showLastReportItem = OptionMenuIdForCommand(OptionRows(), kCommandShowLastReport);
    EXPECT_EQ(GetMenuItemID(Menu(), count - 2), openRunsFolderItem);
    EXPECT_EQ(ItemText(openRunsFolderItem), L"Open the runs folder");
    EXPECT_EQ(GetMenuItemID(Menu(), count - 1), showLastReportItem);
    EXPECT_EQ(ItemText(showLastReportItem), L"Show the last report");

    // Opening the menu again and again shows the options once, in the current language.
    CurrentLanguage = 0;
    OpenMenu();
    OpenMenu();
    EXPECT_EQ(ItemCount(), count);
    EXPECT_EQ(ItemText(kMemoryItem), L"Speicher-Stress");
}

TEST_F(SystemMenuTest, ChoosingAnOptionTurnsItOverStoresItAndShowsIt) {
    CreateWithSettings("[Program]\r\n");
    ASSERT_FALSE(ItemChecked(kMemoryItem));
    // The system keeps the low four bits of a system command for itself: they must not matter.
    EXPECT_EQ(SendMessageW(Ui.mainWindow, WM_SYSCOMMAND, kMemoryItem | 0x3, 0), 0);
    EXPECT_EQ(Stress.memoryOn, 1);
    EXPECT_EQ(IniContent(), "[Program]\r\nmem=1\r\n");
    OpenMenu();
    EXPECT_TRUE(ItemChecked(kMemoryItem));

    SendMessageW(Ui.mainWindow, WM_SYSCOMMAND, kMemoryItem, 0);
    EXPECT_EQ(Stress.memoryOn, 0);
    EXPECT_EQ(IniContent(), "[Program]\r\nmem=0\r\n");
    OpenMenu();
    EXPECT_FALSE(ItemChecked(kMemoryItem));

    // The run's options turn over and are stored at once.
    SendMessageW(Ui.mainWindow, WM_SYSCOMMAND, kVerifyItem, 0);
    SendMessageW(Ui.mainWindow, WM_SYSCOMMAND, kStopOnErrorItem, 0);
    EXPECT_EQ(IniContent(), "[Program]\r\nmem=0\r\nverify=0\r\nstop_on_error=1\r\n");
    OpenMenu();
    EXPECT_FALSE(ItemChecked(kVerifyItem));
    EXPECT_TRUE(ItemChecked(kStopOnErrorItem));
    SendMessageW(Ui.mainWindow, WM_SYSCOMMAND, kVerifyItem, 0);
    SendMessageW(Ui.mainWindow, WM_SYSCOMMAND, kStopOnErrorItem, 0);
    EXPECT_EQ(IniContent(), "[Program]\r\nmem=0\r\nverify=1\r\nstop_on_error=0\r\n");

    // A "Run for" choice is taken and stored in minutes; "until stopped" stores 0.
    SendMessageW(Ui.mainWindow, WM_SYSCOMMAND, kRunForFirstItem + 0x60, 0);
    EXPECT_EQ(RunOptions.durationMinutes, 1440);
    EXPECT_EQ(IniContent(), "[Program]\r\nmem=0\r\nverify=1\r\nstop_on_error=0\r\nduration_min=1440\r\n");
    EXPECT_EQ(NextRunSettings().durationSeconds, 86400);
    SendMessageW(Ui.mainWindow, WM_SYSCOMMAND, kRunForFirstItem, 0);
    EXPECT_EQ(RunOptions.durationMinutes, 0);
    EXPECT_EQ(NextRunSettings().durationSeconds, 0);

    // Another identifier of the options' range names no row and changes nothing.
    SendMessageW(Ui.mainWindow, WM_SYSCOMMAND, kMemoryItem + 0x800, 0);
    EXPECT_EQ(Stress.memoryOn, 0);
    EXPECT_EQ(IniContent(), "[Program]\r\nmem=0\r\nverify=1\r\nstop_on_error=0\r\nduration_min=0\r\n");
}

TEST_F(SystemMenuTest, EveryKindOfRowTakesItsPlaceAndASubmenuOpeningKeepsItsMenu) {
    CreateWithSettings("[Program]\r\n");
    const int start = OptionsStart();
    ASSERT_GE(start, 0);
    ShowOptionsInSystemMenu(Ui.mainWindow, kEveryKind);
    ASSERT_EQ(ItemCount(), start + 4) << "the separator and three rows replace the options";
    EXPECT_EQ(GetMenuItemID(Menu(), start), kOptionsSeparatorMenuId);
    EXPECT_EQ(GetMenuItemID(Menu(), start + 1), 0x1000u);
    EXPECT_FALSE(ItemChecked(0x1000));
    HMENU submenu = GetSubMenu(Menu(), start + 2);
    ASSERT_NE(submenu, nullptr);
    EXPECT_EQ(ItemText(0x1000), L"Memory-Stress");
    ASSERT_EQ(GetMenuItemCount(submenu), 3);
    EXPECT_EQ(GetMenuItemID(submenu, 0), 0x1010u);
    EXPECT_TRUE(GetMenuState(submenu, 0, MF_BYPOSITION) & MF_CHECKED);
    EXPECT_TRUE(GetMenuState(submenu, 1, MF_BYPOSITION) & MF_SEPARATOR);
    EXPECT_EQ(GetMenuItemID(submenu, 2), 0x1020u);
    EXPECT_EQ(GetMenuItemID(Menu(), start + 3), 0x1030u) << "after the submenu, back in the options";

    // The submenu's own WM_INITMENUPOPUP must not rebuild, and so destroy, the menu it opens from.
    SendMessageW(Ui.mainWindow, WM_INITMENUPOPUP, WPARAM(submenu), MAKELPARAM(start + 2, TRUE));
    EXPECT_TRUE(IsMenu(submenu));
    EXPECT_EQ(ItemCount(), start + 4);
}

TEST_F(SystemMenuTest, TheDiskLoadRowsChooseTheModeStoreItAndShowItChecked) {
    CreateWithSettings("[Program]\r\n");
    const UINT cache = OptionMenuIdForCommand(OptionRows(), kCommandDiskCache);
    const UINT real = OptionMenuIdForCommand(OptionRows(), kCommandDiskReal);
    OpenMenu();
    EXPECT_EQ(ItemText(real), L"Real disk (verified)");
    EXPECT_TRUE(ItemChecked(cache)) << "the temporary-file load is the default";
    EXPECT_FALSE(ItemChecked(real));

    EXPECT_EQ(SendMessageW(Ui.mainWindow, WM_SYSCOMMAND, real, 0), 0);
    EXPECT_EQ(DiskChoice.mode, int32_t(DiskLoadMode::Real));
    EXPECT_EQ(IniContent(), "[Program]\r\ndisk_mode=1\r\n");
    OpenMenu();
    EXPECT_FALSE(ItemChecked(cache));
    EXPECT_TRUE(ItemChecked(real));

    SendMessageW(Ui.mainWindow, WM_SYSCOMMAND, cache, 0);
    EXPECT_EQ(DiskChoice.mode, int32_t(DiskLoadMode::Cache));
    EXPECT_EQ(IniContent(), "[Program]\r\ndisk_mode=0\r\n");
}

TEST_F(SystemMenuTest, TheDiskSettingsAreReadAtStartAndAFolderTooLongForTheFileIsRefused) {
    CreateWithSettings("[Program]\r\ndisk_mode=1\r\ndisk_folder=D:\\stress here\r\n");
    EXPECT_EQ(DiskChoice.mode, int32_t(DiskLoadMode::Real));
    EXPECT_EQ(DiskChoice.folder, u"D:\\stress here");
    EXPECT_TRUE(SetDiskFolder(L"E:\\runs", true));
    EXPECT_EQ(IniContent(), "[Program]\r\ndisk_mode=1\r\ndisk_folder=E:\\runs\r\n");
    const std::wstring tooLong = L"C:\\" + std::wstring(1100, L'x');
    EXPECT_FALSE(SetDiskFolder(tooLong, true));
    EXPECT_EQ(DiskChoice.folder, u"E:\\runs") << "nothing changed";

    CreateWithSettings("[Program]\r\ndisk_mode=7\r\n");
    EXPECT_EQ(DiskChoice.mode, int32_t(DiskLoadMode::Cache)) << "any other value is the default";
    EXPECT_TRUE(DiskChoice.folder.empty());
}
