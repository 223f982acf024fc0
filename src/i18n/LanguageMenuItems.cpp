// The rows of the language menu, built from the language tables; the popup and the tests both walk them.
#include "i18n/LanguageMenuItems.h"

#include <algorithm>

#include "i18n/TranslationText.h"

namespace {

// A name of 5 characters or fewer gets no item; an absent name counts as empty, so the unnamed entry that the
// text's final marker leaves behind never shows.
constexpr size_t kShortestShownName = 6;

size_t NameLength(const char16_t* name) {
    return name ? std::char_traits<char16_t>::length(name) : 0;
}

}  // namespace

std::u16string FormatLanguageMenuText(int index, const char16_t* name, int percent) {
    std::u16string text;
    AppendDecimal(text, index);
    text += u") ";
    if (name)
        text += name;
    text += u" / ";
    AppendDecimal(text, percent);
    text += u" %";
    return text;
}

std::vector<LanguageMenuItem> LanguageMenuItems(const LanguageTables& tables, int currentLanguage) {
    std::vector<LanguageMenuItem> items;
    const int count = std::clamp(tables.LanguageCount, 0, kMaxLanguages);
    for (int i = 0; i < count; ++i) {
        const char16_t* name = tables.languageName[i];
        if (NameLength(name) < kShortestShownName)
            continue;
        items.push_back(
            {kLanguageItemBase + i, FormatLanguageMenuText(i, name, tables.languagePercent[i]), i == currentLanguage});
    }
    items.push_back({0, u"", false});
    items.push_back({kTranslateItem, u"Translate", false});
    items.push_back({kLoadTranslationItem, u"Load from File (Unicode)", false});
    return items;
}
