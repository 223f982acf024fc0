// The client area painted into a 24-bit bitmap: the gradient line by line, the info text with its shadow, the
// untouched bands, and the blank view.
#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>

#include "app/ClientPaint.h"
#include "app/WindowProc.h"
#include "stress/StressState.h"

namespace {

struct Rgb {
    int red, green, blue;
    bool operator==(const Rgb& other) const { return red == other.red && green == other.green && blue == other.blue; }
    bool Light() const { return red > 192 && green > 192 && blue > 192; }
    bool Dark() const { return red < 64 && green < 64 && blue < 64; }
};

std::ostream& operator<<(std::ostream& out, const Rgb& colour) {
    return out << "(" << colour.red << ", " << colour.green << ", " << colour.blue << ")";
}

constexpr Rgb kMarker = {0x12, 0x34, 0x56};

// A memory device context over a top-down 24-bit bitmap, and a hidden window whose client area has the same
// size, since the painting takes its geometry from the window.
class ClientPaintTest : public testing::Test {
protected:
    void Open(int width, int height) {
        width_ = width;
        height_ = height;
        window_ = CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, width, height, nullptr, nullptr,
                                  GetModuleHandleW(nullptr), nullptr);
        BITMAPINFO info = {};
        info.bmiHeader.biSize = sizeof(info.bmiHeader);
        info.bmiHeader.biWidth = width;
        info.bmiHeader.biHeight = -height;
        info.bmiHeader.biPlanes = 1;
        info.bmiHeader.biBitCount = 24;
        info.bmiHeader.biCompression = BI_RGB;
        dc_ = CreateCompatibleDC(nullptr);
        bitmap_ = CreateDIBSection(dc_, &info, DIB_RGB_COLORS, reinterpret_cast<void**>(&bits_), nullptr, 0);
        previous_ = SelectObject(dc_, bitmap_);
        Fill(kMarker);
    }

    void TearDown() override {
        clientViewMode = kInfoView;
        if (dc_) {
            SelectObject(dc_, previous_);
            DeleteObject(bitmap_);
            DeleteDC(dc_);
        }
        if (window_)
            DestroyWindow(window_);
    }

    void Fill(Rgb colour) {
        for (int y = 0; y < height_; ++y) {
            for (int x = 0; x < width_; ++x) {
                unsigned char* pixel = Row(y) + 3 * x;
                pixel[0] = BYTE(colour.blue);
                pixel[1] = BYTE(colour.green);
                pixel[2] = BYTE(colour.red);
            }
        }
    }

    unsigned char* Row(int y) const { return bits_ + y * ((width_ * 3 + 3) & ~3); }
    Rgb At(int x, int y) const {
        GdiFlush();
        const unsigned char* pixel = Row(y) + 3 * x;
        return {pixel[2], pixel[1], pixel[0]};
    }

    // The first row in [top, bottom) that differs from the marker colour, or bottom.
    int FirstChangedRow(int top, int bottom) const {
        for (int y = top; y < bottom; ++y) {
            for (int x = 0; x < width_; ++x) {
                if (!(At(x, y) == kMarker))
                    return y;
            }
        }
        return bottom;
    }

    HWND window_ = nullptr;
    HDC dc_ = nullptr;
    HBITMAP bitmap_ = nullptr;
    HGDIOBJ previous_ = nullptr;
    unsigned char* bits_ = nullptr;
    int width_ = 0;
    int height_ = 0;
};

}  // namespace

TEST_F(ClientPaintTest, TheInfoViewDrawsTheGradientLineByLineBetweenTheBands) {
    Open(640, 600);
    ComposeStressStatus();
    const HGDIOBJ fontBefore = GetCurrentObject(dc_, OBJ_FONT);
    PaintClientArea(dc_, window_);

    EXPECT_EQ(At(5, 24), (Rgb{0, 0, 200})) << "first line";
    EXPECT_EQ(At(5, 24 + 276), (Rgb{100, 0, 100})) << "middle line";
    EXPECT_EQ(At(5, 24 + 551), (Rgb{199, 0, 1})) << "last line";
    EXPECT_EQ(At(639, 24 + 551), (Rgb{199, 0, 1})) << "to the right edge";
    EXPECT_EQ(FirstChangedRow(0, 24), 24) << "the toolbar band is untouched";
    EXPECT_EQ(FirstChangedRow(576, 600), 600) << "the status band is untouched";
    EXPECT_EQ(GetCurrentObject(dc_, OBJ_FONT), fontBefore) << "the device context gets its own font back";
}

TEST_F(ClientPaintTest, TheGradientFollowsTheBarsTheLayoutPublished) {
    // Bars grown at 200 %: the gradient spans exactly the area between them.
    Stress.topBandHeight = 48;
    Stress.bottomBandHeight = 40;
    Open(640, 600);
    PaintClientArea(dc_, window_);
    Stress.topBandHeight = kBandHeight;
    Stress.bottomBandHeight = kBandHeight;
    EXPECT_EQ(At(5, 48), (Rgb{0, 0, 200})) << "first line";
    EXPECT_EQ(At(5, 559), (Rgb{199, 0, 1})) << "last line";
    EXPECT_EQ(FirstChangedRow(0, 48), 48) << "the toolbar band is untouched";
    EXPECT_EQ(FirstChangedRow(560, 600), 600) << "the status band is untouched";
}

TEST_F(ClientPaintTest, TheShadowStandsToTheLowerRightByTheOffset) {
    Open(400, 200);
    Fill({128, 128, 128});
    HFONT font = CreateFontW(-40, 0, 0, 0, FW_BOLD, 0, 0, 0, DEFAULT_CHARSET, 0, 0, 0, 0, L"Arial");
    const HGDIOBJ previousFont = SelectObject(dc_, font);
    SetBkMode(dc_, TRANSPARENT);
    const RECT area = {50, 50, 400, 200};
    DrawShadowedText(dc_, u"IIII", area, -6);
    SelectObject(dc_, previousFont);
    DeleteObject(font);
    EXPECT_EQ(area.left, 50) << "the caller's rectangle is kept";

    int lightRight = -1, lightBottom = -1, darkRight = -1, darkBottom = -1, lightLeft = 400, darkLeft = 400;
    for (int y = 0; y < 200; ++y) {
        for (int x = 0; x < 400; ++x) {
            if (At(x, y).Light()) {
                lightRight = std::max(lightRight, x);
                lightBottom = std::max(lightBottom, y);
                lightLeft = std::min(lightLeft, x);
            } else if (At(x, y).Dark()) {
                darkRight = std::max(darkRight, x);
                darkBottom = std::max(darkBottom, y);
                darkLeft = std::min(darkLeft, x);
            }
        }
    }
    ASSERT_GE(lightRight, 0) << "white text drawn";
    ASSERT_GE(darkRight, 0) << "black text drawn";
    EXPECT_NEAR(darkRight - lightRight, 6, 1);
    EXPECT_NEAR(darkBottom - lightBottom, 6, 1);
    EXPECT_LT(lightLeft, 50) << "the white copy starts left of the rectangle";
    EXPECT_GE(darkLeft, 44);
}

TEST_F(ClientPaintTest, TheBlankViewAndANullDeviceContextPaintNothing) {
    Open(320, 240);
    clientViewMode = kBlankView;
    PaintClientArea(dc_, window_);
    EXPECT_EQ(FirstChangedRow(0, 240), 240);

    clientViewMode = kInfoView;
    PaintClientArea(nullptr, window_);
    EXPECT_EQ(FirstChangedRow(0, 240), 240);
}
