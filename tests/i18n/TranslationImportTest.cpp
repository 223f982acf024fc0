// Importing translations into the shipped language tables: the report, the lookups afterwards, junk input.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "i18n/LanguageTables.h"
#include "i18n/ShippedTables.h"
#include "i18n/TranslationText.h"

namespace {

std::u16string Latin1(const char* bytes, size_t count) {
    return std::u16string(reinterpret_cast<const unsigned char*>(bytes),
                          reinterpret_cast<const unsigned char*>(bytes) + count);
}

// The reference language's lines "index=text\r\n", leaving out the given indices.
std::u16string ReferenceLinesWithout(std::initializer_list<int> left) {
    std::u16string lines;
    for (int index = 0; index < kStringSlots; ++index) {
        const char16_t* text = Languages.languageStrings[kReferenceLanguage][index];
        if (!text || !*text || std::find(left.begin(), left.end(), index) != left.end())
            continue;
        AppendDecimal(lines, index);
        lines += u'=';
        lines += text;
        lines += u"\r\n";
    }
    return lines;
}

class TranslationImport : public ShippedTables {
protected:
    static std::u16string Import(const std::u16string& text) { return ImportTranslationText(Languages, text); }
};

}  // namespace

TEST_F(TranslationImport, TheTemplateNamesTheProductAndHoldsTheReferenceSection) {
    EXPECT_EQ(TranslationTemplateName(GetFixedText(19)), u"translate_Kestrovane_4.91.txt");
    const std::u16string text = ComposeTranslationTemplate(Languages);
    const size_t subject = text.find(u"Strings for: Kestrovane 4.91 and Language Name");
    const size_t request = text.find(u"Please send the string list back to me");
    const size_t header = text.find(u"\r\n\r\n##=English\tEnglisch\r\n\r\n\n");
    const size_t firstLine = text.find(u"\n30=Let's see!");
    const size_t lastLine = text.find(u"\n52=Exit\r\n");
    EXPECT_TRUE(subject < request && request < header && header < firstLine && firstLine < lastLine)
        << subject << " " << request << " " << header << " " << firstLine << " " << lastLine;
    EXPECT_EQ(text.find(u"Swedish"), std::u16string::npos) << "only the reference section";
    EXPECT_EQ(text.substr(text.size() - 4), u"\r\n\r\n");
}

TEST_F(TranslationImport, AfterAnImportMissingStringsArePlaceholdersInEveryLanguage) {
    EXPECT_EQ(Import(u"52=Quit\r\n42=Paint it\r\n").substr(0, 5), u"9 %\n\n");
    for (int language : {0, 1, 7, 40, 47, -1}) {
        CurrentLanguage = language;
        EXPECT_EQ(Text(GetText(52)), u"Quit") << language;
        EXPECT_EQ(Text(GetText(42)), u"Paint it") << language;
        EXPECT_EQ(Text(GetText(50)), u"str:50?") << language;
        EXPECT_EQ(Text(GetText(255)), u"str:255?") << language;
    }
    // A second import replaces the first one entirely. An empty text counts as missing, a string the reference
    // language lacks counts for nothing.
    EXPECT_EQ(Import(ReferenceLinesWithout({52}) + u"52=\r\n200=extra\r\n"), u"95 %\n\nmiss:\n52=Exit\n");
    EXPECT_EQ(Text(GetText(52)), u"") << "shown empty, yet missing from the report";
    EXPECT_EQ(Text(GetText(42)), u"Paint-Stress");
    EXPECT_EQ(Text(GetText(200)), u"extra");
}

TEST_F(TranslationImport, NineMissingAreListedInFullTenEndInTheShortList) {
    EXPECT_EQ(Import(ReferenceLinesWithout({30, 31, 32, 33, 34, 35, 36, 37, 38})),
              u"59 %\n\nmiss:\n30=Let's see! How long can your laptop battery hold a charge?\n"
              u"31=Or let your PC sweat like a pig. ;)\n32=!!! Warning !!!\n"
              u"33=Unstable and overclocked systems can be crashed.\n"
              u"34=# Kestrovane = Start / Stop the stress-test\n"
              u"35=# Paint-Stress = Simple stress for the graphics (GPU)\n"
              u"36=# Aggressiv CPU-Stress = Aggressiv stress for the CPU(s)\n"
              u"37=# HD-Stress = Stress for the hard drive\n38=[ESC] = Exit\n");
    EXPECT_EQ(Import(ReferenceLinesWithout({39, 40, 41, 42, 43, 44, 45, 46, 47, 52})),
              u"54 %\n\nmiss:\n39=ON\n40=OFF\n41=Stress\n42=Paint-Stress\n43=CPU-Stress\n44=HD-Stress\n45=CPU-s\n"
              u"46=Paint-Loops\n47=Aggressiv CPU-Stress\n...and...\n52,");
}

TEST_F(TranslationImport, TheLastLineWithoutLineEndIsLost) {
    EXPECT_EQ(Import(ReferenceLinesWithout({52}) + u"52=Exit"), u"95 %\n\nmiss:\n52=Exit\n");
    EXPECT_EQ(Text(GetText(52)), u"str:52?");
}

TEST_F(TranslationImport, Utf8TextKeepsItsAsciiLines) {
    // Read as ANSI, the mark makes the first line's key non-numeric, so its text lands in slot 0.
    EXPECT_EQ(Import(DecodeTranslationBytes("\xEF\xBB\xBF"
                                            "30=Hello\r\n52=Ende \xC3\xBC\r\n",
                                            Latin1))
                  .substr(0, 4),
              u"4 %\n");
    EXPECT_EQ(Text(GetText(0)), u"Hello");
    EXPECT_EQ(Text(GetText(30)), u"str:30?");
    EXPECT_EQ(Text(GetText(52)), u"Ende \u00c3\u00bc");
}

TEST_F(TranslationImport, JunkAndHugeLinesImportWithoutHarm) {
    std::string junk;
    for (int i = 0; i < 200000; ++i)
        junk += char((i * 7919) >> 3);
    for (const std::string& bytes : {junk, "\xFF\xFE" + junk, "\xFF\xFE" + junk.substr(1), std::string("\xFF\xFE\0", 3),
                                     std::string(3 << 20, '7')}) {
        const std::u16string report = Import(DecodeTranslationBytes(bytes, Latin1));
        EXPECT_NE(report.find(u" %"), std::u16string::npos);
        EXPECT_TRUE(Languages.importedActive);
        for (int index = 0; index < kStringSlots; ++index)
            EXPECT_NE(GetText(index), nullptr);
    }
    // Lines of a megabyte: a key too large for any slot is ignored, a long text is kept whole.
    const std::u16string longText(1 << 20, u'x');
    Import(std::u16string(1 << 20, u'1') + u"=key\n52=" + longText + u"\n");
    EXPECT_EQ(Text(GetText(52)), longText);
    EXPECT_EQ(Text(GetText(1)), u"str:1?");
}
