// The language text's source is UTF-8; the program reads UTF-16LE. This converts one into the other.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// Appends the UTF-16LE bytes of `source`, led by the byte-order mark (one at the source's start is not
// doubled). Returns false, with the offset of the first bad byte, when the source is not valid UTF-8: a
// damaged source must fail the build instead of shipping wrong text.
bool Utf8ToUtf16Le(const std::string& source, std::vector<uint8_t>& out, size_t& badOffset);
