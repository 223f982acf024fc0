// The default language from the user's Windows language; a language stored in the settings always wins.
#include <windows.h>

#include "i18n/LanguageTables.h"
#include "settings/IniStore.h"

void ChooseDefaultLanguage() {
    CurrentLanguage = ReadSetting(L"lng", DefaultLanguageFor(GetUserDefaultLangID()));
}
