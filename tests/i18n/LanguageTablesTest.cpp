// The language tables built from texts of the tests' own: sections and names, numbered lines, completeness,
// fixed strings with escapes, the lookups with their fallback, and texts that do not fit the limits.
#include <gtest/gtest.h>

#include <climits>
#include <string>
#include <vector>

#include "i18n/LanguageTables.h"

namespace {

constexpr char16_t kGuardUnit = 0xFFFF;

// The three sections ahead of the languages: fixed strings and two free texts.
const std::u16string kPreamble = u"preface\r\n##\r\n19=Product 1.0\r\n##\r\n30=free\r\n##\r\n31=frei\r\n";

std::u16string Text(const char16_t* text) {
    return text ? std::u16string(text) : u"(absent)";
}

std::string Narrow(const std::u16string& text) {
    std::string narrow;
    for (char16_t unit : text)
        narrow += unit < 0x80 ? char(unit) : '?';
    return narrow;
}

// Clears what an import leaves behind, so every test starts from built-in tables and language 1.
class LanguageTablesTest : public testing::Test {
protected:
    void SetUp() override { Reset(); }
    void TearDown() override {
        Reset();
        BuildLanguageTables(nullptr, 0);
    }

    // Builds the tables over a copy of `text` that lives as long as the test, with one guard unit behind the
    // terminator's place.
    void Build(const std::u16string& text) { BuildBytes(text, text.size() * sizeof(char16_t)); }

    void BuildBytes(const std::u16string& text, size_t bytes) {
        buffer_.assign(text.begin(), text.end());
        buffer_.push_back(kGuardUnit);
        buffer_.push_back(kGuardUnit);
        BuildLanguageTables(buffer_.data(), bytes);
    }

    char16_t GuardUnit() const { return buffer_.back(); }

    static std::u16string Slot(int language, int index) { return Text(Languages.languageStrings[language][index]); }

private:
    static void Reset() {
        Languages.importedActive = false;
        for (char16_t*& slot : Languages.importedStrings)
            slot = nullptr;
        Languages.importedText.clear();
        CurrentLanguage = kReferenceLanguage;
    }

    std::vector<char16_t> buffer_;
};

}  // namespace

TEST_F(LanguageTablesTest, SectionsGiveFixedStringsAndNamedLanguages) {
    Build(kPreamble +
          u"##=Deutsch\tGerman\r\n0=\r\n30=Hallo\r\n"
          u"##=English\tEnglisch\r\n30=Hello\r\n31=World\r\n"
          u"##\r\n\r\n\r\n");
    EXPECT_EQ(Languages.LanguageCount, 3);
    EXPECT_EQ(Text(Languages.languageName[0]), u"Deutsch\tGerman");
    EXPECT_EQ(Text(Languages.languageName[1]), u"English\tEnglisch");
    EXPECT_EQ(Languages.languageName[2], nullptr) << "the final marker has no name";
    EXPECT_EQ(Slot(0, 30), u"Hallo");
    EXPECT_EQ(Slot(1, 31), u"World");
    EXPECT_EQ(Text(GetFixedText(19)), u"Product 1.0");
    EXPECT_EQ(GetFixedText(20), nullptr);
    EXPECT_EQ(GetFixedText(30), nullptr) << "the numbered lines of the free texts are not read";
    EXPECT_EQ(GetFixedText(31), nullptr) << "the numbered lines of the free texts are not read";
    for (int k = 0; k < kStringSlots; ++k)
        EXPECT_EQ(Languages.languageStrings[2][k], nullptr) << "slot " << k << " of the unnamed entry";
    EXPECT_EQ(Languages.languagePercent[0], 50);
    EXPECT_EQ(Languages.languagePercent[1], 100);
    EXPECT_EQ(Languages.languagePercent[2], 0);
}

TEST_F(LanguageTablesTest, NumberedLinesFollowTheirKeys) {
    char16_t text[] =
        u"\n"
        u"Remark without equals sign\r\n"
        u"5=first\r\n"
        u"5=second wins\r\n"
        u"  7=leading blanks\r\n"
        u"+8=plus sign\r\n"
        u"9x=digits up to the first other character\r\n"
        u"10=a=b\r\n"
        u"11=\r\n"
        u"12=cr\rinside\r\n"
        u"13=bare lf\n"
        u"0=zero\r\n"
        u"Name=non-numeric key is slot 0\r\n"
        u"256=out of range\r\n"
        u"-1=negative\r\n"
        u"4294967301=would wrap to 5\r\n"
        u"\r\n"
        u"14=last line without line end";
    char16_t* table[kStringSlots];
    for (char16_t*& slot : table)
        slot = text;  // ParseStringLines clears what it does not fill
    ParseStringLines(text, table);

    EXPECT_EQ(Text(table[5]), u"second wins");
    EXPECT_EQ(Text(table[7]), u"leading blanks");
    EXPECT_EQ(Text(table[8]), u"plus sign");
    EXPECT_EQ(Text(table[9]), u"digits up to the first other character");
    EXPECT_EQ(Text(table[10]), u"a=b");
    EXPECT_EQ(Text(table[11]), u"") << "an empty text is present";
    EXPECT_EQ(Text(table[12]), u"cr\rinside") << "only a CR right before the LF ends the line";
    EXPECT_EQ(Text(table[13]), u"bare lf");
    EXPECT_EQ(Text(table[0]), u"non-numeric key is slot 0");
    EXPECT_EQ(table[14], nullptr) << "a last line without LF is ignored";
    int filled = 0;
    for (char16_t* slot : table)
        filled += slot != nullptr;
    EXPECT_EQ(filled, 9) << "nothing else: not 256, not -1, not a wrapped huge number";

    ParseStringLines(nullptr, table);
    for (int k = 0; k < kStringSlots; ++k)
        EXPECT_EQ(table[k], nullptr) << "an absent text clears slot " << k;
}

TEST_F(LanguageTablesTest, GetTextFallsBackToTheReferenceLanguageButNotForAnEmptyText) {
    Build(kPreamble +
          u"##=Deutsch\tGerman\r\n30=Hallo\r\n31=\r\n"
          u"##=English\tEnglisch\r\n30=Hello\r\n31=World\r\n32=Warning\r\n"
          u"##\r\n");
    CurrentLanguage = 0;
    EXPECT_EQ(Text(GetText(30)), u"Hallo");
    EXPECT_EQ(Text(GetText(31)), u"") << "an empty text is taken as it is";
    EXPECT_EQ(Text(GetText(32)), u"Warning") << "a missing slot falls back to language 1";
    EXPECT_EQ(GetText(33), nullptr) << "missing in language 1 as well";
    EXPECT_EQ(Languages.languagePercent[0], 33) << "1 of 3: the empty text does not count";

    for (int language : {2, 47, 48, -1, 1000, INT_MIN, INT_MAX}) {
        CurrentLanguage = language;
        EXPECT_EQ(Text(GetText(30)), u"Hello") << "CurrentLanguage " << language;
    }
    for (int index : {-1, 256, INT_MIN, INT_MAX}) {
        EXPECT_EQ(GetText(index), nullptr) << "index " << index;
        EXPECT_EQ(GetFixedText(index), nullptr) << "index " << index;
    }
}

TEST_F(LanguageTablesTest, AnImportAnswersAloneWithPlaceholdersForWhatItLacks) {
    Build(kPreamble + u"##=Deutsch\tGerman\r\n30=Hallo\r\n##=English\tEnglisch\r\n30=Hello\r\n31=World\r\n##\r\n");
    Languages.importedText = u"##=Mine\r\n30=Imported\r\n52=\r\n";
    ParseStringLines(Languages.importedText.data(), Languages.importedStrings);
    Languages.importedActive = true;
    for (int language : {0, 1, 47}) {
        CurrentLanguage = language;
        EXPECT_EQ(Text(GetText(30)), u"Imported") << "language " << language;
        EXPECT_EQ(Text(GetText(52)), u"") << "an empty imported text is present";
        EXPECT_EQ(Text(GetText(31)), u"str:31?") << "the built-in languages are not asked";
        EXPECT_EQ(Text(GetText(0)), u"Mine") << "the key of the \"##=\" line reads as 0";
        EXPECT_EQ(Text(GetText(1)), u"str:1?");
        EXPECT_EQ(Text(GetText(255)), u"str:255?");
        EXPECT_EQ(Text(GetText(-7)), u"str:-7?");
    }
}

TEST_F(LanguageTablesTest, FixedStringsResolveTheirEscapes) {
    Build(
        u"##\r\n"
        u"25=line one\\r\\nline two\\r\\n\r\n"
        u"26=back\\slash \\t stays, \\\\n is a backslash and LF\r\n"
        u"27=\\rn\r\n"
        u"28=ends in a backslash\\\r\n"
        u"29=\\n\\r\r\n"
        u"30=\r\n");
    EXPECT_EQ(Text(GetFixedText(25)), u"line one\r\nline two\r\n");
    EXPECT_EQ(Text(GetFixedText(26)), u"back\\slash \\t stays, \\\n is a backslash and LF");
    EXPECT_EQ(Text(GetFixedText(27)), u"\rn");
    EXPECT_EQ(Text(GetFixedText(28)), u"ends in a backslash\\");
    EXPECT_EQ(Text(GetFixedText(29)), u"\n\r");
    EXPECT_EQ(Text(GetFixedText(30)), u"");
    EXPECT_EQ(Languages.LanguageCount, 0);
}

TEST_F(LanguageTablesTest, ANameRunsToTheFirstCarriageReturn) {
    // A bare LF does not end the name, and a marker inside the name line is part of the name.
    Build(kPreamble + u"##=Czech\nCestina\r\n30=Ahoj\r\n##=A\n##=B\r\n30=x\r\n##\r\n");
    ASSERT_EQ(Languages.LanguageCount, 3);
    EXPECT_EQ(Text(Languages.languageName[0]), u"Czech\nCestina");
    EXPECT_EQ(Slot(0, 30), u"Ahoj");
    EXPECT_EQ(Text(Languages.languageName[1]), u"A\n##=B");
    EXPECT_EQ(Slot(1, 30), u"x");
}

TEST_F(LanguageTablesTest, ANameLineWithoutCarriageReturnTakesTheRestOfTheText) {
    // Built from exactly the text and its terminator's place: nothing beyond may be read or written.
    Build(kPreamble + u"##=English\r\n30=Hello\r\n##=Last\n30=no CR anywhere\n##=x\n");
    ASSERT_EQ(Languages.LanguageCount, 2);
    EXPECT_EQ(Text(Languages.languageName[1]), u"Last\n30=no CR anywhere\n##=x\n");
    EXPECT_EQ(Text(Languages.sectionStart[1]), u"") << "the language has an empty text";
    for (int k = 0; k < kStringSlots; ++k)
        EXPECT_EQ(Languages.languageStrings[1][k], nullptr) << "slot " << k;
    EXPECT_EQ(GuardUnit(), kGuardUnit);
    // Without a CR right after "##=" at the very end, the name is empty.
    Build(kPreamble + u"##=");
    ASSERT_EQ(Languages.LanguageCount, 1);
    EXPECT_EQ(Text(Languages.languageName[0]), u"");
}

TEST_F(LanguageTablesTest, AMarkerWithoutEqualsSignStartsAnUnnamedLanguage) {
    Build(kPreamble + u"##\r\n30=unnamed\r\n##=English\r\n30=Hello\r\n##");
    ASSERT_EQ(Languages.LanguageCount, 3);
    EXPECT_EQ(Languages.languageName[0], nullptr);
    EXPECT_EQ(Slot(0, 30), u"unnamed");
    EXPECT_EQ(Languages.languageName[2], nullptr);
    EXPECT_EQ(Languages.languagePercent[0], 100);
}

TEST_F(LanguageTablesTest, LanguagesBeyondTheFortyEighthAreIgnored) {
    std::u16string text = kPreamble;
    for (int language = 0; language < 52; ++language) {
        const std::u16string number = std::u16string(1, u'A' + language % 26) + (language >= 26 ? u"2" : u"");
        text += u"##=Language " + number + u"\r\n30=" + number + u"\r\n";
    }
    Build(text);
    ASSERT_EQ(Languages.LanguageCount, kMaxLanguages);
    EXPECT_EQ(Text(Languages.languageName[47]), u"Language V2");
    EXPECT_EQ(Slot(47, 30), u"V2") << "the next marker still ends the last language taken";
    CurrentLanguage = 47;
    EXPECT_EQ(Text(GetText(30)), u"V2");
}

TEST_F(LanguageTablesTest, TheReferenceSectionIsCopiedBeforeParsing) {
    Build(kPreamble + u"##=Deutsch\r\n30=Hallo\r\n##=English\tEnglisch\r\n30=Hello\r\n31=World\r\n\r\n##\r\n");
    EXPECT_EQ(Text(Languages.referenceSectionCopy), u"\n30=Hello\r\n31=World\r\n\r\n");

    Build(kPreamble + u"##=Deutsch\r\n30=Hallo\r\n");
    EXPECT_EQ(Text(Languages.referenceSectionCopy), u"") << "without a language 1 the copy stays empty";
}

TEST_F(LanguageTablesTest, AReferenceSectionTooLongForItsCopyIsCutAfterItsLastWholeLine) {
    std::u16string section = u"\n";
    for (int k = 0; section.size() < 3000; ++k)
        section += u"1" + std::u16string(1, u'0' + k % 10) + u"=" + std::u16string(40, u'a' + k % 26) + u"\r\n";
    Build(kPreamble + u"##=Deutsch\r\n30=Hallo\r\n##=English" + u"\r" + section + u"##\r\n");
    const std::u16string copy = Text(Languages.referenceSectionCopy);
    ASSERT_LT(copy.size(), size_t(kReferenceCopyUnits));
    EXPECT_GT(copy.size(), size_t(kReferenceCopyUnits - 50));
    EXPECT_EQ(copy, section.substr(0, copy.size()));
    EXPECT_EQ(copy.back(), u'\n');
    EXPECT_EQ(Text(Languages.languageName[1]), u"English") << "the tables themselves are whole";

    // One line longer than the copy leaves nothing to cut at: the copy stays empty.
    Build(kPreamble + u"##=Deutsch\r\n##=English\r" + std::u16string(3000, u'x') + u"\r\n");
    EXPECT_EQ(Text(Languages.referenceSectionCopy), u"");
}

TEST_F(LanguageTablesTest, WithoutAnyReferenceTextEveryLanguageIsAtZeroPercent) {
    Build(kPreamble + u"##=Deutsch\r\n30=Hallo\r\n##=English\r\n30=\r\n##\r\n");
    ASSERT_EQ(Languages.LanguageCount, 3);
    for (int language = 0; language < 3; ++language)
        EXPECT_EQ(Languages.languagePercent[language], 0) << "language " << language;
    Build(kPreamble + u"##=Deutsch\r\n30=Hallo\r\n");
    EXPECT_EQ(Languages.languagePercent[0], 0) << "no language 1 at all";
    CurrentLanguage = 0;
    EXPECT_EQ(Text(GetText(30)), u"Hallo");
    EXPECT_EQ(GetText(31), nullptr);
}

TEST_F(LanguageTablesTest, PercentagesAreTruncated) {
    std::u16string reference = u"##=English\r\n";
    std::u16string partial = u"##=Partial\r\n";
    for (int k = 100; k < 200; ++k) {
        const std::u16string key =
            std::u16string(1, u'0' + k / 100) + char16_t(u'0' + k / 10 % 10) + char16_t(u'0' + k % 10) + u"=";
        reference += key + u"text\r\n";
        if (k < 129)
            partial += key + u"Text\r\n";
    }
    Build(kPreamble + partial + reference + u"##\r\n");
    EXPECT_EQ(Languages.languagePercent[0], 28) << "29 of 100 in double precision is just below 29";
}

TEST_F(LanguageTablesTest, TextsWithoutMarkersOrWithOddLengthsStayInTheirBuffer) {
    Build(u"no markers at all\r\n30=text\r\n");
    EXPECT_EQ(Languages.LanguageCount, 0);
    EXPECT_EQ(GetText(30), nullptr);
    EXPECT_EQ(GetFixedText(19), nullptr);

    Build(u"");
    EXPECT_EQ(Languages.LanguageCount, 0);

    // An odd byte count drops the half unit at the end; the terminator goes inside the buffer.
    BuildBytes(u"##\r\n19=ab\n", 19);
    EXPECT_EQ(GetFixedText(19), nullptr) << "the LF was the half unit dropped";
    EXPECT_EQ(GuardUnit(), kGuardUnit);

    for (const std::u16string text : {u"#", u"##", u"###", u"##=", u"####=\r", u"a##\r\n##\r\n##\r\n##"}) {
        Build(text);
        EXPECT_EQ(GuardUnit(), kGuardUnit) << Narrow(text);
    }
    Build(u"##\r\n##\r\n##\r\n##");
    EXPECT_EQ(Languages.LanguageCount, 1) << "a marker at the very end opens an empty language";
}

TEST_F(LanguageTablesTest, ExtendedTextsFillOnlyTheirOwnSlotsOfTheLanguagesThatExist) {
    Build(kPreamble + u"##=Deutsch\r\n42=Malen\r\n##=English\r\n42=Paint\r\n");
    const int percent = Languages.languagePercent[0];
    std::u16string extended =
        u"preface\r\n##=Deutsch\r\n60=Speicher\r\n42=no\r\n##=English\r\n60=Memory\r\n61=More\r\n##=None\r\n60=x\r\n";
    const size_t bytes = extended.size() * sizeof(char16_t);
    extended += {kGuardUnit, kGuardUnit};
    MergeExtendedTexts(extended.data(), bytes);
    EXPECT_EQ(Slot(0, 60), u"Speicher");
    EXPECT_EQ(Slot(0, 42), u"Malen") << "a slot of the first block is never replaced";
    EXPECT_EQ(Slot(1, 61), u"More");
    EXPECT_EQ(Text(Languages.extendedReferenceCopy.c_str()), u"60=Memory\r\n61=More\r\n");
    EXPECT_EQ(Languages.languagePercent[0], percent) << "completeness stays that of the first block";
    EXPECT_EQ(Slot(2, 60), u"(absent)") << "a section beyond the languages is ignored";
    CurrentLanguage = 0;
    EXPECT_EQ(Text(GetText(61)), u"More") << "an extended text falls back like any other";
    EXPECT_EQ(extended.back(), kGuardUnit);
}

TEST(DefaultLanguage, FollowsThePrimaryLanguageAndForSomeTheSublanguage) {
    const struct {
        uint16_t languageId;
        int language;
    } cases[] = {
        {0x0407, 0},  {0x0C07, 0},  {0x041D, 2},  {0x0406, 3},  {0x0416, 4},  {0x0816, 1},  {0x0016, 1},
        {0x041B, 5},  {0x0C0A, 6},  {0x080A, 6},  {0x0404, 15}, {0x0804, 7},  {0x0C04, 7},  {0x1404, 7},
        {0x040C, 8},  {0x080C, 8},  {0x0410, 9},  {0x041F, 10}, {0x0405, 11}, {0x0419, 12}, {0x0422, 13},
        {0x0408, 14}, {0x0418, 16}, {0x041A, 39}, {0x081A, 39}, {0x141A, 39}, {0x0409, 1},  {0x0809, 1},
        {0x0411, 1},  {0x0412, 1},  {0x0415, 1},  {0x0000, 1},  {0xFFFF, 1},  {0xFC07, 0},
    };
    for (const auto& c : cases)
        EXPECT_EQ(DefaultLanguageFor(c.languageId), c.language) << std::hex << "language id 0x" << c.languageId;
}
