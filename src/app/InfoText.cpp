// Composes the info text into a buffer of fixed size that it never writes past, whatever the texts hold.
#include "app/InfoText.h"

#include "i18n/LanguageTables.h"
#include "stress/StressState.h"

namespace {

char16_t infoText[kInfoTextCapacity];
size_t infoLength = 0;
// Set once a text did not fit: nothing after the cut is appended, not even a short text that would still fit.
bool infoFull = false;

bool StartsSurrogatePair(const char16_t* text) {
    return text[0] >= 0xD800 && text[0] <= 0xDBFF && text[1] >= 0xDC00 && text[1] <= 0xDFFF;
}

// Appends as much of the text as fits before the terminator's place. A surrogate pair that does not fit whole
// is left out whole, so that a cut never leaves half a character.
void Append(const char16_t* text) {
    if (!text || infoFull)
        return;
    for (; *text; ++text) {
        const size_t units = StartsSurrogatePair(text) ? 2 : 1;
        if (infoLength + units > kInfoTextCapacity - 1) {
            infoFull = true;
            break;
        }
        infoText[infoLength++] = *text;
        if (units == 2)
            infoText[infoLength++] = *++text;
    }
    infoText[infoLength] = 0;
}

void AppendLanguageString(int index) {
    Append(GetText(index));
}

constexpr const char16_t* kCrLf = u"\r\n";
constexpr const char16_t* kRule = u"-----------------------------------------------";

}  // namespace

const char16_t* ComposeInfoText() {
    infoLength = 0;
    infoFull = false;
    infoText[0] = 0;
    Append(kCrLf);
    AppendLanguageString(30);
    Append(kCrLf);
    AppendLanguageString(31);
    Append(kCrLf);
    Append(kCrLf);
    AppendLanguageString(32);
    Append(kCrLf);
    AppendLanguageString(33);
    Append(kCrLf);
    Append(kCrLf);
    for (int index = 34; index <= 37; ++index) {
        AppendLanguageString(index);
        if (index != 37)
            Append(kCrLf);
    }
    Append(kCrLf);
    Append(kCrLf);
    Append(kRule);
    Append(kCrLf);
    Append(Stress.stressStatusText);
    Append(kCrLf);
    Append(kRule);
    Append(kCrLf);
    Append(GetFixedText(22));
    Append(CurrentLanguage == 0 ? u"de" : u"com");
    return infoText;
}
