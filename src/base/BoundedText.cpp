// The one place that cuts UTF-16 text to a fixed buffer.
#include "base/BoundedText.h"

namespace {

bool IsHighSurrogate(char16_t unit) {
    return unit >= 0xD800 && unit <= 0xDBFF;
}

bool IsLowSurrogate(char16_t unit) {
    return unit >= 0xDC00 && unit <= 0xDFFF;
}

}  // namespace

BoundedText::BoundedText(char16_t* buffer, int capacity) : buffer_(buffer), capacity_(capacity) {
    if (capacity_ > 0)
        buffer_[0] = 0;
    else
        full_ = true;
}

void BoundedText::Append(std::u16string_view text) {
    for (size_t at = 0; at < text.size() && !full_; ++at) {
        const bool pair = IsHighSurrogate(text[at]) && at + 1 < text.size() && IsLowSurrogate(text[at + 1]);
        const int units = pair ? 2 : 1;
        if (length_ + units > capacity_ - 1) {
            full_ = true;
            break;
        }
        buffer_[length_++] = text[at];
        if (pair)
            buffer_[length_++] = text[++at];
    }
    if (capacity_ > 0)
        buffer_[length_] = 0;
}

void BoundedText::Append(const char16_t* text) {
    if (text)
        Append(std::u16string_view(text));
}

void BoundedText::AppendAscii(const char* text) {
    for (; *text && !full_; ++text) {
        const char16_t unit = char16_t(static_cast<unsigned char>(*text));
        Append(std::u16string_view(&unit, 1));
    }
}
