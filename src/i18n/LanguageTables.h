// The language tables: every user-interface text by number, per language, from the one expanded language text.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

constexpr int kMaxLanguages = 48;
constexpr int kStringSlots = 256;
constexpr size_t kTextBufferBytes = 200000;
constexpr int kReferenceCopyUnits = 2048;
constexpr int kReferenceLanguage = 1;

struct LanguageTables {
    // The expanded text; every pointer below points into it, except the imported ones.
    char16_t* textBuffer = nullptr;
    int LanguageCount = 0;
    char16_t* sectionStart[kMaxLanguages] = {};
    char16_t* languageName[kMaxLanguages] = {};
    int languagePercent[kMaxLanguages] = {};
    char16_t* languageStrings[kMaxLanguages][kStringSlots] = {};
    char16_t* fixedStrings[kStringSlots] = {};
    // The reference language's section as it stood before parsing, for the translation template.
    char16_t referenceSectionCopy[kReferenceCopyUnits] = {};
    // An imported translation: the slots point into importedText, which they share a lifetime with.
    char16_t* importedStrings[kStringSlots] = {};
    std::u16string importedText;
    bool importedActive = false;
    std::u16string missingTextBuffer;
    // The reference language's section of the extended texts as it stood before parsing, for the template; empty
    // until those texts are loaded.
    std::u16string extendedReferenceCopy;
};

extern LanguageTables Languages;
// The language in use; may hold any value the settings gave, lookups check its range.
extern int CurrentLanguage;

// Expands the embedded language resource and builds the tables; returns 1, or 0 with empty tables when the
// text buffer cannot be obtained.
int LoadLanguageResource();

// Builds the tables from an expanded text of `bytes` bytes in a buffer of at least bytes + 2 bytes, which it
// terminates at `bytes` (an odd last byte is dropped). LoadLanguageResource calls it after decoding; tests call
// it with texts of their own. The tables point into the text, which must outlive them.
void BuildLanguageTables(char16_t* text, size_t bytes);

// Clears the 256 slots, then fills them from the numbered lines of the text, writing terminators in place.
void ParseStringLines(char16_t* text, char16_t* table[kStringSlots]);

// True for a text that is present and at least one unit long: only such texts count as translated.
inline bool HasText(const char16_t* text) {
    return text && *text;
}
// Completeness in percent, in double precision and truncated toward zero (21 of 22 gives 95, 29 of 100 gives
// 28); total must be above 0.
inline int CompletenessOf(int present, int total) {
    return int(double(present) / double(total) * 100.0);
}

// The texts of the newer features (the options menu, the runs and their reports) are numbered from here on and
// travel in a second block, so that start-up expands only the texts the window shows at once. They never take a
// slot below this number, and every shipped language has all of them, so the completeness figures stay those of
// the first block.
constexpr int kFirstExtendedText = 60;
// The extended block holds the texts of every newer feature in all languages, far more than the first block: its
// text may take up to this many bytes with the terminator's two (cmake/LanguageResource.cmake passes the packer
// the same limit). Its buffer is allocated at its real size when it is first needed.
constexpr size_t kExtendedTextBufferBytes = size_t(1) << 20;

// Expands the extended block and adds its texts to every language's table, once: later calls return at once.
// GetText calls it for a number from kFirstExtendedText on; the template export and the import call it first so
// that they see every text. Returns 1 when the texts are there. Main thread only, like every lookup.
int LoadExtendedTexts();

// Adds the extended texts from an expanded text of `bytes` bytes in a buffer of at least bytes + 2 bytes: one
// "##" section per language in language order, each beginning with its marker line, then numbered lines; only
// slots from kFirstExtendedText on are taken. The tables point into the text, which must outlive them.
void MergeExtendedTexts(char16_t* text, size_t bytes);

// Language string N of CurrentLanguage with fallback to the reference language; null when there is none.
const char16_t* GetText(int index);
// Fixed string N, the same for every language; null when there is none.
const char16_t* GetFixedText(int index);

// The default language index for a Windows language identifier (primary language in the low 10 bits).
int DefaultLanguageFor(uint16_t languageId);
// Sets CurrentLanguage from the user's default language; a stored "lng" setting always wins. Windows only.
void ChooseDefaultLanguage();
