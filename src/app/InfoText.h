// The info text of the client area: greeting, warning, the switches' meanings, the stress status and the
// closing notice, in the current language.
#pragma once

#include <cstddef>

// The info text's capacity in UTF-16 units, its terminator included. The built-in texts need about 600; an
// imported translation can make its lines any length, and the text then ends at the capacity.
constexpr size_t kInfoTextCapacity = 4096;

// Rebuilds the info text in the current language with the current stress status and returns it. The text
// stays valid until the next call; it is always terminated and never longer than kInfoTextCapacity - 1 units.
const char16_t* ComposeInfoText();
