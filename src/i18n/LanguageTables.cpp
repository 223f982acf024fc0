// The language tables: expands the embedded text, splits it into sections and numbered lines, and looks texts up.
#include "i18n/LanguageTables.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <memory>
#include <new>

#include "i18n/LanguageResource.h"
#include "i18n/Lzari.h"
#include "settings/IniValue.h"

LanguageTables Languages;
int CurrentLanguage = kReferenceLanguage;

namespace {

// Sections before the first language: the fixed strings, then two free texts nobody reads.
constexpr int kFixedSection = 0;
constexpr int kFirstLanguageSection = 3;

// The expanded text lives here until the process ends; a second load reuses it.
std::unique_ptr<char16_t[]> textStorage;
// The expanded extended text, and whether its texts are in the tables now (a new build of the tables drops them).
std::unique_ptr<char16_t[]> extendedStorage;
bool extendedMerged = false;

size_t TextLength(const char16_t* text) {
    size_t length = 0;
    while (text[length])
        ++length;
    return length;
}

void ClearTables() {
    LanguageTables& tables = Languages;
    tables.LanguageCount = 0;
    std::memset(tables.sectionStart, 0, sizeof(tables.sectionStart));
    std::memset(tables.languageName, 0, sizeof(tables.languageName));
    std::memset(tables.languagePercent, 0, sizeof(tables.languagePercent));
    std::memset(tables.languageStrings, 0, sizeof(tables.languageStrings));
    std::memset(tables.fixedStrings, 0, sizeof(tables.fixedStrings));
    tables.referenceSectionCopy[0] = 0;
    tables.extendedReferenceCopy.clear();
    extendedMerged = false;
}

// Takes the language section whose marker stands at text[marker]; returns where the scan goes on. The name
// runs to the first CR, over any LF or marker on the way; without a CR it runs to the end of the text and
// the language gets an empty text.
size_t TakeLanguageSection(char16_t* text, size_t marker) {
    LanguageTables& tables = Languages;
    const int language = tables.LanguageCount++;
    if (text[marker + 2] != u'=') {
        tables.sectionStart[language] = text + marker + 2;
        return marker + 2;
    }
    const size_t nameStart = marker + 3;
    size_t nameEnd = nameStart;
    while (text[nameEnd] && text[nameEnd] != u'\r')
        ++nameEnd;
    tables.languageName[language] = text + nameStart;
    if (!text[nameEnd]) {
        tables.sectionStart[language] = text + nameEnd;
        return nameEnd;
    }
    text[nameEnd] = 0;
    tables.sectionStart[language] = text + nameEnd + 1;
    return nameEnd + 1;
}

// Finds every "##" marker up to the text's terminator, ends the section before it and records where each
// section's text begins. Every zero the scan writes lies behind the point where it goes on, so the terminator
// still ends the scan where the text ended before it.
char16_t* ScanSections(char16_t* text) {
    char16_t* fixedSection = nullptr;
    int marker = 0;
    for (size_t i = 0; text[i];) {
        if (text[i] != u'#' || text[i + 1] != u'#') {
            ++i;
            continue;
        }
        text[i] = 0;
        size_t next = i + 2;
        if (marker == kFixedSection)
            fixedSection = text + i + 2;
        else if (marker >= kFirstLanguageSection && Languages.LanguageCount < kMaxLanguages)
            next = TakeLanguageSection(text, i);
        if (marker < kFirstLanguageSection)
            ++marker;
        i = next;
    }
    return fixedSection;
}

// The template export shows this copy to translators: one that does not fit is cut after its last whole
// line, so it never ends in half a line.
void CopyReferenceSection() {
    LanguageTables& tables = Languages;
    if (tables.LanguageCount <= kReferenceLanguage)
        return;
    const char16_t* section = tables.sectionStart[kReferenceLanguage];
    size_t length = TextLength(section);
    if (length >= kReferenceCopyUnits) {
        length = kReferenceCopyUnits - 1;
        while (length > 0 && section[length - 1] != u'\n')
            --length;
    }
    std::memcpy(tables.referenceSectionCopy, section, length * sizeof(char16_t));
    tables.referenceSectionCopy[length] = 0;
}

// Without a single reference text there is nothing to measure against: every language counts as 0 %.
void ComputePercentages() {
    LanguageTables& tables = Languages;
    int total = 0;
    for (int k = 0; k < kStringSlots; ++k)
        total += HasText(tables.languageStrings[kReferenceLanguage][k]);
    for (int language = 0; language < tables.LanguageCount; ++language) {
        int present = 0;
        for (int k = 0; k < kStringSlots; ++k)
            present +=
                HasText(tables.languageStrings[kReferenceLanguage][k]) && HasText(tables.languageStrings[language][k]);
        tables.languagePercent[language] = total == 0 ? 0 : CompletenessOf(present, total);
    }
}

// "\r" and "\n" become CR and LF; every other unit, a lone backslash included, stays as it is.
void ResolveEscapes(char16_t* text) {
    char16_t* out = text;
    for (const char16_t* in = text; *in; ++in) {
        if (in[0] == u'\\' && (in[1] == u'r' || in[1] == u'n')) {
            *out++ = in[1] == u'r' ? u'\r' : u'\n';
            ++in;
        } else {
            *out++ = *in;
        }
    }
    *out = 0;
}

void ReadFixedStrings(char16_t* section) {
    if (!section)
        return;
    ParseStringLines(section, Languages.fixedStrings);
    for (char16_t* text : Languages.fixedStrings) {
        if (text)
            ResolveEscapes(text);
    }
}

// The length a block states in its first four bytes, little-endian; 0 for a block too short to state one.
uint32_t StatedLength(const unsigned char* block, size_t size) {
    if (size < 4)
        return 0;
    return uint32_t(block[0]) | uint32_t(block[1]) << 8 | uint32_t(block[2]) << 16 | uint32_t(block[3]) << 24;
}

// Takes one language's section of the extended text: its marker line is skipped, its numbered lines fill the
// slots from kFirstExtendedText on and leave the first block's slots alone.
void MergeExtendedSection(char16_t* section, int language) {
    while (*section && *section != u'\n')
        ++section;
    if (*section)
        ++section;
    if (language == kReferenceLanguage)
        Languages.extendedReferenceCopy = section;
    char16_t* parsed[kStringSlots];
    ParseStringLines(section, parsed);
    for (int k = kFirstExtendedText; k < kStringSlots; ++k) {
        if (parsed[k])
            Languages.languageStrings[language][k] = parsed[k];
    }
}

}  // namespace

int LoadExtendedTexts() {
    if (extendedMerged)
        return 1;
    // Bounded like the first block, so a damaged length can never ask for more.
    const size_t bytes = std::min<size_t>(StatedLength(kExtendedLanguageResource, kExtendedLanguageResourceSize),
                                          kExtendedTextBufferBytes - 2);
    auto decoder = std::unique_ptr<LzariDecoder>(new (std::nothrow) LzariDecoder);
    extendedStorage.reset(new (std::nothrow) char16_t[bytes / sizeof(char16_t) + 2]);
    if (!decoder || !extendedStorage)
        return 0;
    DecoderMemory.sourceSize = uint32_t(kExtendedLanguageResourceSize);
    DecoderMemory.destinationCapacity = uint32_t(bytes + 2);
    DecodeMemory(*decoder, kExtendedLanguageResource, reinterpret_cast<uint8_t*>(extendedStorage.get()));
    MergeExtendedTexts(extendedStorage.get(), std::min<size_t>(decoder->textSize, bytes));
    return 1;
}

void MergeExtendedTexts(char16_t* text, size_t bytes) {
    const size_t units = bytes / sizeof(char16_t);
    text[units] = 0;
    // Every "##" ends the section before it; the sections are the languages in order.
    char16_t* section = nullptr;
    int language = 0;
    for (size_t i = 0; i + 1 < units; ++i) {
        if (text[i] != u'#' || text[i + 1] != u'#')
            continue;
        text[i] = 0;
        if (section && language < Languages.LanguageCount)
            MergeExtendedSection(section, language++);
        section = text + i + 2;
        ++i;
    }
    if (section && language < Languages.LanguageCount)
        MergeExtendedSection(section, language);
    extendedMerged = true;
}

int LoadLanguageResource() {
    if (!textStorage) {
        textStorage.reset(new (std::nothrow) char16_t[kTextBufferBytes / sizeof(char16_t)]);
        // Without its buffer the program has no texts at all; the tables stay empty and start-up is told.
        if (!textStorage) {
            ClearTables();
            return 0;
        }
    }
    LzariDecoder decoder;
    DecoderMemory.sourceSize = uint32_t(kLanguageResourceSize);
    DecoderMemory.destinationCapacity = uint32_t(kTextBufferBytes);
    DecodeMemory(decoder, kLanguageResource, reinterpret_cast<uint8_t*>(textStorage.get()));
    // A stated length beyond the buffer keeps what was stored, less room for the terminator's two bytes.
    size_t bytes = decoder.textSize;
    if (bytes > kTextBufferBytes - sizeof(char16_t))
        bytes = kTextBufferBytes - sizeof(char16_t);
    BuildLanguageTables(textStorage.get(), bytes);
    return 1;
}

void BuildLanguageTables(char16_t* text, size_t bytes) {
    ClearTables();
    LanguageTables& tables = Languages;
    tables.textBuffer = text;
    if (!text)
        return;
    // An odd last byte is half a unit: it is dropped with the unit the terminator takes.
    const size_t units = bytes / sizeof(char16_t);
    text[units] = 0;
    char16_t* fixedSection = ScanSections(text);
    CopyReferenceSection();
    for (int language = 0; language < tables.LanguageCount; ++language)
        ParseStringLines(tables.sectionStart[language], tables.languageStrings[language]);
    ComputePercentages();
    ReadFixedStrings(fixedSection);
}

// One pass over the text: the first "=" of each line is noted on the way to its LF.
void ParseStringLines(char16_t* text, char16_t* table[kStringSlots]) {
    for (int k = 0; k < kStringSlots; ++k)
        table[k] = nullptr;
    if (!text)
        return;
    char16_t* line = text;
    char16_t* equals = nullptr;
    for (char16_t* unit = text; *unit; ++unit) {
        if (*unit == u'=') {
            if (!equals)
                equals = unit;
            continue;
        }
        if (*unit != u'\n')
            continue;
        *unit = 0;
        if (unit > line && unit[-1] == u'\r')
            unit[-1] = 0;
        // The key reads like a text-to-integer conversion: a key without leading digits is slot 0, and a
        // huge number saturates instead of wrapping into the slot range.
        if (equals) {
            const int32_t slot = ParseIniInteger(line);
            if (slot >= 0 && slot < kStringSlots)
                table[slot] = equals + 1;
        }
        line = unit + 1;
        equals = nullptr;
    }
}

const char16_t* GetText(int index) {
    const LanguageTables& tables = Languages;
    const bool validIndex = index >= 0 && index < kStringSlots;
    if (tables.importedActive) {
        if (validIndex && tables.importedStrings[index])
            return tables.importedStrings[index];
        char narrow[32];
        const int length = std::snprintf(narrow, sizeof(narrow), "str:%d?", index);
        Languages.missingTextBuffer.assign(narrow, narrow + (length > 0 ? length : 0));
        return Languages.missingTextBuffer.c_str();
    }
    if (!validIndex)
        return nullptr;
    if (index >= kFirstExtendedText)
        LoadExtendedTexts();
    const int language = CurrentLanguage;
    if (language >= 0 && language < kMaxLanguages && language < tables.LanguageCount &&
        tables.languageStrings[language][index])
        return tables.languageStrings[language][index];
    return tables.languageStrings[kReferenceLanguage][index];
}

const char16_t* GetFixedText(int index) {
    if (index < 0 || index >= kStringSlots)
        return nullptr;
    return Languages.fixedStrings[index];
}

int DefaultLanguageFor(uint16_t languageId) {
    const int primary = languageId & 0x3FF;
    const int sublanguage = languageId >> 10;
    // Primary language, the sublanguage it needs (-1: any) and the language index; the first match wins.
    static constexpr struct {
        int primary;
        int sublanguage;
        int language;
    } kRows[] = {
        {0x07, -1, 0},  {0x1D, -1, 2},  {0x06, -1, 3},  {0x16, 1, 4},   {0x16, -1, 1},  {0x1B, -1, 5},
        {0x0A, -1, 6},  {0x04, 1, 15},  {0x04, -1, 7},  {0x0C, -1, 8},  {0x10, -1, 9},  {0x1F, -1, 10},
        {0x05, -1, 11}, {0x19, -1, 12}, {0x22, -1, 13}, {0x08, -1, 14}, {0x18, -1, 16}, {0x1A, -1, 39},
    };
    for (const auto& row : kRows) {
        if (row.primary == primary && (row.sublanguage < 0 || row.sublanguage == sublanguage))
            return row.language;
    }
    return kReferenceLanguage;
}
