// The language menu of the real kestrovane.exe, driven from outside: switching the language with the keyboard,
// dismissing the menu, exporting the template and loading a translation through the open-file dialog.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

#include <string>

#include "e2e/E2eSupport.h"
#include "i18n/LanguageTables.h"
#include "i18n/TranslationText.h"
#include "support/Scratch.h"

namespace {

// How many texts the program's reference language has, the extended ones included: the base of an import's
// completeness, counted from the same tables the program builds.
int ReferenceTextCount() {
    LoadLanguageResource();
    LoadExtendedTexts();
    int count = 0;
    for (const char16_t* text : Languages.languageStrings[kReferenceLanguage])
        count += HasText(text);
    return count;
}

constexpr int kLanguage = 131;
constexpr int kDonate = 12323;
constexpr int kTaskManager = 121;
constexpr int kExit = 105;
constexpr int kPaint = 108;
constexpr int kCpu = 107;
constexpr int kFileNameCombo = 1148;
// Menus and dialogs take a short press; a long one could repeat into the window behind them.
constexpr DWORD kShortPress = 50;

std::string Utf16FileBytes(const std::wstring& text) {
    std::string bytes = "\xFF\xFE";
    for (wchar_t unit : text) {
        bytes += char(unit & 0xFF);
        bytes += char(unit >> 8);
    }
    return bytes;
}

std::wstring TemplatePath() {
    wchar_t temp[MAX_PATH] = {};
    GetTempPathW(MAX_PATH, temp);
    return std::wstring(temp) + L"translate_Kestrovane_4.91.txt";
}

class LanguageMenuE2e : public testing::Test {
protected:
    void TearDown() override { StopProgram(program_); }

    void Start(const std::string& iniText) {
        std::string error;
        ASSERT_TRUE(StartProgram(program_, scratch_.path(), iniText, &error)) << error;
    }

    // A real click on "# LNG"; returns the open popup menu.
    HWND OpenMenu() {
        EXPECT_TRUE(ClickToolbarButton(program_, program_.commandToolbar, kLanguage));
        HWND menu = WaitForProgramWindow(program_, L"#32768");
        EXPECT_NE(menu, nullptr) << "the language menu did not open";
        return menu;
    }

    // Keys reach the menu through the main window, which stays in front while the menu is tracked.
    void MenuKey(WORD key) { PressKey(program_.mainWindow, key, kShortPress); }

    bool WaitForMenuClosed() {
        return WaitFor([&] { return FindProgramWindow(program_, L"#32768") == nullptr; }, 5000);
    }

    std::wstring Caption(HWND toolbar, int command) {
        std::wstring text;
        EXPECT_TRUE(ToolbarButtonText(program_, toolbar, command, &text)) << "no caption for command " << command;
        return text;
    }

    bool WaitForCaption(HWND toolbar, int command, const std::wstring& expected) {
        return WaitFor(
            [&] {
                std::wstring text;
                return ToolbarButtonText(program_, toolbar, command, &text) && text == expected;
            },
            5000);
    }

    bool WaitForIni(const std::string& expected) {
        return WaitFor([&] { return ReadIniFile(program_) == expected; }, 5000);
    }

    // Opens the menu, chooses "Load from File (Unicode)" (the last item), enters the path in the open-file dialog
    // and returns the report box.
    HWND LoadThroughDialog(const std::wstring& path) {
        OpenMenu();
        MenuKey(VK_UP);
        MenuKey(VK_RETURN);
        HWND dialog = WaitForProgramWindow(program_, L"#32770", L"Open");
        EXPECT_NE(dialog, nullptr) << "no open-file dialog";
        if (!dialog)
            return nullptr;
        HWND combo = GetDlgItem(dialog, kFileNameCombo);
        HWND edit = FindWindowExW(combo, nullptr, L"Edit", nullptr);
        if (!edit)
            edit = FindWindowExW(FindWindowExW(combo, nullptr, L"ComboBox", nullptr), nullptr, L"Edit", nullptr);
        EXPECT_NE(edit, nullptr) << "no file-name box";
        EXPECT_TRUE(WriteWindowText(edit, path));
        PressKey(dialog, VK_RETURN, kShortPress);
        HWND box = WaitForProgramWindow(program_, L"#32770", L"Translate");
        EXPECT_NE(box, nullptr) << "no report box";
        return box;
    }

    void CloseReport(HWND box) {
        PressKey(box, VK_RETURN, kShortPress);
        EXPECT_TRUE(WaitFor([&] { return !IsWindow(box); }, 5000)) << "the report box stayed open";
    }

    ScratchFolder scratch_;
    Program program_;
};

}  // namespace

TEST_F(LanguageMenuE2e, ChoosingALanguageRelabelsTheToolbarsAndStoresIt) {
    Start("[Program]\r\nlng=1\r\n");
    ASSERT_EQ(Caption(program_.commandToolbar, kExit), L"[x] Exit");
    OpenMenu();
    // The first item is language 0; the current language 1 is the greyed second one.
    MenuKey(VK_DOWN);
    MenuKey(VK_RETURN);
    ASSERT_TRUE(WaitForMenuClosed());
    EXPECT_TRUE(WaitForCaption(program_.commandToolbar, kExit, L"[x] Beenden"));
    EXPECT_EQ(Caption(program_.commandToolbar, kDonate), L"# Spenden");
    EXPECT_EQ(Caption(program_.stressToolbar, kCpu), L"// Aggressiver CPU-Stress");
    EXPECT_EQ(Caption(program_.commandToolbar, kLanguage), L"# LNG");
    EXPECT_TRUE(WaitForIni("[Program]\r\nlng=0\r\n")) << ReadIniFile(program_);
    EXPECT_FALSE(SendMessageW(program_.commandToolbar, TB_ISBUTTONPRESSED, kLanguage, 0)) << "the button is released";
}

TEST_F(LanguageMenuE2e, DismissingTheMenuChangesNothing) {
    // Without the key in the file, any write would show.
    Start("[Program]\r\npaint=0\r\n");
    const std::string before = ReadIniFile(program_);
    OpenMenu();
    MenuKey(VK_ESCAPE);
    ASSERT_TRUE(WaitForMenuClosed());
    EXPECT_TRUE(WaitForCaption(program_.commandToolbar, kExit, L"[x] Exit"));
    EXPECT_FALSE(SendMessageW(program_.commandToolbar, TB_ISBUTTONPRESSED, kLanguage, 0));
    EXPECT_EQ(WaitForSingleObject(program_.process.hProcess, 0), DWORD(WAIT_TIMEOUT)) << "Esc in the menu quit";
    EXPECT_EQ(ReadIniFile(program_), before);
}

TEST_F(LanguageMenuE2e, TranslateWritesTheTemplateOverALongerOneAndStoresTheLanguage) {
    // An earlier, longer template that cannot be deleted because another program holds it open.
    const std::wstring path = TemplatePath();
    DeleteFileW(path.c_str());
    ASSERT_TRUE(WriteFileBytes(path, std::string(50000, 'x')));
    // A reader that does not share deletion: the program cannot delete the file, but may write it.
    HANDLE holder =
        CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(holder, INVALID_HANDLE_VALUE);

    Start("[Program]\r\npaint=0\r\n");
    OpenMenu();
    // From no selection, Up selects the last item; once more gives "Translate".
    MenuKey(VK_UP);
    MenuKey(VK_UP);
    MenuKey(VK_RETURN);
    ASSERT_TRUE(WaitForMenuClosed());
    EXPECT_TRUE(WaitForIni("[Program]\r\npaint=0\r\nlng=1\r\n")) << ReadIniFile(program_);
    CloseHandle(holder);

    const std::string bytes = ReadFileBytes(path);
    ASSERT_GT(bytes.size(), 100u);
    EXPECT_EQ(bytes.substr(0, 2), "\xFF\xFE");
    EXPECT_EQ(bytes.find("xx"), std::string::npos) << "the earlier file's tail is left";
    EXPECT_EQ(bytes.substr(bytes.size() - 8), std::string("\r\0\n\0\r\0\n\0", 8));
    EXPECT_NE(bytes.find(Utf16FileBytes(L"##=English\tEnglisch\r\n").substr(2)), std::string::npos);
    DeleteFileW(path.c_str());
}

TEST_F(LanguageMenuE2e, LoadingATranslationReportsAndRelabels) {
    Start("[Program]\r\nlng=0\r\n");
    const std::wstring file = scratch_.File(L"mine.txt");
    ASSERT_TRUE(WriteFileBytes(file, Utf16FileBytes(L"42=Malen\r\n50=Geben\r\n51=Aufgaben\r\n52=Raus\r\n")));

    HWND box = LoadThroughDialog(file);
    ASSERT_NE(box, nullptr);
    const std::wstring report = MessageBoxText(box);
    // The file has 4 of the reference texts; the extended ones (60 on) count too, and it lacks them as well.
    const std::wstring percent = std::to_wstring(CompletenessPercent(4, ReferenceTextCount())) + L" %";
    const std::wstring head = percent + L"\n\nmiss:\n30=Let's see! How long";
    EXPECT_EQ(report.substr(0, head.size()), head);
    const std::wstring shortList = L"...and...\n39,40,41,43,44,45,46,47,48,60,";
    EXPECT_NE(report.find(shortList), std::wstring::npos) << "the list goes on past the first block's numbers";
    CloseReport(box);

    EXPECT_TRUE(WaitForCaption(program_.commandToolbar, kExit, L"[x] Raus"));
    EXPECT_EQ(Caption(program_.commandToolbar, kDonate), L"# Geben");
    EXPECT_EQ(Caption(program_.commandToolbar, kTaskManager), L"# Aufgaben");
    EXPECT_EQ(Caption(program_.stressToolbar, kPaint), L"// Malen");
    EXPECT_EQ(Caption(program_.stressToolbar, kCpu), L"// str:47?");
    EXPECT_TRUE(WaitForIni("[Program]\r\nlng=0\r\n")) << ReadIniFile(program_);
}

TEST_F(LanguageMenuE2e, AFileThatCannotBeReadIsReportedAndChangesNothing) {
    Start("[Program]\r\nlng=1\r\n");
    const std::wstring missing = scratch_.File(L"no-such-file.txt");
    HWND box = LoadThroughDialog(missing);
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(MessageBoxText(box), L"The file could not be read:\n" + missing);
    CloseReport(box);
    EXPECT_TRUE(WaitForCaption(program_.commandToolbar, kExit, L"[x] Exit")) << "no placeholders";
    EXPECT_EQ(Caption(program_.stressToolbar, kCpu), L"// Aggressiv CPU-Stress");
}
