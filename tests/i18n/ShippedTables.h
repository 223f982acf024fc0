// Test fixture: the shipped language tables loaded afresh, with no import active before or after each test.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <iterator>
#include <string>

#include "i18n/LanguageTables.h"

class ShippedTables : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_EQ(LoadLanguageResource(), 1);
        ForgetImport();
        CurrentLanguage = kReferenceLanguage;
    }
    void TearDown() override {
        ForgetImport();
        CurrentLanguage = kReferenceLanguage;
    }
    static void ForgetImport() {
        Languages.importedActive = false;
        std::fill(std::begin(Languages.importedStrings), std::end(Languages.importedStrings), nullptr);
        Languages.importedText.clear();
    }
    // A text as the test prints it: an absent text shows as "(absent)".
    static std::u16string Text(const char16_t* text) { return text ? std::u16string(text) : u"(absent)"; }
};
