// Text-to-integer conversion of INI values, independent of any platform library.
#include "settings/IniValue.h"

namespace {

bool IsBlank(char16_t c) {
    return c == u' ' || c == u'\t' || c == u'\n' || c == u'\v' || c == u'\f' || c == u'\r';
}

}  // namespace

int32_t ParseIniInteger(const char16_t* text) {
    if (!text)
        return 0;
    while (IsBlank(*text))
        ++text;
    bool negative = false;
    if (*text == u'+' || *text == u'-') {
        negative = *text == u'-';
        ++text;
    }
    // Accumulate in 64 bits and stop growing once past the 32-bit range, so huge values cannot overflow.
    constexpr int64_t kLimit = int64_t(INT32_MAX) + 1;
    int64_t magnitude = 0;
    for (; *text >= u'0' && *text <= u'9'; ++text) {
        if (magnitude <= kLimit)
            magnitude = magnitude * 10 + (*text - u'0');
    }
    if (negative)
        return magnitude >= kLimit ? INT32_MIN : int32_t(-magnitude);
    return magnitude > INT32_MAX ? INT32_MAX : int32_t(magnitude);
}
