// Making and reading the names of the real-disk load's files.
#include "stress/DiskFileName.h"

namespace {

constexpr char16_t kPrefix[] = u"kestrovane-disk-";
constexpr char16_t kSuffix[] = u".tmp";
constexpr size_t kPrefixLength = sizeof(kPrefix) / sizeof(char16_t) - 1;
constexpr size_t kSuffixLength = sizeof(kSuffix) / sizeof(char16_t) - 1;
constexpr size_t kTagDigits = 16;
constexpr size_t kNumberDigits = 8;
constexpr size_t kNameLength = kPrefixLength + kTagDigits + 1 + kNumberDigits + kSuffixLength;

void AppendHex(std::u16string& text, uint64_t value, size_t digits) {
    for (size_t i = digits; i-- > 0;)
        text += u"0123456789abcdef"[(value >> (4 * i)) & 0xF];
}

char16_t Lower(char16_t c) {
    return c >= u'A' && c <= u'Z' ? char16_t(c - u'A' + u'a') : c;
}

bool SameIgnoringCase(const std::u16string& text, size_t at, const char16_t* expected, size_t length) {
    for (size_t i = 0; i < length; ++i)
        if (Lower(text[at + i]) != expected[i])
            return false;
    return true;
}

bool ReadHex(const std::u16string& text, size_t at, size_t digits, uint64_t& value) {
    value = 0;
    for (size_t i = 0; i < digits; ++i) {
        const char16_t c = Lower(text[at + i]);
        int digit;
        if (c >= u'0' && c <= u'9')
            digit = c - u'0';
        else if (c >= u'a' && c <= u'f')
            digit = c - u'a' + 10;
        else
            return false;
        value = value << 4 | uint64_t(digit);
    }
    return true;
}

}  // namespace

std::u16string DiskFileName(uint64_t runTag, uint64_t fileNumber) {
    std::u16string name = kPrefix;
    AppendHex(name, runTag, kTagDigits);
    name += u'-';
    AppendHex(name, fileNumber, kNumberDigits);
    name += kSuffix;
    return name;
}

bool ParseDiskFileName(const std::u16string& name, uint64_t& runTag, uint64_t& fileNumber) {
    if (name.size() != kNameLength || !SameIgnoringCase(name, 0, kPrefix, kPrefixLength))
        return false;
    const size_t dash = kPrefixLength + kTagDigits;
    const size_t suffix = dash + 1 + kNumberDigits;
    return name[dash] == u'-' && SameIgnoringCase(name, suffix, kSuffix, kSuffixLength) &&
           ReadHex(name, kPrefixLength, kTagDigits, runTag) && ReadHex(name, dash + 1, kNumberDigits, fileNumber);
}

std::u16string DiskMutexName(uint64_t runTag) {
    std::u16string name = u"Local\\Kestrovane-disk-";
    AppendHex(name, runTag, kTagDigits);
    return name;
}
