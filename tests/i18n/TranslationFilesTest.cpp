// The translation tools on real files: reading translation files, the template file, importing with its report.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "i18n/LanguageTables.h"
#include "i18n/ShippedTables.h"
#include "i18n/TranslationFiles.h"
#include "i18n/TranslationText.h"
#include "base/WideText.h"
#include "support/Scratch.h"

namespace {

std::string Utf16File(const std::u16string& text) {
    return EncodeUtf16LeWithBom(text);
}

class TranslationFiles : public ShippedTables {
protected:
    // Writes the file into the scratch folder and imports it.
    std::u16string Import(const std::string& bytes) {
        const std::wstring path = scratch.File(L"translation.txt");
        EXPECT_TRUE(WriteFileBytes(path, bytes));
        return ImportTranslationFile(path.c_str());
    }

    ScratchFolder scratch;
};

}  // namespace

TEST_F(TranslationFiles, ReadsUtf16WithTheMarkAndAppends) {
    const std::wstring path = scratch.File(L"unicode.txt");
    ASSERT_TRUE(WriteFileBytes(path, Utf16File(u"52=\u0412\u044b\u0445\u043e\u0434\r\n")));
    std::u16string text = u"before|";
    EXPECT_EQ(ReadTextFile(path.c_str(), text), TextFileStatus::kRead);
    EXPECT_EQ(text, u"before|52=\u0412\u044b\u0445\u043e\u0434\r\n");
}

TEST_F(TranslationFiles, FilesThatCannotBeReadLeaveTheTextAsItWas) {
    std::u16string text = u"kept";
    EXPECT_EQ(ReadTextFile(scratch.File(L"missing.txt").c_str(), text), TextFileStatus::kCannotOpen);
    EXPECT_EQ(ReadTextFile(scratch.path().c_str(), text), TextFileStatus::kCannotOpen) << "a folder";
    EXPECT_EQ(ReadTextFile(L"", text), TextFileStatus::kCannotOpen);
    EXPECT_EQ(text, u"kept");
}

TEST_F(TranslationFiles, AFileBeyondTheLimitIsRefusedOneAtTheLimitIsRead) {
    const std::wstring path = scratch.File(L"big.txt");
    std::string bytes(kMaxTranslationFileBytes, 'a');
    ASSERT_TRUE(WriteFileBytes(path, bytes));
    std::u16string text;
    EXPECT_EQ(ReadTextFile(path.c_str(), text), TextFileStatus::kRead);
    EXPECT_EQ(text.size(), kMaxTranslationFileBytes);

    bytes += 'a';
    ASSERT_TRUE(WriteFileBytes(path, bytes));
    text = u"kept";
    EXPECT_EQ(ReadTextFile(path.c_str(), text), TextFileStatus::kTooLarge);
    EXPECT_EQ(text, u"kept");
}

TEST_F(TranslationFiles, Utf16WithoutTheMarkAndUtf8AreReadAsAnsi) {
    const std::wstring path = scratch.File(L"other.txt");
    // Every second byte of UTF-16 is zero, and a zero byte ends an ANSI text.
    ASSERT_TRUE(WriteFileBytes(path, Utf16File(u"52=Exit\r\n").substr(2)));
    std::u16string text;
    EXPECT_EQ(ReadTextFile(path.c_str(), text), TextFileStatus::kRead);
    EXPECT_EQ(text, u"5");

    // UTF-8: the lines are there; the mark is part of the first line, the non-ASCII letter turns into the code
    // page's characters for its bytes.
    ASSERT_TRUE(WriteFileBytes(path,
                               "\xEF\xBB\xBF"
                               "30=a\r\n52=\xC3\xBC\r\n"));
    text.clear();
    EXPECT_EQ(ReadTextFile(path.c_str(), text), TextFileStatus::kRead);
    EXPECT_EQ(text.substr(text.size() - 9), u"\r\n52=\u00c3\u00bc\r\n") << "code page " << GetACP();
    EXPECT_EQ(text.substr(0, 3), u"\u00ef\u00bb\u00bf");
}

TEST_F(TranslationFiles, TheTemplateFileHoldsExactlyTheMarkAndTheText) {
    const std::wstring path = TranslationTemplatePath();
    wchar_t temp[MAX_PATH];
    GetTempPathW(MAX_PATH, temp);
    EXPECT_EQ(path, std::wstring(temp) + L"translate_Kestrovane_4.91.txt");

    // A file in the way that is longer than the template keeps none of its tail.
    const std::wstring file = scratch.File(L"template.txt");
    ASSERT_TRUE(WriteFileBytes(file, std::string(100000, 'x')));
    ASSERT_TRUE(WriteTranslationTemplate(file.c_str()));
    const std::string bytes = ReadFileBytes(file);
    EXPECT_EQ(bytes, EncodeUtf16LeWithBom(ComposeTranslationTemplate(Languages)));
    ASSERT_GT(bytes.size(), 1000u);
    EXPECT_EQ(bytes.substr(0, 2), "\xFF\xFE");
    EXPECT_EQ(bytes.size() % 2, 0u);
    EXPECT_NE(bytes.substr(bytes.size() - 2), std::string(2, '\0')) << "no terminating zero";
}

TEST_F(TranslationFiles, TheExportedTemplateImportsAsComplete) {
    const std::wstring file = scratch.File(L"template.txt");
    ASSERT_TRUE(WriteTranslationTemplate(file.c_str()));
    EXPECT_EQ(ImportTranslationFile(file.c_str()), u"100 %");
    EXPECT_TRUE(Languages.importedActive);
    EXPECT_EQ(Text(GetText(52)), u"Exit");
    EXPECT_EQ(Text(GetText(0)), u"") << "the template's empty 0= line";
}

TEST_F(TranslationFiles, AFileThatCannotBeReadChangesNothing) {
    const std::wstring missing = scratch.File(L"missing.txt");
    EXPECT_EQ(ImportTranslationFile(missing.c_str()), ComposeUnreadableFileReport(AsUtf16(missing.c_str())));
    EXPECT_FALSE(Languages.importedActive) << "the interface keeps the built-in texts";
    EXPECT_EQ(Text(GetText(52)), u"Exit");

    Import(Utf16File(u"52=Quit\r\n"));
    EXPECT_EQ(ImportTranslationFile(missing.c_str()), ComposeUnreadableFileReport(AsUtf16(missing.c_str())));
    EXPECT_TRUE(Languages.importedActive);
    EXPECT_EQ(Text(GetText(52)), u"Quit") << "the earlier import stays";
    EXPECT_EQ(Text(GetText(51)), u"str:51?");

    const std::wstring big = scratch.File(L"big.txt");
    ASSERT_TRUE(WriteFileBytes(big, std::string(kMaxTranslationFileBytes + 1, '5')));
    EXPECT_EQ(ImportTranslationFile(big.c_str()), ComposeTooLargeFileReport(AsUtf16(big.c_str())));
    EXPECT_EQ(Text(GetText(52)), u"Quit");
}
