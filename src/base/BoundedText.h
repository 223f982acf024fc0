// Appending UTF-16 text to a fixed buffer: never past its end, always terminated, never ending in half a
// character. The captions, the title, the status line and the info text are all written through it.
#pragma once

#include <string_view>

class BoundedText {
public:
    // Writes into `buffer` of `capacity` units, the terminator included; starts it empty.
    BoundedText(char16_t* buffer, int capacity);

    // Appends as much of the text as fits before the terminator's place. A surrogate pair that does not fit whole
    // is left out whole, and once something did not fit nothing more is appended, not even a short text that
    // would still fit, so the text always ends where it was first cut.
    void Append(std::u16string_view text);
    // A null text appends nothing.
    void Append(const char16_t* text);
    // Plain ASCII, widened unit by unit.
    void AppendAscii(const char* text);

    // Units written, without the terminator.
    int length() const { return length_; }

private:
    char16_t* buffer_;
    int capacity_;
    int length_ = 0;
    bool full_ = false;
};
