// The translation tools' texts: the template and its file, the decoding of a translation file, the import report.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "i18n/LanguageTables.h"

// A translation file larger than this is refused before it is read. A complete translation is a few kilobytes
// (the template is about 4 KB); 16 MiB still holds all 256 strings at 32,000 characters each, far more than any
// caption can show, while a wrong file of hundreds of megabytes chosen by mistake never reaches memory.
constexpr size_t kMaxTranslationFileBytes = size_t(16) << 20;

// Converts bytes of the system's ANSI code page to UTF-16. The Windows half passes MultiByteToWideChar's;
// the portable code never calls the system itself.
using AnsiToUtf16Function = std::u16string (*)(const char* bytes, size_t count);

// The text of the translation template: remarks, the reference language's "##=" line and its section, followed by
// its extended texts when they are loaded.
std::u16string ComposeTranslationTemplate(const LanguageTables& tables);

// "translate_" + the product name with every blank as "_" + ".txt"; a missing product name gives "translate_.txt".
std::u16string TranslationTemplateName(const char16_t* productName);

// The template file's bytes: FF FE, then each unit little-endian, no terminating zero.
std::string EncodeUtf16LeWithBom(const std::u16string& text);

// A translation file's bytes as UTF-16: FF FE starts UTF-16LE (a trailing odd byte is dropped); anything else is
// ANSI text through the given converter. A zero unit (or, in ANSI, a zero byte) ends the text, as it would end the
// string that the line parser walks.
std::u16string DecodeTranslationBytes(std::string_view bytes, AnsiToUtf16Function convertAnsi);

// present / total × 100 in double precision, truncated toward zero (29 of 100 gives 28). With nothing to
// compare against nothing is missing, so a total of 0 gives 100 rather than a division by zero.
int CompletenessPercent(int present, int total);

// The report of an import: "%d %%", and when strings are missing "\n\nmiss:\n" and the list of them, compared
// with the reference language's table.
std::u16string ComposeImportReport(const char16_t* const imported[kStringSlots],
                                   const char16_t* const reference[kStringSlots]);

// Makes the text the imported translation: it replaces any earlier one, its numbered lines fill importedStrings
// and importedActive is set. Returns the import report.
std::u16string ImportTranslationText(LanguageTables& tables, std::u16string text);

// The reports of a file that was not imported, shown in the same box as the import report.
std::u16string ComposeUnreadableFileReport(std::u16string_view path);
std::u16string ComposeTooLargeFileReport(std::u16string_view path);

// Appends the decimal digits of a value (with a minus sign when negative).
void AppendDecimal(std::u16string& text, int value);
