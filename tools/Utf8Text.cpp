// UTF-8 to UTF-16LE for the language text's source, strict about what it accepts.
#include "Utf8Text.h"

namespace {

// One code point from a UTF-8 sequence starting at bytes[i]; false for anything that is not shortest-form
// UTF-8 of a scalar value (overlong forms, surrogates, values past U+10FFFF, cut-off sequences).
bool DecodeUtf8(const std::string& bytes, size_t& i, char32_t& codePoint) {
    const auto byteAt = [&](size_t k) { return static_cast<unsigned char>(bytes[k]); };
    const unsigned char lead = byteAt(i);
    int extra = 0;
    char32_t minimum = 0;
    if (lead < 0x80) {
        codePoint = lead;
    } else if (lead >= 0xC2 && lead <= 0xDF) {
        codePoint = lead & 0x1F;
        extra = 1;
        minimum = 0x80;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        codePoint = lead & 0x0F;
        extra = 2;
        minimum = 0x800;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        codePoint = lead & 0x07;
        extra = 3;
        minimum = 0x10000;
    } else {
        return false;
    }
    if (bytes.size() - i <= size_t(extra))
        return false;
    for (int k = 1; k <= extra; ++k) {
        const unsigned char next = byteAt(i + size_t(k));
        if ((next & 0xC0) != 0x80)
            return false;
        codePoint = codePoint << 6 | (next & 0x3F);
    }
    if (codePoint < minimum || codePoint > 0x10FFFF || (codePoint >= 0xD800 && codePoint <= 0xDFFF))
        return false;
    i += size_t(extra) + 1;
    return true;
}

void PutUnit(std::vector<uint8_t>& out, char32_t unit) {
    out.push_back(uint8_t(unit & 0xFF));
    out.push_back(uint8_t(unit >> 8));
}

}  // namespace

bool Utf8ToUtf16Le(const std::string& source, std::vector<uint8_t>& out, size_t& badOffset) {
    PutUnit(out, 0xFEFF);
    size_t i = source.compare(0, 3, "\xEF\xBB\xBF") == 0 ? 3 : 0;
    while (i < source.size()) {
        char32_t codePoint = 0;
        if (!DecodeUtf8(source, i, codePoint)) {
            badOffset = i;
            return false;
        }
        if (codePoint >= 0x10000) {
            codePoint -= 0x10000;
            PutUnit(out, 0xD800 + (codePoint >> 10));
            PutUnit(out, 0xDC00 + (codePoint & 0x3FF));
        } else {
            PutUnit(out, codePoint);
        }
    }
    return true;
}
