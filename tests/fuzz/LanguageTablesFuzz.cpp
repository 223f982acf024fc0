// Fuzz target: any bytes as an expanded language text must build tables whose every text ends inside the buffer,
// and every lookup must answer with such a text or none.
#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <vector>

#include "i18n/LanguageResource.h"
#include "i18n/LanguageTables.h"
#include "i18n/Lzari.h"

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

// The shipped extended texts, expanded once: a lookup from kFirstExtendedText on would otherwise expand the whole
// block again after every rebuild of the tables, and that, not the tables, would take nearly all of each run.
const std::vector<char16_t>& ExtendedText() {
    static const std::vector<char16_t> text = [] {
        auto decoder = std::make_unique<LzariDecoder>();
        std::vector<char16_t> units(kExtendedTextBufferBytes / sizeof(char16_t));
        DecoderMemory.sourceSize = uint32_t(kExtendedLanguageResourceSize);
        DecoderMemory.destinationCapacity = uint32_t(kExtendedTextBufferBytes - 2);
        DecodeMemory(*decoder, kExtendedLanguageResource, reinterpret_cast<uint8_t*>(units.data()));
        units.resize(std::min<size_t>(decoder->textSize, kExtendedTextBufferBytes - 2) / sizeof(char16_t) + 1);
        return units;
    }();
    return text;
}

// Merges the shipped extended texts into the fuzzed tables, as the first lookup of such a text would.
void MergeShippedExtendedTexts() {
    static std::vector<char16_t> scratch;
    scratch = ExtendedText();
    MergeExtendedTexts(scratch.data(), (scratch.size() - 1) * sizeof(char16_t));
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
    MergeShippedExtendedTexts();
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
