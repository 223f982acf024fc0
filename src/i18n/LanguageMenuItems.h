// The rows of the language menu, built from the language tables; the popup and the tests both walk them.
#pragma once

#include <string>
#include <vector>

#include "i18n/LanguageTables.h"

// Identifiers the popup returns: 10 + language index for a language, and the two translation tools.
constexpr int kLanguageItemBase = 10;
constexpr int kLanguageItemLast = 62;
constexpr int kTranslateItem = 1000;
constexpr int kLoadTranslationItem = 1001;

struct LanguageMenuItem {
    int id = 0;  // 0 for the separator
    std::u16string text;
    bool grayed = false;
};

// "%d) %s / %d %%" from the index, the name (absent counts as empty) and the completeness.
std::u16string FormatLanguageMenuText(int index, const char16_t* name, int percent);

// One item per language whose name is longer than 5 characters, the current one greyed; then the separator,
// "Translate" and "Load from File (Unicode)".
std::vector<LanguageMenuItem> LanguageMenuItems(const LanguageTables& tables, int currentLanguage);
