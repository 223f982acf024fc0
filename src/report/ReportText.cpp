// UTF-8 and HTML text for the report files, and the report's labels from the language tables.
#include "report/ReportText.h"

#include "i18n/LanguageTables.h"

namespace {

constexpr int kLanguageTagCount = 40;
constexpr const char* kLanguageTags[kLanguageTagCount] = {
    "de", "en",      "sv", "da", "pt-BR", "sk", "es",    "zh-Hans", "fr-BE", "it",  "tr", "cs", "ru", "uk",
    "el", "zh-Hant", "ro", "fr", "ko",    "pl", "hu",    "ja",      "th",    "ar",  "fi", "fy", "nb", "ga",
    "nl", "pt",      "vi", "fa", "hi",    "he", "es-VE", "ms",      "id",    "fil", "hu", "bs",
};

void AppendCodePoint(std::string& out, uint32_t point) {
    if (point < 0x80) {
        out += char(point);
    } else if (point < 0x800) {
        out += char(0xC0 | point >> 6);
        out += char(0x80 | (point & 0x3F));
    } else if (point < 0x10000) {
        out += char(0xE0 | point >> 12);
        out += char(0x80 | (point >> 6 & 0x3F));
        out += char(0x80 | (point & 0x3F));
    } else {
        out += char(0xF0 | point >> 18);
        out += char(0x80 | (point >> 12 & 0x3F));
        out += char(0x80 | (point >> 6 & 0x3F));
        out += char(0x80 | (point & 0x3F));
    }
}

std::string Label(int index) {
    const char16_t* text = GetText(index);
    return text ? Utf8FromUtf16(text) : std::string();
}

}  // namespace

std::string Utf8FromUtf16(std::u16string_view text) {
    std::string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        uint32_t point = text[i];
        if (point >= 0xD800 && point <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 &&
            text[i + 1] <= 0xDFFF) {
            point = 0x10000 + ((point - 0xD800) << 10) + (text[i + 1] - 0xDC00);
            ++i;
        } else if (point >= 0xD800 && point <= 0xDFFF) {
            point = 0xFFFD;
        }
        AppendCodePoint(out, point);
    }
    return out;
}

void AppendHtmlEscaped(std::string& out, std::string_view text) {
    for (char c : text) {
        switch (c) {
            case '&':
                out += "&amp;";
                break;
            case '<':
                out += "&lt;";
                break;
            case '>':
                out += "&gt;";
                break;
            case '"':
                out += "&quot;";
                break;
            case '\'':
                out += "&#39;";
                break;
            default:
                out += c;
        }
    }
}

bool IsRightToLeftLanguage(int language) {
    return language == 23 || language == 31 || language == 33;
}

const char* LanguageTag(int language) {
    return language >= 0 && language < kLanguageTagCount ? kLanguageTags[language] : "en";
}

ReportTexts LookUpReportTexts() {
    LoadExtendedTexts();
    ReportTexts texts;
    texts.languageTag = LanguageTag(CurrentLanguage);
    texts.rightToLeft = IsRightToLeftLanguage(CurrentLanguage);
    std::string* const labels[] = {
        &texts.title,    &texts.noErrors,      &texts.errorsFound,  &texts.loadCouldNotRun, &texts.started,
        &texts.ended,    &texts.durationAsked, &texts.untilStopped, &texts.ranFor,          &texts.timeSinceStart,
        &texts.settings, &texts.machine,       &texts.errors,       &texts.rates,           &texts.minimum,
        &texts.median,   &texts.maximum,       &texts.processor,    &texts.physicalMemory,  &texts.windowsVersion,
        &texts.foundBy,  &texts.details,       &texts.hardwareLog,
    };
    // The report's own texts are numbered 164 to 186 in the order of the list above.
    int index = 164;
    for (std::string* label : labels)
        *label = Label(index++);
    // The same words as the options menu's rows.
    texts.verifyResults = Label(111);
    texts.stopOnError = Label(112);
    texts.firstErrorsListed = Label(189);
    texts.on = Label(39);
    texts.off = Label(40);
    texts.paintLoops = Label(46);
    texts.processors = Label(48);
    texts.diskCache = Label(229);
    texts.diskWrite = Label(227);
    texts.diskRead = Label(228);
    const int loadTexts[4] = {42, 43, 44, 60};
    for (int load = 0; load < 4; ++load)
        texts.loadNames[load] = Label(loadTexts[load]);
    texts.oneProcessorAtATime = Label(193);
    texts.floatingPoint = Label(199);
    // The heavy loads' report texts are numbered 203 to 214 in this order.
    std::string* const heavyLabels[] = {
        &texts.duration,     &texts.belowBy, &texts.processorsSection,  &texts.lastMinute,
        &texts.throttling,   &texts.slow,    &texts.processorFrequency, &texts.clockNotAvailable,
        &texts.memoryTested, &texts.ofAsked, &texts.instructionSet,     &texts.notReached,
    };
    index = 203;
    for (std::string* label : heavyLabels)
        *label = Label(index++);
    return texts;
}
