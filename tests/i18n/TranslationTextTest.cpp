// The translation tools' texts: template, template file bytes, decoding of translation files, the import report.
#include <gtest/gtest.h>

#include <climits>
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

// The reference language's 22 non-empty strings, in a table of 256 slots.
struct ReferenceTable {
    const char16_t* slots[kStringSlots] = {};
    ReferenceTable() {
        static const char16_t* const kTexts[] = {
            u"Let's see! How long can your laptop battery hold a charge?",
            u"Or let your PC sweat like a pig. ;)",
            u"!!! Warning !!!",
            u"Unstable and overclocked systems can be crashed.",
            u"# Kestrovane = Start / Stop the stress-test",
            u"# Paint-Stress = Simple stress for the graphics (GPU)",
            u"# Aggressiv CPU-Stress = Aggressiv stress for the CPU(s)",
            u"# HD-Stress = Stress for the hard drive",
            u"[ESC] = Exit",
            u"ON",
            u"OFF",
            u"Stress",
            u"Paint-Stress",
            u"CPU-Stress",
            u"HD-Stress",
            u"CPU-s",
            u"Paint-Loops",
            u"Aggressiv CPU-Stress",
            u"Processors",
        };
        for (int i = 0; i < 19; ++i)
            slots[30 + i] = kTexts[i];
        slots[50] = u"Donate";
        slots[51] = u"Task-Manager";
        slots[52] = u"Exit";
        slots[27] = u"";  // an empty reference text is not counted
    }
};

// An import that holds every reference string except the given indices.
struct ImportedTable {
    const char16_t* slots[kStringSlots] = {};
    ImportedTable(const ReferenceTable& reference, std::initializer_list<int> missing) {
        for (int i = 0; i < kStringSlots; ++i)
            slots[i] = reference.slots[i] ? u"translated" : nullptr;
        for (int i : missing)
            slots[i] = nullptr;
    }
};

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

TEST(ImportReport, CompleteImportReportsOnlyThePercentage) {
    ReferenceTable reference;
    ImportedTable imported(reference, {});
    imported.slots[200] = u"extra";  // strings the reference lacks change nothing
    EXPECT_EQ(ComposeImportReport(imported.slots, reference.slots), u"100 %");
}

TEST(ImportReport, OneMissingString) {
    ReferenceTable reference;
    ImportedTable imported(reference, {52});
    EXPECT_EQ(ComposeImportReport(imported.slots, reference.slots), u"95 %\n\nmiss:\n52=Exit\n");
    // An empty text counts as missing as much as an absent one.
    imported.slots[52] = u"";
    EXPECT_EQ(ComposeImportReport(imported.slots, reference.slots), u"95 %\n\nmiss:\n52=Exit\n");
}

TEST(ImportReport, NineMissingAreAllListedTheTenthStartsTheShortList) {
    ReferenceTable reference;
    ImportedTable nine(reference, {30, 31, 32, 33, 34, 35, 36, 37, 38});
    EXPECT_EQ(ComposeImportReport(nine.slots, reference.slots),
              u"59 %\n\nmiss:\n30=Let's see! How long can your laptop battery hold a charge?\n"
              u"31=Or let your PC sweat like a pig. ;)\n32=!!! Warning !!!\n"
              u"33=Unstable and overclocked systems can be crashed.\n"
              u"34=# Kestrovane = Start / Stop the stress-test\n"
              u"35=# Paint-Stress = Simple stress for the graphics (GPU)\n"
              u"36=# Aggressiv CPU-Stress = Aggressiv stress for the CPU(s)\n"
              u"37=# HD-Stress = Stress for the hard drive\n38=[ESC] = Exit\n");

    ImportedTable ten(reference, {39, 40, 41, 42, 43, 44, 45, 46, 47, 52});
    EXPECT_EQ(ComposeImportReport(ten.slots, reference.slots),
              u"54 %\n\nmiss:\n39=ON\n40=OFF\n41=Stress\n42=Paint-Stress\n43=CPU-Stress\n44=HD-Stress\n45=CPU-s\n"
              u"46=Paint-Loops\n47=Aggressiv CPU-Stress\n...and...\n52,");
}

TEST(ImportReport, NothingImportedListsEveryReferenceString) {
    ReferenceTable reference;
    const char16_t* nothing[kStringSlots] = {};
    const std::u16string report = ComposeImportReport(nothing, reference.slots);
    EXPECT_EQ(report.substr(0, 14), u"0 %\n\nmiss:\n30=");
    EXPECT_EQ(report.substr(report.find(u"...and...\n")), u"...and...\n39,40,41,42,43,44,45,46,47,48,50,51,52,");
}

TEST(ImportReport, FilesThatWereNotImportedNameTheirPath) {
    EXPECT_EQ(ComposeUnreadableFileReport(u"C:\\x\\missing.txt"), u"The file could not be read:\nC:\\x\\missing.txt");
    EXPECT_EQ(ComposeTooLargeFileReport(u"D:\\big.txt"),
              u"The file is too large to be a translation (more than 16 MB):\nD:\\big.txt");
}

TEST(ImportReport, DecimalsCoverTheWholeIntRange) {
    std::u16string text;
    AppendDecimal(text, 0);
    text += u' ';
    AppendDecimal(text, 255);
    text += u' ';
    AppendDecimal(text, INT_MIN);
    text += u' ';
    AppendDecimal(text, INT_MAX);
    EXPECT_EQ(text, u"0 255 -2147483648 2147483647");
}
