// Fuzz target: any bytes as an expanded language text must build tables whose every text ends inside the buffer,
// and every lookup must answer with such a text or none.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "i18n/LanguageTables.h"

namespace {

// Reads the text to its end, so a missing terminator shows as a read past the buffer.
size_t Length(const char16_t* text) {
    size_t length = 0;
    if (text) {
        while (text[length])
            ++length;
    }
    return length;
}

void LookUpEverything() {
    // After an import the language does not matter, and one pass keeps the run fast.
    const std::vector<int> languages = Languages.importedActive
                                           ? std::vector<int>{0}
                                           : std::vector<int>{-1, 0, 1, 2, Languages.LanguageCount, kMaxLanguages};
    for (int language : languages) {
        CurrentLanguage = language;
        for (int index = -1; index <= kStringSlots; ++index)
            Length(GetText(index));
    }
    for (int index = -1; index <= kStringSlots; ++index)
        Length(GetFixedText(index));
    for (int language = 0; language < Languages.LanguageCount; ++language) {
        Length(Languages.languageName[language]);
        if (Languages.languagePercent[language] < 0 || Languages.languagePercent[language] > 100)
            std::abort();
    }
    if (Length(Languages.referenceSectionCopy) >= size_t(kReferenceCopyUnits))
        std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    // The buffer holds the text and the terminator's two bytes, nothing more.
    std::vector<char16_t> text((size + 3) / 2);
    std::memcpy(text.data(), data, size);
    BuildLanguageTables(text.data(), size);
    if (Languages.LanguageCount < 0 || Languages.LanguageCount > kMaxLanguages)
        std::abort();
    LookUpEverything();

    // The same bytes as an imported translation.
    Languages.importedText.assign(text.begin(), text.begin() + ptrdiff_t(size / 2));
    ParseStringLines(Languages.importedText.data(), Languages.importedStrings);
    Languages.importedActive = true;
    LookUpEverything();
    Languages.importedActive = false;

    BuildLanguageTables(nullptr, 0);
    return 0;
}
