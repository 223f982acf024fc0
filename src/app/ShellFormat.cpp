// The status line, the title, toolbar captions and the toolbar font height, composed into bounded buffers.
#include "app/ShellFormat.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdint>
#include <cstdio>

#include "base/BoundedText.h"

int FormatStatusLine(char16_t* buffer, int capacity, const StressState& state) {
    // Every part is ASCII, so the line is formatted narrow and widened unit by unit. A rate near the largest
    // double prints over 300 digits; snprintf cuts the line to the buffer instead of running past it.
    char narrow[kStatusLineCapacity];
    std::snprintf(narrow, sizeof(narrow),
                  "Stress:%s // Paint-Loops = Sek %.1f = %.0f MB // CPU-Stress:%s // HD-Stress:%s // "
                  "MEGA-ADD = Sek:%.1f // CPU-s:%d",
                  OnOffText(state.masterOn), state.paintLoopRate.load(kRelaxed),
                  state.paintMegabytesPerSecond.load(kRelaxed), OnOffText(state.cpuOn), OnOffText(state.diskOn),
                  state.megaAddRate.load(kRelaxed), int(state.processorCount.load(kRelaxed)));
    BoundedText writer(buffer, capacity);
    writer.AppendAscii(narrow);
    return writer.length();
}

int FormatWindowTitle(char16_t* buffer, int capacity, const char16_t* productName, int processorCount) {
    char count[16];
    std::snprintf(count, sizeof(count), "%d", processorCount);
    BoundedText writer(buffer, capacity);
    writer.Append(productName);
    writer.AppendAscii(" // Processors:");
    writer.AppendAscii(count);
    return writer.length();
}

int FormatCaption(char16_t* buffer, int capacity, const char16_t* format, const char16_t* text) {
    BoundedText writer(buffer, capacity);
    std::u16string_view rest = format ? format : u"";
    for (size_t placeholder; (placeholder = rest.find(u"%s")) != std::u16string_view::npos;
         rest.remove_prefix(placeholder + 2)) {
        writer.Append(rest.substr(0, placeholder));
        writer.Append(text);
    }
    writer.Append(rest);
    return writer.length();
}

int ToolbarFontHeight(int height) {
    const double scaled = std::trunc(double(height) * 1.2);
    // Heights near the integer limits would overflow the conversion; no real font comes near them.
    if (scaled >= double(INT_MAX))
        return INT_MAX;
    if (scaled <= double(INT_MIN))
        return INT_MIN;
    return int(scaled);
}

int ScaleToDpi(int length, int dpi) {
    if (dpi <= 0)
        return length;
    return int((int64_t(length) * dpi + kDefaultDpi / 2) / kDefaultDpi);
}

int BarHeightFor(int dpi, int textHeight) {
    if (dpi <= kDefaultDpi)
        return kBarHeight;
    return std::max(ScaleToDpi(kBarHeight, dpi), textHeight + ScaleToDpi(kBarTextRoom, dpi));
}

bool SameText(const char16_t* a, const char16_t* b) {
    while (*a && *a == *b) {
        ++a;
        ++b;
    }
    return *a == *b;
}
