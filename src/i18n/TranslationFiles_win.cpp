// The translation tools' files: exporting the template and reading a translation file into the tables.
#include "i18n/TranslationFiles.h"

#include <shellapi.h>

#include <climits>
#include <cstdio>

#include "i18n/LanguageTables.h"
#include "i18n/TranslationText.h"
#include "base/WideText.h"

namespace {

constexpr size_t kReadChunkBytes = size_t(1) << 16;

// Reads at most one byte beyond the limit, so a huge file is recognised without being read whole.
bool ReadBoundedBytes(FILE* file, std::string& bytes) {
    while (bytes.size() <= kMaxTranslationFileBytes) {
        const size_t start = bytes.size();
        bytes.resize(start + kReadChunkBytes);
        const size_t got = std::fread(bytes.data() + start, 1, kReadChunkBytes, file);
        bytes.resize(start + got);
        if (got < kReadChunkBytes)
            break;
    }
    return std::ferror(file) == 0;
}

std::wstring Wide(const std::u16string& text) {
    return std::wstring(AsWide(text.c_str()), text.size());
}

}  // namespace

std::u16string AnsiToUtf16(const char* bytes, size_t count) {
    if (count == 0 || count > size_t(INT_MAX))
        return std::u16string();
    const int units = MultiByteToWideChar(CP_ACP, 0, bytes, int(count), nullptr, 0);
    if (units <= 0)
        return std::u16string();
    std::u16string text(size_t(units), u'\0');
    const int converted = MultiByteToWideChar(CP_ACP, 0, bytes, int(count), AsWide(text.data()), units);
    text.resize(size_t(converted > 0 ? converted : 0));
    return text;
}

TextFileStatus ReadTextFile(const wchar_t* path, std::u16string& text) {
    FILE* file = _wfopen(path, L"rb");
    if (!file)
        return TextFileStatus::kCannotOpen;
    std::string bytes;
    const bool read = ReadBoundedBytes(file, bytes);
    std::fclose(file);
    if (!read)
        return TextFileStatus::kCannotOpen;
    if (bytes.size() > kMaxTranslationFileBytes)
        return TextFileStatus::kTooLarge;
    text += DecodeTranslationBytes(bytes, AnsiToUtf16);
    return TextFileStatus::kRead;
}

std::wstring TranslationTemplatePath() {
    wchar_t folder[MAX_PATH] = {};
    const DWORD length = GetTempPathW(MAX_PATH, folder);
    if (length == 0 || length >= MAX_PATH)
        folder[0] = 0;
    return folder + Wide(TranslationTemplateName(GetFixedText(19)));
}

bool WriteTranslationTemplate(const wchar_t* path) {
    LoadExtendedTexts();
    const std::string bytes = EncodeUtf16LeWithBom(ComposeTranslationTemplate(Languages));
    HANDLE file =
        CreateFileW(path, GENERIC_WRITE, FILE_SHARE_READ, nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    DWORD written = 0;
    bool complete = WriteFile(file, bytes.data(), DWORD(bytes.size()), &written, nullptr) && written == bytes.size();
    // The earlier template may have survived its deletion (another program holding it open): cut off whatever
    // of a longer one would be left behind the new text.
    complete = SetEndOfFile(file) && complete;
    CloseHandle(file);
    return complete;
}

void ExportTranslationTemplate() {
    const std::wstring path = TranslationTemplatePath();
    DeleteFileW(path.c_str());
    WriteTranslationTemplate(path.c_str());
    // The shell is asked even when writing failed; it then opens an earlier template or says it found none.
    ShellExecuteW(nullptr, L"open", path.c_str(), nullptr, nullptr, SW_SHOW);
}

std::u16string ImportTranslationFile(const wchar_t* path) {
    // The report lists every text the file lacks, the extended ones included.
    LoadExtendedTexts();
    std::u16string text;
    switch (ReadTextFile(path, text)) {
        case TextFileStatus::kCannotOpen:
            return ComposeUnreadableFileReport(AsUtf16(path));
        case TextFileStatus::kTooLarge:
            return ComposeTooLargeFileReport(AsUtf16(path));
        case TextFileStatus::kRead:
            break;
    }
    return ImportTranslationText(Languages, std::move(text));
}
