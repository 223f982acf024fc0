// The start-up choice of language: the user's Windows language unless the settings file names one.
#include <gtest/gtest.h>

#include "i18n/LanguageTables.h"
#include "settings/IniStore.h"
#include "support/Scratch.h"

namespace {

void UseSettings(const ScratchFolder& scratch, const std::string& content) {
    const std::wstring path = scratch.File(L"settings.ini");
    ASSERT_TRUE(WriteFileBytes(path, content));
    wcscpy(IniPath, path.c_str());
}

}  // namespace

TEST(ChooseDefaultLanguage, TheStoredLanguageWinsOverTheSystemLanguage) {
    ScratchFolder scratch;
    const int systemDefault = DefaultLanguageFor(GetUserDefaultLangID());

    UseSettings(scratch, "[Program]\r\npaint=1\r\n");
    CurrentLanguage = -5;
    ChooseDefaultLanguage();
    EXPECT_EQ(CurrentLanguage, systemDefault) << "no lng key: the system's language";

    for (int stored : {0, 7, 39, 47, 99, -1}) {
        UseSettings(scratch, "[Program]\r\nlng=" + std::to_string(stored) + "\r\n");
        ChooseDefaultLanguage();
        EXPECT_EQ(CurrentLanguage, stored) << "lng=" << stored << " is taken as it is; lookups check the range";
    }
    // The test environment runs Wine with an English locale; on another system the default differs.
    if (PRIMARYLANGID(GetUserDefaultLangID()) == LANG_ENGLISH) {
        EXPECT_EQ(systemDefault, kReferenceLanguage);
    }
}
