// The language resource built into the program: it expands to exactly its source text, and the tables built from
// it hold the 41 entries, their names, completeness, reference texts and fixed strings.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include "Utf8Text.h"
#include "i18n/LanguageMenuItems.h"
#include "i18n/LanguageResource.h"
#include "i18n/LanguageTables.h"
#include "i18n/Lzari.h"
#include "i18n/TranslationText.h"

namespace {

std::u16string Text(const char16_t* text) {
    return text ? std::u16string(text) : u"(absent)";
}

std::u16string DecodeEmbeddedBlock(const unsigned char* block = kLanguageResource,
                                   size_t blockSize = kLanguageResourceSize,
                                   size_t capacity = kTextBufferBytes) {
    auto decoder = std::make_unique<LzariDecoder>();
    std::vector<uint8_t> buffer(capacity);
    DecoderMemory.sourceSize = uint32_t(blockSize);
    DecoderMemory.destinationCapacity = uint32_t(buffer.size());
    DecodeMemory(*decoder, block, buffer.data());
    EXPECT_EQ(decoder->textSize % 2, 0u);
    EXPECT_LT(decoder->textSize, capacity - 1);
    std::u16string text;
    for (size_t i = 0; i + 1 < decoder->textSize; i += 2)
        text += char16_t(buffer[i] | buffer[i + 1] << 8);
    return text;
}

std::string ReadSource(const char* path = KV_LANGUAGE_SOURCE) {
    std::ifstream file(path, std::ios::binary);
    EXPECT_TRUE(file) << "cannot read " << path;
    return std::string((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
}

class ShippedLanguageTest : public testing::Test {
protected:
    static void SetUpTestSuite() { ASSERT_EQ(LoadLanguageResource(), 1); }
    void SetUp() override {
        Languages.importedActive = false;
        CurrentLanguage = kReferenceLanguage;
    }
};

}  // namespace

TEST_F(ShippedLanguageTest, TheEmbeddedBlockExpandsToExactlyTheSourceText) {
    const std::u16string text = DecodeEmbeddedBlock();
    ASSERT_FALSE(text.empty());
    EXPECT_EQ(text[0], 0xFEFF);
    EXPECT_EQ(text.substr(text.size() - 8), u"##\r\n\r\n\r\n");
    std::vector<uint8_t> source;
    size_t badOffset = 0;
    ASSERT_TRUE(Utf8ToUtf16Le(ReadSource(), source, badOffset)) << "bad byte at " << badOffset;
    EXPECT_EQ(text.size() * 2, source.size());
    EXPECT_TRUE(text.size() * 2 == source.size() && std::memcmp(text.data(), source.data(), source.size()) == 0)
        << "the expanded text differs from resources/language.txt";
    EXPECT_EQ(text.find(char16_t(0)), std::u16string::npos) << "no zero unit inside the text";
}

TEST_F(ShippedLanguageTest, FortyOneEntriesWithTheirNames) {
    const struct {
        int language;
        const char16_t* name;
    } names[] = {
        {0, u"Deutsch\tGerman"},
        {1, u"English\tEnglisch"},
        {7, u"Simplified Chinese\t\u7B80\u4F53\u4E2D\u6587"},
        {11, u"Czech\n\t\u010Ce\u0161tina"},
        {12, u"Russian\tP\u0443\u0441\u0441\u043A\u0438\u0439"},
        {23, u"Arabic\t\u0627\u0644\u0639\u0631\u0628\u064A\u0629"},
        {30, u"Vietnamese\tTi\u1EBFng Vi\u1EC7t (Vi\u1EC7t Nam)"},
        {38, u"Hungarian\tMagyar"},
        {39, u"Bosnian\tBosanski/Hrvatski/Srpski"},
    };
    ASSERT_EQ(Languages.LanguageCount, 41);
    for (const auto& entry : names)
        EXPECT_EQ(Text(Languages.languageName[entry.language]), entry.name) << "language " << entry.language;
    for (int language = 0; language < 40; ++language)
        EXPECT_NE(Languages.languageName[language], nullptr) << "language " << language;
    EXPECT_EQ(Languages.languageName[40], nullptr);
    EXPECT_EQ(Languages.languagePercent[40], 0);
    for (int k = 0; k < kStringSlots; ++k)
        EXPECT_EQ(Languages.languageStrings[40][k], nullptr) << "slot " << k << " of the final entry";
}

TEST_F(ShippedLanguageTest, EveryLanguageRowOfTheMenuShowsItsTwoNamesInTwoColumns) {
    // A menu item shows the text after a TAB right-aligned; without one the two names run together.
    const std::vector<LanguageMenuItem> items = LanguageMenuItems(Languages, kReferenceLanguage);
    int languageRows = 0;
    for (const LanguageMenuItem& item : items) {
        if (item.id < kLanguageItemBase || item.id > kLanguageItemLast)
            continue;
        ++languageRows;
        EXPECT_NE(item.text.find(u'\t'), std::u16string::npos) << "language " << item.id - kLanguageItemBase;
    }
    EXPECT_EQ(languageRows, 40);
    ASSERT_GT(items.size(), 11u);
    EXPECT_EQ(items[11].text, u"11) Czech\n\t\u010Ce\u0161tina / 100 %");
}

TEST_F(ShippedLanguageTest, CompletenessAgainstTheReferenceLanguage) {
    for (int language = 0; language < 40; ++language) {
        int expected = 100;
        if (language == 25 || language == 37)
            expected = 95;  // 21 of 22
        if (language == 38)
            expected = 90;  // 20 of 22
        EXPECT_EQ(Languages.languagePercent[language], expected) << "language " << language;
    }
}

TEST_F(ShippedLanguageTest, TheReferenceLanguageHoldsTheReferenceTexts) {
    const struct {
        int index;
        const char16_t* text;
    } reference[] = {
        {30, u"Let's see! How long can your laptop battery hold a charge?"},
        {31, u"Or let your PC sweat like a pig. ;)"},
        {32, u"!!! Warning !!!"},
        {33, u"Unstable and overclocked systems can be crashed."},
        {34, u"# Kestrovane = Start / Stop the stress-test"},
        {35, u"# Paint-Stress = Simple stress for the graphics (GPU)"},
        {36, u"# Aggressiv CPU-Stress = Aggressiv stress for the CPU(s)"},
        {37, u"# HD-Stress = Stress for the hard drive"},
        {38, u"[ESC] = Exit"},
        {39, u"ON"},
        {40, u"OFF"},
        {41, u"Stress"},
        {42, u"Paint-Stress"},
        {43, u"CPU-Stress"},
        {44, u"HD-Stress"},
        {45, u"CPU-s"},
        {46, u"Paint-Loops"},
        {47, u"Aggressiv CPU-Stress"},
        {48, u"Processors"},
        {50, u"Donate"},
        {51, u"Task-Manager"},
        {52, u"Exit"},
    };
    int nonEmpty = 0;
    for (int k = 0; k < kStringSlots; ++k)
        nonEmpty += Languages.languageStrings[kReferenceLanguage][k] && *Languages.languageStrings[1][k];
    EXPECT_EQ(nonEmpty, 22);
    for (const auto& entry : reference)
        EXPECT_EQ(Text(GetText(entry.index)), entry.text) << "string " << entry.index;
    // Every named language answers every reference string, in its own words or from language 1.
    for (int language = 0; language < 40; ++language) {
        CurrentLanguage = language;
        for (const auto& entry : reference)
            EXPECT_NE(Text(GetText(entry.index)), u"") << "language " << language << ", string " << entry.index;
        EXPECT_NE(Text(GetText(30)), language == 1 ? u"" : reference[0].text) << "language " << language;
    }
}

TEST_F(ShippedLanguageTest, OutOfRangeLanguagesAnswerFromTheReferenceLanguage) {
    for (int language : {47, -1, 41, 40}) {
        CurrentLanguage = language;
        EXPECT_EQ(Text(GetText(42)), u"Paint-Stress") << "CurrentLanguage " << language;
    }
    CurrentLanguage = 0;
    EXPECT_EQ(Text(GetText(42)), u"Paint-Stress");
    EXPECT_EQ(Text(GetText(38)), u"[ESC] = Beenden");
}

TEST_F(ShippedLanguageTest, LaterNonNumericKeysReplaceSlotZero) {
    EXPECT_EQ(Text(Languages.languageStrings[7][0]), u"languages@kestrovane.com");
    EXPECT_EQ(Text(Languages.languageStrings[1][0]), u"") << "\"0=\" comes after the credit lines";
}

TEST_F(ShippedLanguageTest, FixedStrings) {
    EXPECT_EQ(Text(GetFixedText(19)), u"Kestrovane 4.91");
    const std::u16string thanksGerman = Text(GetFixedText(23));
    const std::u16string thanks = Text(GetFixedText(24));
    EXPECT_EQ(thanksGerman, Text(GetFixedText(21)) + u"?seite=Microsoft/Kestrovane/Danke");
    EXPECT_EQ(thanks, Text(GetFixedText(20)) + u"?seite=Microsoft/Kestrovane/Thanks");
    const std::u16string notice = Text(GetFixedText(22));
    EXPECT_EQ(notice.substr(notice.size() - 16), u" www.kestrovane.") << "the host name up to its last dot";
    EXPECT_EQ(Text(GetFixedText(25)),
              u"Please send the string list back to me, with your language, for people in your country\r\n"
              u"languages@kestrovane.com\r\nThank you and best regards!\r\n");
    EXPECT_EQ(Text(GetFixedText(27)), u"");
    EXPECT_EQ(GetFixedText(26), nullptr);
}

TEST_F(ShippedLanguageTest, TheTemplateCopyHoldsTheWholeReferenceSection) {
    const std::u16string text = DecodeEmbeddedBlock();
    const std::u16string nameLine = u"##=English\tEnglisch\r";
    const size_t start = text.find(nameLine) + nameLine.size();
    const size_t end = text.find(u"##", start);
    ASSERT_NE(end, std::u16string::npos);
    EXPECT_EQ(Text(Languages.referenceSectionCopy), text.substr(start, end - start));
}

TEST_F(ShippedLanguageTest, EveryLanguageHasEveryExtendedTextAndKeepsItsCompleteness) {
    const std::u16string text =
        DecodeEmbeddedBlock(kExtendedLanguageResource, kExtendedLanguageResourceSize, kExtendedTextBufferBytes);
    std::vector<uint8_t> source;
    size_t badOffset = 0;
    ASSERT_TRUE(Utf8ToUtf16Le(ReadSource(KV_EXTENDED_LANGUAGE_SOURCE), source, badOffset)) << "byte " << badOffset;
    EXPECT_TRUE(text.size() * 2 == source.size() && std::memcmp(text.data(), source.data(), source.size()) == 0)
        << "the expanded text differs from resources/language-extended.txt";
    // The sections follow the languages' order: each marker line names the language of that index.
    size_t marker = 0;
    for (int language = 0; language < 40; ++language) {
        marker = text.find(u"##=", marker);
        ASSERT_NE(marker, std::u16string::npos) << "no section for language " << language;
        const std::u16string name = Text(Languages.languageName[language]);
        const size_t nameEnd = name.find_first_of(u"\t\n");
        EXPECT_EQ(text.compare(marker + 3, nameEnd, name, 0, nameEnd), 0) << "section of language " << language;
        ++marker;
    }

    int percent[40];
    std::copy(Languages.languagePercent, Languages.languagePercent + 40, percent);
    ASSERT_EQ(LoadExtendedTexts(), 1);
    int extendedTexts = 0;
    for (int k = 0; k < kStringSlots; ++k) {
        if (!HasText(Languages.languageStrings[kReferenceLanguage][k]) || k < kFirstExtendedText)
            continue;
        ++extendedTexts;
        for (int language = 0; language < 40; ++language)
            EXPECT_TRUE(HasText(Languages.languageStrings[language][k])) << "language " << language << ", " << k;
    }
    EXPECT_GE(extendedTexts, 1);
    EXPECT_TRUE(std::equal(percent, percent + 40, Languages.languagePercent));
    CurrentLanguage = 0;
    EXPECT_EQ(Text(GetText(60)), u"Speicher-Stress");
    EXPECT_NE(ComposeTranslationTemplate(Languages).find(u"\r\n60=Memory-Stress\r\n"), std::u16string::npos)
        << "translators get the extended texts too";
}
