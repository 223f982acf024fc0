// What the shell composes without a Windows call: the status line, the title, toolbar captions and the toolbar
// font's height. Every writer takes its buffer's capacity, always terminates and cuts instead of overflowing.
#pragma once

#include "stress/StressState.h"

constexpr int kStatusLineCapacity = 1024;
constexpr int kTitleCapacity = 256;
constexpr int kCaptionCapacity = 256;
constexpr int kAddressCapacity = 1024;

// "Stress:%s // Paint-Loops = Sek %.1f = %.0f MB // CPU-Stress:%s // HD-Stress:%s // MEGA-ADD = Sek:%.1f //
// CPU-s:%d" from the master, processor and disk switches, the three rates and the processor count.
// Returns the number of units written, without the terminator.
int FormatStatusLine(char16_t* buffer, int capacity, const StressState& state);

// "%s // Processors:%d" from the product name (null counts as empty) and the processor count.
int FormatWindowTitle(char16_t* buffer, int capacity, const char16_t* productName, int processorCount);

// Copies the format with every "%s" replaced by the text (null counts as empty). The text is never read as a
// format, so a translation holding "%" or "%s" shows as it stands.
int FormatCaption(char16_t* buffer, int capacity, const char16_t* format, const char16_t* text);

// The toolbar font's height: 1.2 times the toolbar's own, truncated toward zero (-12 gives -14).
int ToolbarFontHeight(int height);

// 96 DPI is 100 %: the layout's pixel sizes are given at it.
constexpr int kDefaultDpi = 96;
// The bars' height at 96 DPI, and the room it leaves around a caption 16 pixels high.
constexpr int kBarHeight = 24;
constexpr int kBarTextRoom = 8;

// A length of the 96-DPI layout at another DPI, rounded to the nearest pixel. A DPI of 0 or less (unknown)
// leaves the length as it is.
int ScaleToDpi(int length, int dpi);
// The height of the rebar, the toolbars and the status bar for captions `textHeight` pixels high: exactly 24 at
// 96 DPI and below, so the 100 % layout never changes; above, 24 scaled and at least the text plus its room
// scaled, so that no caption is cut.
int BarHeightFor(int dpi, int textHeight);

// Exact comparison of two terminated texts.
bool SameText(const char16_t* a, const char16_t* b);
