// The one crossing between the portable UTF-16 text (char16_t) and the Windows API's wchar_t.
#pragma once

static_assert(sizeof(wchar_t) == 2, "the Windows glue needs 16-bit wchar_t");

// Both types hold the same UTF-16 units, so the glue passes pointers across instead of copying. GCC would
// treat char16_t and wchar_t lvalues as unrelated under strict aliasing; the Windows targets are built with
// -fno-strict-aliasing so that reading the same units through either type is well defined there.
inline const wchar_t* AsWide(const char16_t* text) {
    return reinterpret_cast<const wchar_t*>(text);
}
inline wchar_t* AsWide(char16_t* text) {
    return reinterpret_cast<wchar_t*>(text);
}
inline const char16_t* AsUtf16(const wchar_t* text) {
    return reinterpret_cast<const char16_t*>(text);
}
inline char16_t* AsUtf16(wchar_t* text) {
    return reinterpret_cast<char16_t*>(text);
}
