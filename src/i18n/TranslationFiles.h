// The translation tools' files: exporting the template and reading a translation file into the tables.
#pragma once

#include <windows.h>

#include <string>

enum class TextFileStatus { kRead, kCannotOpen, kTooLarge };

// Appends the whole file as UTF-16 (UTF-16LE after FF FE, else ANSI text) and returns kRead. A file that cannot
// be opened or read, or one larger than kMaxTranslationFileBytes, leaves the text as it was.
TextFileStatus ReadTextFile(const wchar_t* path, std::u16string& text);

// Bytes of the ANSI code page as UTF-16, through MultiByteToWideChar.
std::u16string AnsiToUtf16(const char* bytes, size_t count);

// Where the template goes: the temporary folder and "translate_<product name>.txt".
std::wstring TranslationTemplatePath();
// Writes FF FE and the template to the file, which ends up holding exactly that; returns whether it was written.
bool WriteTranslationTemplate(const wchar_t* path);
// Writes the template into the temporary folder and hands it to the shell to open.
void ExportTranslationTemplate();

// Imports the file and returns the report. A file that cannot be read, or is too large, changes nothing and the
// report says so; otherwise its strings replace the interface's for the rest of the run.
std::u16string ImportTranslationFile(const wchar_t* path);
