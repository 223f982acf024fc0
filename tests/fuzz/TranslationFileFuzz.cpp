// Fuzz target: any bytes as a translation file must decode, import into the shipped tables and give a report of
// the documented shape, and every lookup afterwards must answer with a terminated text.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "i18n/LanguageTables.h"
#include "i18n/TranslationText.h"

namespace {

// Stands in for the ANSI code page: one unit per byte, like code page 1252 for most bytes.
std::u16string Latin1(const char* bytes, size_t count) {
    return std::u16string(reinterpret_cast<const unsigned char*>(bytes),
                          reinterpret_cast<const unsigned char*>(bytes) + count);
}

void Check(bool condition) {
    if (!condition)
        std::abort();
}

// "<0..100> %", then, only with something missing, "\n\nmiss:\n" and at most nine "=" lines before "...and...".
void CheckReport(const std::u16string& report) {
    size_t digits = 0;
    int percent = 0;
    while (digits < report.size() && report[digits] >= u'0' && report[digits] <= u'9' && digits < 4)
        percent = percent * 10 + (report[digits++] - u'0');
    Check(digits > 0 && percent <= 100);
    Check(report.compare(digits, 2, u" %") == 0);
    const std::u16string rest = report.substr(digits + 2);
    if (rest.empty())
        return;
    Check(rest.compare(0, 8, u"\n\nmiss:\n") == 0);
    Check(percent < 100);
    const size_t shortList = rest.find(u"...and...\n");
    const std::u16string fullLines =
        rest.substr(8, shortList == std::u16string::npos ? std::u16string::npos : shortList - 8);
    size_t lines = 0;
    for (char16_t unit : fullLines)
        lines += unit == u'\n';
    Check(lines >= 1 && lines <= 9);
    Check(shortList == std::u16string::npos || lines == 9);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const bool loaded = LoadLanguageResource() == 1;
    Check(loaded);
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    CheckReport(ImportTranslationText(Languages, DecodeTranslationBytes(bytes, Latin1)));
    Check(Languages.importedActive);
    for (int index = 0; index < kStringSlots; ++index) {
        const char16_t* text = GetText(index);
        Check(text != nullptr);
        Check(std::char_traits<char16_t>::length(text) <= Languages.importedText.size() + 16);
    }
    return 0;
}
