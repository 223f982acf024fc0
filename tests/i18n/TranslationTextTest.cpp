// The translation tools' texts: template, template file bytes, decoding of translation files, the import report.
#include <gtest/gtest.h>

#include <memory>

#include "i18n/TranslationText.h"

namespace {

// Stands in for the ANSI code page: each byte becomes the unit of the same value (Latin-1).
std::u16string Latin1(const char* bytes, size_t count) {
    std::u16string text;
    for (size_t i = 0; i < count; ++i)
        text += char16_t(static_cast<unsigned char>(bytes[i]));
    return text;
}

std::u16string Decode(const std::string& bytes) {
    return DecodeTranslationBytes(bytes, Latin1);
}

}  // namespace

TEST(TranslationTemplate, ElevenPiecesInOrder) {
    auto tables = std::make_unique<LanguageTables>();
    char16_t product[] = u"Kestrovane 4.91";
    char16_t request[] = u"Please send it back\r\nto us\r\n";
    char16_t name[] = u"English\tEnglisch";
    tables->fixedStrings[19] = product;
    tables->fixedStrings[25] = request;
    tables->LanguageCount = 3;
    tables->languageName[1] = name;
    const std::u16string section = u"\n30=Let's see!\r\n52=Exit\r\n";
    section.copy(tables->referenceSectionCopy, section.size());

    EXPECT_EQ(ComposeTranslationTemplate(*tables),
              u"\r\nPlease don't forget! Write in e-mail subject: Strings for: Kestrovane 4.91"
              u" and Language Name : German / Deutsch \r\n\r\n"
              u"Please send it back\r\nto us\r\n\r\n\r\n"
              u"##=English\tEnglisch\r\n\r\n"
              u"\n30=Let's see!\r\n52=Exit\r\n\r\n\r\n");
}

TEST(TranslationTemplate, MissingPiecesContributeNothingAndAFullCopyIsNotOverrun) {
    auto tables = std::make_unique<LanguageTables>();
    // Only language 0 exists, so the reference language has no name even if a stale pointer were there.
    char16_t stale[] = u"Stale";
    tables->LanguageCount = 1;
    tables->languageName[1] = stale;
    for (char16_t& unit : tables->referenceSectionCopy)
        unit = u'x';
    char16_t beyond[] = u"beyond";
    tables->importedStrings[0] = beyond;  // the field after the copy: its bytes must not be read as text

    const std::u16string text = ComposeTranslationTemplate(*tables);
    const std::u16string expected =
        u"\r\nPlease don't forget! Write in e-mail subject: Strings for: "
        u" and Language Name : German / Deutsch \r\n\r\n\r\n\r\n##=\r\n\r\n" +
        std::u16string(kReferenceCopyUnits, u'x') + u"\r\n\r\n";
    EXPECT_EQ(text, expected);
}

TEST(TranslationTemplate, FileNameReplacesEveryBlank) {
    EXPECT_EQ(TranslationTemplateName(u"Kestrovane 4.91"), u"translate_Kestrovane_4.91.txt");
    EXPECT_EQ(TranslationTemplateName(u" a  b "), u"translate__a__b_.txt");
    EXPECT_EQ(TranslationTemplateName(nullptr), u"translate_.txt");
}

TEST(TranslationTemplate, FileBytesStartWithTheByteOrderMarkAndEndWithoutAZero) {
    const std::u16string text = u"A\u00e9\u20ac\r\n";
    const std::string bytes = EncodeUtf16LeWithBom(text);
    EXPECT_EQ(bytes, std::string("\xFF\xFE"
                                 "A\0\xE9\0\xAC\x20\r\0\n\0",
                                 12));
    EXPECT_EQ(EncodeUtf16LeWithBom(u""), "\xFF\xFE");
    // What the export writes, the import reads back unchanged.
    EXPECT_EQ(Decode(bytes), text);
}

TEST(TranslationFileDecoding, Utf16WithByteOrderMark) {
    EXPECT_EQ(Decode(std::string("\xFF\xFE"
                                 "5\0=\0\x16\x04\n\0",
                                 10)),
              u"5=\u0416\n");
    // An odd byte count drops the last byte; nothing after the mark, or the mark's first byte alone, is empty.
    EXPECT_EQ(Decode(std::string("\xFF\xFE"
                                 "1\0=\0x",
                                 7)),
              u"1=");
    EXPECT_EQ(Decode("\xFF\xFE"), u"");
    EXPECT_EQ(Decode("\xFF"), u"\u00ff");
    EXPECT_EQ(Decode(""), u"");
    // A zero unit ends the text, as it ends the string the line parser walks.
    EXPECT_EQ(Decode(std::string("\xFF\xFE"
                                 "1\0\0\0"
                                 "2\0",
                                 8)),
              u"1");
}

TEST(TranslationFileDecoding, AnythingElseIsAnsiUpToTheFirstZeroByte) {
    EXPECT_EQ(Decode("52=Beenden\r\n"), u"52=Beenden\r\n");
    // UTF-16LE without the mark: every second byte is zero, so only the first character survives.
    EXPECT_EQ(Decode(std::string("5\0"
                                 "2\0=\0",
                                 6)),
              u"5");
    // UTF-8 is taken byte by byte: the mark becomes part of the first line, non-ASCII turns into two characters.
    EXPECT_EQ(Decode("\xEF\xBB\xBF"
                     "52=\xC3\xBC\n"),
              u"\u00ef\u00bb\u00bf52=\u00c3\u00bc\n");
    // The mark in the wrong order is no mark.
    EXPECT_EQ(Decode(std::string("\xFE\xFF\0"
                                 "5",
                                 4)),
              u"\u00fe\u00ff");
}

TEST(TranslationFileDecoding, TheConverterSeesOnlyTheBytesBeforeTheZeroAndItsZerosAreCut) {
    static std::string seen;
    auto recording = [](const char* bytes, size_t count) {
        seen.assign(bytes, count);
        return std::u16string(u"ab\0cd", 5);
    };
    seen = "untouched";
    EXPECT_EQ(DecodeTranslationBytes(std::string("\0xyz", 4), recording), u"");
    EXPECT_EQ(seen, "untouched") << "an empty ANSI text is not converted";
    EXPECT_EQ(DecodeTranslationBytes(std::string("xy\0z", 4), recording), u"ab");
    EXPECT_EQ(seen, "xy");
    EXPECT_EQ(DecodeTranslationBytes("xyz", nullptr), u"");
}

TEST(ImportReport, PercentageIsTruncatedInDoublePrecision) {
    EXPECT_EQ(CompletenessPercent(21, 22), 95);
    EXPECT_EQ(CompletenessPercent(29, 100), 28);
    EXPECT_EQ(CompletenessPercent(20, 22), 90);
    EXPECT_EQ(CompletenessPercent(22, 22), 100);
    EXPECT_EQ(CompletenessPercent(0, 22), 0);
    EXPECT_EQ(CompletenessPercent(0, 0), 100);
}

TEST(ImportReport, FilesThatWereNotImportedNameTheirPath) {
    EXPECT_EQ(ComposeUnreadableFileReport(u"C:\\x\\missing.txt"), u"The file could not be read:\nC:\\x\\missing.txt");
    EXPECT_EQ(ComposeTooLargeFileReport(u"D:\\big.txt"),
              u"The file is too large to be a translation (more than 16 MB):\nD:\\big.txt");
}
