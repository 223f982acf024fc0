// Composes the info text into a buffer of fixed size that it never writes past, whatever the texts hold.
#include "app/InfoText.h"

#include "base/BoundedText.h"
#include "i18n/LanguageTables.h"
#include "stress/StressState.h"

namespace {

// Cut at its end, never in half a character; once a text did not fit nothing after it is appended.
char16_t infoText[kInfoTextCapacity];

constexpr const char16_t* kCrLf = u"\r\n";
constexpr const char16_t* kRule = u"-----------------------------------------------";

}  // namespace

const char16_t* ComposeInfoText() {
    BoundedText info(infoText, int(kInfoTextCapacity));
    info.Append(kCrLf);
    info.Append(GetText(30));
    info.Append(kCrLf);
    info.Append(GetText(31));
    info.Append(kCrLf);
    info.Append(kCrLf);
    info.Append(GetText(32));
    info.Append(kCrLf);
    info.Append(GetText(33));
    info.Append(kCrLf);
    info.Append(kCrLf);
    for (int index = 34; index <= 37; ++index) {
        info.Append(GetText(index));
        if (index != 37)
            info.Append(kCrLf);
    }
    info.Append(kCrLf);
    info.Append(kCrLf);
    info.Append(kRule);
    info.Append(kCrLf);
    info.Append(Stress.stressStatusText);
    info.Append(kCrLf);
    info.Append(kRule);
    info.Append(kCrLf);
    info.Append(GetFixedText(22));
    info.Append(CurrentLanguage == 0 ? u"de" : u"com");
    return infoText;
}
