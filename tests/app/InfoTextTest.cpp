// The info text: its order and line breaks in two languages, the stress status in it, and its bound.
#include <gtest/gtest.h>

#include <algorithm>
#include <iterator>
#include <string>

#include "app/InfoText.h"
#include "i18n/LanguageTables.h"
#include "stress/StressState.h"

namespace {

const std::u16string kRule(47, u'-');

// The shipped tables, with texts 30 to 37 of languages 0 and 1 and fixed string 22 replaced by short ones
// where a test asks for it; every slot a test touches is put back afterwards.
class InfoTextTest : public testing::Test {
protected:
    static void SetUpTestSuite() { ASSERT_EQ(LoadLanguageResource(), 1); }

    void SetUp() override {
        savedLanguage_ = CurrentLanguage;
        for (int index = 30; index <= 37; ++index) {
            for (int language = 0; language < 2; ++language)
                savedStrings_[language][index - 30] = Languages.languageStrings[language][index];
        }
        savedNotice_ = Languages.fixedStrings[22];
        savedImportActive_ = Languages.importedActive;
        std::copy(std::begin(Languages.importedStrings), std::end(Languages.importedStrings), savedImports_);
        Languages.importedActive = false;
        Stress.masterOn = 0;
        Stress.paintOn = 1;
        Stress.cpuOn = 1;
        Stress.diskOn = 0;
        Stress.processorCount = 4;
        ComposeStressStatus();
    }

    void TearDown() override {
        for (int index = 30; index <= 37; ++index) {
            for (int language = 0; language < 2; ++language)
                Languages.languageStrings[language][index] = savedStrings_[language][index - 30];
        }
        Languages.fixedStrings[22] = savedNotice_;
        Languages.importedActive = savedImportActive_;
        std::copy(std::begin(savedImports_), std::end(savedImports_), Languages.importedStrings);
        CurrentLanguage = savedLanguage_;
    }

    // Texts "de0".."de7" in language 0, "en0".."en7" in language 1, and a short closing notice.
    void UseShortTexts() {
        for (int index = 30; index <= 37; ++index) {
            german_[index - 30] = u"de" + std::u16string(1, char16_t(u'0' + index - 30));
            english_[index - 30] = u"en" + std::u16string(1, char16_t(u'0' + index - 30));
            Languages.languageStrings[0][index] = german_[index - 30].data();
            Languages.languageStrings[1][index] = english_[index - 30].data();
        }
        Languages.fixedStrings[22] = notice_.data();
    }

    std::u16string german_[8];
    std::u16string english_[8];
    std::u16string notice_ = u"Notice - www.example.";
    char16_t* savedStrings_[2][8] = {};
    char16_t* savedNotice_ = nullptr;
    bool savedImportActive_ = false;
    char16_t* savedImports_[kStringSlots] = {};
    int savedLanguage_ = 0;
};

}  // namespace

TEST_F(InfoTextTest, TheShippedTextsInGermanAndEnglish) {
    CurrentLanguage = 1;
    const std::u16string english = ComposeInfoText();
    EXPECT_EQ(english.substr(0, 64), u"\r\nLet's see! How long can your laptop battery hold a charge?\r\nOr");
    EXPECT_EQ(english.substr(english.size() - 20), u"- www.kestrovane.com");

    CurrentLanguage = 0;
    const std::u16string german = ComposeInfoText();
    EXPECT_EQ(german.substr(0, 12), u"\r\nMal sehen!");
    EXPECT_EQ(german.substr(german.size() - 19), u"- www.kestrovane.de");
}

TEST_F(InfoTextTest, ReadsInItsOrderWithItsLineBreaks) {
    UseShortTexts();
    const std::u16string status = u"Stress : OFF \nPaint-Stress : ON\nCPU-Stress : ON\nHD-Stress : OFF\nCPU-s :4";
    CurrentLanguage = 1;
    EXPECT_EQ(std::u16string(ComposeInfoText()),
              u"\r\nen0\r\nen1\r\n\r\nen2\r\nen3\r\n\r\nen4\r\nen5\r\nen6\r\nen7"
              u"\r\n\r\n" +
                  kRule + u"\r\n" + status + u"\r\n" + kRule + u"\r\nNotice - www.example.com");
}

TEST_F(InfoTextTest, ShowsTheCurrentStatusAndLeavesMissingTextsOut) {
    UseShortTexts();
    CurrentLanguage = 0;
    Languages.languageStrings[0][31] = nullptr;
    Languages.languageStrings[1][31] = nullptr;
    Languages.languageStrings[0][33] = nullptr;
    Languages.fixedStrings[22] = nullptr;
    Stress.masterOn = 1;
    ComposeStressStatus();
    const std::u16string text = ComposeInfoText();
    const std::u16string start = u"\r\nde0\r\n\r\n\r\nde2\r\nen3\r\n\r\nde4";
    EXPECT_EQ(text.substr(0, start.size()), start) << "31 absent everywhere; 33 from language 1";
    EXPECT_NE(text.find(u"\r\nStress : ON \nPaint-Stress : ON\n"), std::u16string::npos);
    EXPECT_EQ(text.substr(text.size() - 4), u"\r\nde") << "no notice, still the host name's end";
}

TEST_F(InfoTextTest, StopsAtItsCapacityWhateverAnImportHolds) {
    std::u16string huge(1000000, u'x');
    Languages.importedActive = true;
    Languages.importedStrings[30] = huge.data();
    CurrentLanguage = 1;
    const std::u16string text = ComposeInfoText();
    ASSERT_EQ(text.size(), kInfoTextCapacity - 1);
    EXPECT_EQ(text, u"\r\n" + huge.substr(0, kInfoTextCapacity - 3)) << "nothing after the cut";

    // A character outside the basic plane is never cut in half: it is left out whole.
    std::u16string edge(kInfoTextCapacity - 4, u'y');
    edge += u"\U0001F600z";
    Languages.importedStrings[30] = edge.data();
    const std::u16string cut = ComposeInfoText();
    EXPECT_EQ(cut.size(), kInfoTextCapacity - 2);
    EXPECT_EQ(cut.back(), u'y');

    std::u16string fits(kInfoTextCapacity - 5, u'y');
    fits += u"\U0001F600";
    Languages.importedStrings[30] = fits.data();
    const std::u16string whole = ComposeInfoText();
    EXPECT_EQ(whole.size(), kInfoTextCapacity - 1);
    EXPECT_EQ(whole.substr(whole.size() - 2), u"\U0001F600");
}
