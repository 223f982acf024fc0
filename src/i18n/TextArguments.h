// Language strings with numbered places for the texts that only the program knows (an option, a file name).
#pragma once

#include <initializer_list>
#include <string>
#include <string_view>

// Copies the text with "%1" to "%9" replaced by the arguments of that number (missing ones by nothing); any other
// '%' stays as it is. The arguments are never read as text with places, and a null text gives an empty one.
// Numbered places let a translation put the option after the words where its grammar wants it.
std::u16string InsertArguments(const char16_t* text, std::initializer_list<std::u16string_view> arguments);
