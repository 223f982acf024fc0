// The translation tools' texts: the template and its file, the decoding of a translation file, the import report.
#include "i18n/TranslationText.h"

#include <cstring>
#include <utility>

namespace {

constexpr int kShownMissingLines = 9;

void AppendText(std::u16string& text, const char16_t* piece) {
    if (piece)
        text += piece;
}

// The copy is a fixed array; a copy that filled it without a terminator must not be read past its end.
std::u16string_view ReferenceSection(const LanguageTables& tables) {
    const char16_t* copy = tables.referenceSectionCopy;
    size_t length = 0;
    while (length < size_t(kReferenceCopyUnits) && copy[length] != 0)
        ++length;
    return std::u16string_view(copy, length);
}

std::u16string DecodeUtf16Le(std::string_view bytes) {
    std::u16string text;
    text.reserve(bytes.size() / 2);
    for (size_t i = 0; i + 1 < bytes.size(); i += 2) {
        const char16_t unit =
            char16_t(static_cast<unsigned char>(bytes[i]) | (static_cast<unsigned char>(bytes[i + 1]) << 8));
        if (unit == 0)
            break;
        text += unit;
    }
    return text;
}

}  // namespace

void AppendDecimal(std::u16string& text, int value) {
    // Digits are taken from the unsigned magnitude so that the most negative int needs no special case.
    unsigned magnitude = value < 0 ? 0u - unsigned(value) : unsigned(value);
    char16_t digits[12];
    int count = 0;
    do {
        digits[count++] = char16_t(u'0' + magnitude % 10);
        magnitude /= 10;
    } while (magnitude != 0);
    if (value < 0)
        text += u'-';
    while (count > 0)
        text += digits[--count];
}

std::u16string ComposeTranslationTemplate(const LanguageTables& tables) {
    const char16_t* referenceName =
        tables.LanguageCount > kReferenceLanguage ? tables.languageName[kReferenceLanguage] : nullptr;
    std::u16string text = u"\r\nPlease don't forget! Write in e-mail subject: Strings for: ";
    AppendText(text, tables.fixedStrings[19]);
    text += u" and Language Name : German / Deutsch ";
    text += u"\r\n\r\n";
    AppendText(text, tables.fixedStrings[25]);
    text += u"\r\n\r\n";
    text += u"##=";
    AppendText(text, referenceName);
    text += u"\r\n\r\n";
    text += ReferenceSection(tables);
    text += tables.extendedReferenceCopy;
    text += u"\r\n\r\n";
    return text;
}

std::u16string TranslationTemplateName(const char16_t* productName) {
    std::u16string name = u"translate_";
    for (const char16_t* c = productName; c && *c; ++c)
        name += *c == u' ' ? u'_' : *c;
    name += u".txt";
    return name;
}

std::string EncodeUtf16LeWithBom(const std::u16string& text) {
    std::string bytes;
    bytes.reserve(2 + text.size() * 2);
    bytes += '\xFF';
    bytes += '\xFE';
    for (char16_t unit : text) {
        bytes += char(unit & 0xFF);
        bytes += char(unit >> 8);
    }
    return bytes;
}

std::u16string DecodeTranslationBytes(std::string_view bytes, AnsiToUtf16Function convertAnsi) {
    if (bytes.size() >= 2 && static_cast<unsigned char>(bytes[0]) == 0xFF &&
        static_cast<unsigned char>(bytes[1]) == 0xFE)
        return DecodeUtf16Le(bytes.substr(2));
    const void* zero = std::memchr(bytes.data(), 0, bytes.size());
    const size_t length = zero ? size_t(static_cast<const char*>(zero) - bytes.data()) : bytes.size();
    if (length == 0 || !convertAnsi)
        return std::u16string();
    std::u16string text = convertAnsi(bytes.data(), length);
    // A converter that produced a zero unit would hide the rest from the line parser anyway; cut it here so the
    // text and what the parser sees are the same.
    const size_t end = text.find(char16_t(0));
    if (end != std::u16string::npos)
        text.resize(end);
    return text;
}

int CompletenessPercent(int present, int total) {
    if (total <= 0)
        return 100;
    return CompletenessOf(present, total);
}

std::u16string ComposeImportReport(const char16_t* const imported[kStringSlots],
                                   const char16_t* const reference[kStringSlots]) {
    int total = 0;
    int present = 0;
    int missing = 0;
    std::u16string missingList;
    for (int index = 0; index < kStringSlots; ++index) {
        if (!HasText(reference[index]))
            continue;
        ++total;
        if (HasText(imported[index])) {
            ++present;
            continue;
        }
        ++missing;
        if (missing <= kShownMissingLines) {
            AppendDecimal(missingList, index);
            missingList += u'=';
            missingList += reference[index];
            missingList += u'\n';
            continue;
        }
        if (missing == kShownMissingLines + 1)
            missingList += u"...and...\n";
        AppendDecimal(missingList, index);
        missingList += u',';
    }
    std::u16string report;
    AppendDecimal(report, CompletenessPercent(present, total));
    report += u" %";
    if (missing > 0) {
        report += u"\n\nmiss:\n";
        report += missingList;
    }
    return report;
}

std::u16string ImportTranslationText(LanguageTables& tables, std::u16string text) {
    tables.importedText = std::move(text);
    ParseStringLines(tables.importedText.data(), tables.importedStrings);
    tables.importedActive = true;
    return ComposeImportReport(tables.importedStrings, tables.languageStrings[kReferenceLanguage]);
}

std::u16string ComposeUnreadableFileReport(std::u16string_view path) {
    std::u16string report = u"The file could not be read:\n";
    report += path;
    return report;
}

std::u16string ComposeTooLargeFileReport(std::u16string_view path) {
    std::u16string report = u"The file is too large to be a translation (more than ";
    AppendDecimal(report, int(kMaxTranslationFileBytes >> 20));
    report += u" MB):\n";
    report += path;
    return report;
}
