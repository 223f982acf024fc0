// Turns the text of an INI value into an integer the way the C runtime's text-to-long conversion does.
#pragma once

#include <cstdint>

// Leading blanks are skipped, an optional sign and the digits up to the first other character make the
// number, text without leading digits gives 0; a value beyond 32 bits saturates like a 32-bit long.
int32_t ParseIniInteger(const char16_t* text);
