// The compressed language text embedded in the program: a 4-byte little-endian length, then the LZARI stream.
// The build generates its definition from resources/language.txt (tools/lzari_pack).
#pragma once

#include <cstddef>

extern const unsigned char kLanguageResource[];
extern const size_t kLanguageResourceSize;
