// The language menu's rows built from language tables: which languages get an item, their text and state.
#include <gtest/gtest.h>

#include <memory>

#include "i18n/LanguageMenuItems.h"

namespace {

// Tables with the given names (null for none); the percentages are 10 × index so that each row is told apart.
std::unique_ptr<LanguageTables> TablesNamed(std::initializer_list<const char16_t*> names) {
    auto tables = std::make_unique<LanguageTables>();
    for (const char16_t* name : names) {
        const int i = tables->LanguageCount++;
        tables->languageName[i] = const_cast<char16_t*>(name);
        tables->languagePercent[i] = 10 * i;
    }
    return tables;
}

std::vector<int> Ids(const std::vector<LanguageMenuItem>& items) {
    std::vector<int> ids;
    for (const LanguageMenuItem& item : items)
        ids.push_back(item.id);
    return ids;
}

}  // namespace

TEST(LanguageMenuItems, OnlyNamesLongerThanFiveCharactersGetAnItem) {
    auto tables = TablesNamed({u"Deutsch\tGerman", u"Dansk", u"Polski", nullptr, u"", u"Czech\n\tCe"});
    const std::vector<LanguageMenuItem> items = LanguageMenuItems(*tables, 0);
    // 5 characters (1) and absent or empty names (3, 4) are left out; the TAB and the LF count as characters.
    EXPECT_EQ(Ids(items), (std::vector<int>{10, 12, 15, 0, 1000, 1001}));
}

TEST(LanguageMenuItems, TextHoldsIndexNameAndPercentWithTheTabKept) {
    auto tables = TablesNamed({u"Deutsch\tGerman", u"English\tEnglisch", u"Swedish\tSvenska"});
    tables->languagePercent[0] = 100;
    tables->languagePercent[2] = 7;
    const std::vector<LanguageMenuItem> items = LanguageMenuItems(*tables, 1);
    ASSERT_EQ(items.size(), 6u);
    EXPECT_EQ(items[0].text, u"0) Deutsch\tGerman / 100 %");
    EXPECT_EQ(items[1].text, u"1) English\tEnglisch / 10 %");
    EXPECT_EQ(items[2].text, u"2) Swedish\tSvenska / 7 %");
    EXPECT_EQ(FormatLanguageMenuText(47, nullptr, 0), u"47)  / 0 %") << "an absent name formats as empty";
}

TEST(LanguageMenuItems, OnlyTheCurrentLanguageIsGreyed) {
    auto tables = TablesNamed({u"Deutsch\tGerman", u"English\tEnglisch", u"Swedish\tSvenska"});
    for (int current = 0; current < 3; ++current) {
        const std::vector<LanguageMenuItem> items = LanguageMenuItems(*tables, current);
        for (const LanguageMenuItem& item : items)
            EXPECT_EQ(item.grayed, item.id == kLanguageItemBase + current)
                << "current " << current << " id " << item.id;
    }
    // A stored language outside the tables greys nothing.
    for (int current : {-1, 3, 47, 1000}) {
        for (const LanguageMenuItem& item : LanguageMenuItems(*tables, current))
            EXPECT_FALSE(item.grayed) << "current " << current << " id " << item.id;
    }
}

TEST(LanguageMenuItems, ToolsFollowTheSeparatorEvenWithoutLanguages) {
    auto tables = TablesNamed({});
    const std::vector<LanguageMenuItem> items = LanguageMenuItems(*tables, 1);
    ASSERT_EQ(items.size(), 3u);
    EXPECT_EQ(items[0].id, 0);
    EXPECT_EQ(items[0].text, u"");
    EXPECT_EQ(items[1].id, kTranslateItem);
    EXPECT_EQ(items[1].text, u"Translate");
    EXPECT_EQ(items[2].id, kLoadTranslationItem);
    EXPECT_EQ(items[2].text, u"Load from File (Unicode)");
}

TEST(LanguageMenuItems, FortyEightLanguagesUseIdentifiersUpTo57) {
    std::unique_ptr<LanguageTables> tables = TablesNamed({});
    static const char16_t kName[] = u"Language";
    for (int i = 0; i < kMaxLanguages; ++i)
        tables->languageName[i] = const_cast<char16_t*>(kName);
    tables->LanguageCount = kMaxLanguages;
    const std::vector<LanguageMenuItem> items = LanguageMenuItems(*tables, 5);
    ASSERT_EQ(items.size(), size_t(kMaxLanguages + 3));
    EXPECT_EQ(items[kMaxLanguages - 1].id, 57);
    EXPECT_LE(items[kMaxLanguages - 1].id, kLanguageItemLast);
    EXPECT_EQ(items[kMaxLanguages - 1].text, u"47) Language / 0 %");
}
