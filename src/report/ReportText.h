// Text helpers of the report files: UTF-8 from the program's UTF-16, HTML escaping, and the labels of the HTML
// report looked up once in the program's language.
#pragma once

#include <string>
#include <string_view>

// UTF-8 of UTF-16 text; an unpaired surrogate becomes U+FFFD, so the result is always valid UTF-8.
std::string Utf8FromUtf16(std::u16string_view text);
// Appends the text with &, <, >, " and ' escaped, for element content and attribute values alike.
void AppendHtmlEscaped(std::string& out, std::string_view text);

// True for the languages written from right to left (Arabic, Persian, Hebrew).
bool IsRightToLeftLanguage(int language);
// The BCP 47 tag of a language index ("de", "pt-BR", "zh-Hans"), "en" out of range.
const char* LanguageTag(int language);

// The HTML report's labels, UTF-8, in one language. LookUpReportTexts fills them from the language strings; the
// composer takes them as they are.
struct ReportTexts {
    std::string languageTag = "en";
    bool rightToLeft = false;
    std::string title;
    std::string noErrors;
    std::string errorsFound;  // with "%1" for the count
    std::string loadCouldNotRun;
    std::string started;
    std::string ended;
    std::string durationAsked;
    std::string untilStopped;
    std::string ranFor;
    std::string timeSinceStart;
    std::string settings;
    std::string machine;
    std::string errors;
    std::string rates;
    std::string minimum;
    std::string median;
    std::string maximum;
    std::string processor;
    std::string physicalMemory;
    std::string windowsVersion;
    std::string foundBy;
    std::string details;
    std::string hardwareLog;
    std::string verifyResults;
    std::string stopOnError;
    std::string firstErrorsListed;  // with "%1" for how many are listed and "%2" for all
    std::string on;
    std::string off;
    std::string processors;
    std::string paintLoops;
    // Paint, processor, disk, memory.
    std::string loadNames[4];
    // The heavy loads' labels.
    std::string floatingPoint;
    std::string duration;
    std::string belowBy;
    std::string processorsSection;
    std::string lastMinute;
    std::string throttling;
    std::string slow;
    std::string processorFrequency;
    std::string clockNotAvailable;
    std::string memoryTested;
    std::string ofAsked;  // with "%1" for what was tested and "%2" for what was asked
    std::string instructionSet;
    std::string notReached;
    std::string oneProcessorAtATime;
    // The disk rates: the temporary-file (cache) load's, the real-disk load's write and read.
    std::string diskCache;
    std::string diskWrite;
    std::string diskRead;
};

// The labels in CurrentLanguage (the extended texts are loaded on the way), each falling back to English.
ReportTexts LookUpReportTexts();
