// The status line, the title, captions and the toolbar font height: exact texts and buffers that never overflow.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>
#include <vector>

#include "app/ShellFormat.h"

namespace {

constexpr char16_t kCanary = 0xBEEF;

// A buffer of `capacity` units followed by canaries that a writer running past its capacity would overwrite.
struct GuardedBuffer {
    explicit GuardedBuffer(int capacity) : units(size_t(capacity) + 8, kCanary), capacity(capacity) {}
    char16_t* data() { return units.data(); }
    std::u16string Text() const { return std::u16string(units.data()); }
    bool CanariesIntact() const {
        for (size_t i = size_t(capacity); i < units.size(); ++i) {
            if (units[i] != kCanary)
                return false;
        }
        return true;
    }
    std::vector<char16_t> units;
    int capacity;
};

void SetState(StressState& state,
              int master,
              int cpu,
              int disk,
              double loops,
              double megabytes,
              double megaAdd,
              int processors) {
    state.masterOn = master;
    state.cpuOn = cpu;
    state.diskOn = disk;
    state.paintLoopRate = loops;
    state.paintMegabytesPerSecond = megabytes;
    state.megaAddRate = megaAdd;
    state.processorCount = processors;
}

std::u16string StatusLine(const StressState& state) {
    GuardedBuffer buffer(kStatusLineCapacity);
    const int length = FormatStatusLine(buffer.data(), kStatusLineCapacity, state);
    EXPECT_TRUE(buffer.CanariesIntact());
    EXPECT_EQ(size_t(length), buffer.Text().size());
    return buffer.Text();
}

}  // namespace

TEST(StatusLine, ShowsTheSwitchesRatesAndProcessorsInTheirFixedFormat) {
    StressState state;
    SetState(state, 0, 1, 0, 0.0, 0.0, 0.0, 8);
    EXPECT_EQ(StatusLine(state),
              u"Stress:OFF // Paint-Loops = Sek 0.0 = 0 MB // CPU-Stress:ON // HD-Stress:OFF // MEGA-ADD = Sek:0.0 "
              u"// CPU-s:8");
    SetState(state, 1, 0, 1, 123.45, 2047.5, 98765.44, 2);
    EXPECT_EQ(StatusLine(state),
              u"Stress:ON // Paint-Loops = Sek 123.5 = 2048 MB // CPU-Stress:OFF // HD-Stress:ON // MEGA-ADD = "
              u"Sek:98765.4 // CPU-s:2");
}

TEST(StatusLine, NamesNeitherThePaintNorTheMemorySwitch) {
    StressState state;
    SetState(state, 1, 1, 1, 1.0, 2.0, 3.0, 4);
    const std::u16string before = StatusLine(state);
    state.paintOn = 1;
    state.memoryOn = 1;
    EXPECT_EQ(StatusLine(state), before);
}

TEST(StatusLine, StaysInsideItsBufferWhateverTheRates) {
    StressState state;
    const double huge = std::numeric_limits<double>::max();
    SetState(state, 1, 1, 1, huge, huge, huge, std::numeric_limits<int>::min());
    const std::u16string longest = StatusLine(state);
    EXPECT_EQ(longest.size(), size_t(kStatusLineCapacity - 1)) << "three rates of 309 digits fill the buffer";
    EXPECT_EQ(longest.substr(0, 32), u"Stress:ON // Paint-Loops = Sek 1");

    SetState(state, 1, 1, 1, std::nan(""), std::numeric_limits<double>::infinity(),
             -std::numeric_limits<double>::infinity(), 1);
    const std::u16string odd = StatusLine(state);
    EXPECT_NE(odd.find(u"inf MB"), std::u16string::npos) << std::string(odd.begin(), odd.end());
    EXPECT_EQ(odd.substr(odd.size() - 10), u"// CPU-s:1");

    for (int capacity : {1, 2, 10}) {
        GuardedBuffer small(capacity);
        EXPECT_EQ(FormatStatusLine(small.data(), capacity, state), capacity - 1);
        EXPECT_TRUE(small.CanariesIntact()) << capacity;
        EXPECT_EQ(small.Text(), std::u16string(u"Stress:ON // ").substr(0, size_t(capacity - 1)));
    }
}

TEST(WindowTitle, AppendsTheProcessorCountToTheProductName) {
    GuardedBuffer buffer(kTitleCapacity);
    FormatWindowTitle(buffer.data(), kTitleCapacity, u"Kestrovane 4.91", 8);
    EXPECT_EQ(buffer.Text(), u"Kestrovane 4.91 // Processors:8");
    FormatWindowTitle(buffer.data(), kTitleCapacity, nullptr, -2147483647 - 1);
    EXPECT_EQ(buffer.Text(), u" // Processors:-2147483648");

    // A product name longer than the buffer is cut, the terminator still inside.
    const std::u16string longName(2000, u'K');
    EXPECT_EQ(FormatWindowTitle(buffer.data(), kTitleCapacity, longName.c_str(), 8), kTitleCapacity - 1);
    EXPECT_EQ(buffer.Text(), longName.substr(0, kTitleCapacity - 1));
    EXPECT_TRUE(buffer.CanariesIntact());
}

TEST(Caption, ReplacesEveryPlaceholderAndNothingElse) {
    GuardedBuffer buffer(kCaptionCapacity);
    FormatCaption(buffer.data(), kCaptionCapacity, u"// %s", u"Paint-Stress");
    EXPECT_EQ(buffer.Text(), u"// Paint-Stress");
    FormatCaption(buffer.data(), kCaptionCapacity, u"# Kestrovane >>", u"ignored");
    EXPECT_EQ(buffer.Text(), u"# Kestrovane >>");
    // A missing text reads as empty; a translation's own "%s" or "%d" is shown, not expanded.
    FormatCaption(buffer.data(), kCaptionCapacity, u"[x] %s", nullptr);
    EXPECT_EQ(buffer.Text(), u"[x] ");
    FormatCaption(buffer.data(), kCaptionCapacity, u"# %s", u"100% %s %d");
    EXPECT_EQ(buffer.Text(), u"# 100% %s %d");
    FormatCaption(buffer.data(), kCaptionCapacity, u"%s%s", u"ab");
    EXPECT_EQ(buffer.Text(), u"abab");
    FormatCaption(buffer.data(), kCaptionCapacity, u"50% off%", u"x");
    EXPECT_EQ(buffer.Text(), u"50% off%");
}

TEST(Caption, CutsAnOverlongTranslationAtTheBuffer) {
    const std::u16string longText(1000, u'\u00E9');
    GuardedBuffer buffer(kCaptionCapacity);
    EXPECT_EQ(FormatCaption(buffer.data(), kCaptionCapacity, u"[x] %s", longText.c_str()), kCaptionCapacity - 1);
    EXPECT_EQ(buffer.Text(), u"[x] " + longText.substr(0, kCaptionCapacity - 5));
    EXPECT_TRUE(buffer.CanariesIntact());
}

TEST(Caption, IsNeverCutInHalfACharacter) {
    // An imported translation with a character beyond the basic plane where the buffer ends: "[x] " and 250
    // letters leave room for one unit, and the pair is left out whole.
    std::u16string text(kCaptionCapacity - 6, u'L');
    text += u"\U0001F600";
    GuardedBuffer buffer(kCaptionCapacity);
    EXPECT_EQ(FormatCaption(buffer.data(), kCaptionCapacity, u"[x] %s", text.c_str()), kCaptionCapacity - 2);
    EXPECT_EQ(buffer.Text(), u"[x] " + text.substr(0, kCaptionCapacity - 6));
    // One letter fewer and it fits whole.
    text.erase(0, 1);
    EXPECT_EQ(FormatCaption(buffer.data(), kCaptionCapacity, u"[x] %s", text.c_str()), kCaptionCapacity - 1);
    EXPECT_EQ(buffer.Text(), u"[x] " + text);
    EXPECT_TRUE(buffer.CanariesIntact());
}

TEST(ToolbarFont, IsAFifthLargerTruncatedTowardZero) {
    EXPECT_EQ(ToolbarFontHeight(-12), -14);
    EXPECT_EQ(ToolbarFontHeight(-10), -12);
    EXPECT_EQ(ToolbarFontHeight(16), 19);
    EXPECT_EQ(ToolbarFontHeight(-11), -13);
    EXPECT_EQ(ToolbarFontHeight(0), 0) << "an unreadable font keeps the font mapper's default height";
    EXPECT_EQ(ToolbarFontHeight(std::numeric_limits<int>::max()), std::numeric_limits<int>::max());
    EXPECT_EQ(ToolbarFontHeight(std::numeric_limits<int>::min()), std::numeric_limits<int>::min());
}

TEST(BarHeight, StaysAt24At96DpiAndGrowsWithTheScaleAndTheCaptions) {
    for (int textHeight : {0, 15, 16, 30})
        EXPECT_EQ(BarHeightFor(96, textHeight), 24) << "the 100 % layout never changes; text " << textHeight;
    EXPECT_EQ(BarHeightFor(72, 10), 24);
    EXPECT_EQ(BarHeightFor(144, 24), 36);
    EXPECT_EQ(BarHeightFor(192, 30), 48);
    EXPECT_EQ(BarHeightFor(120, 15), 30);
    EXPECT_EQ(BarHeightFor(144, 40), 52) << "a caption taller than the scaled bar gets its room";
    EXPECT_EQ(ScaleToDpi(24, 168), 42);
    EXPECT_EQ(ScaleToDpi(5, 120), 6) << "rounded to the nearest pixel";
    EXPECT_EQ(ScaleToDpi(24, 0), 24) << "an unknown DPI changes nothing";
}

TEST(SameText, ComparesExactlyAndCaseSensitively) {
    EXPECT_TRUE(SameText(u"", u""));
    EXPECT_TRUE(SameText(u"Stress:ON", u"Stress:ON"));
    EXPECT_FALSE(SameText(u"Stress:ON", u"Stress:on"));
    EXPECT_FALSE(SameText(u"Stress:ON", u"Stress:ON "));
    EXPECT_FALSE(SameText(u"", u"x"));
}
