// The options in the real main window's system menu, read back in-process: the separator and the option rows,
// their check marks and texts refreshed before the menu opens, and WM_SYSCOMMAND turning each over.
#include <windows.h>

#include <string>

#include "app/ShellFixture.h"
#include "app/SystemMenu.h"
#include "app/UiHandles.h"
#include "i18n/LanguageTables.h"
#include "run/OptionsMenu.h"
#include "stress/RealDiskWorker.h"
#include "stress/StressState.h"

namespace {

constexpr UINT kMemoryItem = kFirstOptionMenuId;
constexpr UINT kVerifyItem = kFirstOptionMenuId + 0x10;
constexpr UINT kStopOnErrorItem = kFirstOptionMenuId + 0x20;
constexpr UINT kDetectorCheckItem = kFirstOptionMenuId + 0x30;

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
};

}  // namespace

TEST_F(SystemMenuTest, EndsWithASeparatorAndTheOptionsShowingTheStoredSettings) {
    CreateWithSettings("[Program]\r\nmem=1\r\nstop_on_error=1\r\n");
    const int count = ItemCount();
    const int separator = count - 1 - int(OptionRows().size());
    ASSERT_GE(separator, 0);
    EXPECT_TRUE(GetMenuState(Menu(), UINT(separator), MF_BYPOSITION) & MF_SEPARATOR);
    EXPECT_EQ(GetMenuItemID(Menu(), separator + 1), kMemoryItem);
    EXPECT_EQ(ItemText(kMemoryItem), L"Memory-Stress");
    EXPECT_TRUE(ItemChecked(kMemoryItem));
    EXPECT_EQ(GetMenuItemID(Menu(), separator + 2), kVerifyItem);
    EXPECT_EQ(ItemText(kVerifyItem), L"Verify results");
    EXPECT_TRUE(ItemChecked(kVerifyItem)) << "verified by default";
    EXPECT_EQ(GetMenuItemID(Menu(), separator + 3), kStopOnErrorItem);
    EXPECT_EQ(ItemText(kStopOnErrorItem), L"Stop on first error");
    EXPECT_TRUE(ItemChecked(kStopOnErrorItem)) << "as stored";
    EXPECT_EQ(GetMenuItemID(Menu(), separator + 4), kDetectorCheckItem);
    EXPECT_EQ(ItemText(kDetectorCheckItem), L"Check the error detection\u2026");
    EXPECT_FALSE(ItemChecked(kDetectorCheckItem));
    EXPECT_NE(GetSubMenu(Menu(), count - 1), nullptr) << "the disk load's submenu comes last";

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

    // Another identifier of the options' range names no row and changes nothing.
    SendMessageW(Ui.mainWindow, WM_SYSCOMMAND, kMemoryItem + 0x100, 0);
    EXPECT_EQ(Stress.memoryOn, 0);
    EXPECT_EQ(IniContent(), "[Program]\r\nmem=0\r\nverify=1\r\nstop_on_error=0\r\n");
}

TEST_F(SystemMenuTest, EveryKindOfRowTakesItsPlaceAndASubmenuOpeningKeepsItsMenu) {
    CreateWithSettings("[Program]\r\n");
    const int start = ItemCount() - 1 - int(OptionRows().size());
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
