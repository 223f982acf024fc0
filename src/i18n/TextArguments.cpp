// Fills the numbered places of a language string.
#include "i18n/TextArguments.h"

std::u16string InsertArguments(const char16_t* text, std::initializer_list<std::u16string_view> arguments) {
    std::u16string result;
    if (!text)
        return result;
    for (const char16_t* p = text; *p; ++p) {
        if (p[0] == u'%' && p[1] >= u'1' && p[1] <= u'9') {
            const size_t index = size_t(p[1] - u'1');
            if (index < arguments.size())
                result += arguments.begin()[index];
            ++p;
            continue;
        }
        result += *p;
    }
    return result;
}
