// The compressed language texts embedded in the program: each a 4-byte little-endian length, then the LZARI
// stream. The build generates their definitions from resources/language.txt and resources/language-extended.txt
// (tools/lzari_pack).
#pragma once

#include <cstddef>

extern const unsigned char kLanguageResource[];
extern const size_t kLanguageResourceSize;

// The texts of the newer features, expanded only when one of them is first needed.
extern const unsigned char kExtendedLanguageResource[];
extern const size_t kExtendedLanguageResourceSize;
