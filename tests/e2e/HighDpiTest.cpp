// The real program at the screen's DPI: in the rig's own run at 100 %, and through tests/e2e/high-dpi.sh at
// 150 % and 200 % in a Wine prefix of its own. No caption is cut, and the client painting and the paint load keep
// exactly to the area between the bars, however high the bars have grown.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

#include <cstdlib>
#include <string>

#include "e2e/E2eSupport.h"
#include "support/Scratch.h"

namespace {

constexpr int kMaster = 109;
// Left of the info text, which starts 30 pixels in: only the gradient or the strips are drawn there.
constexpr int kProbeX = 5;
// A toolbar button draws its caption inside an edge of this many pixels on each side.
constexpr int kButtonEdges = 4;

int ScreenDpi() {
    HDC screen = GetDC(nullptr);
    const int dpi = GetDeviceCaps(screen, LOGPIXELSY);
    ReleaseDC(nullptr, screen);
    return dpi;
}

// The font the program gives its bars, built the same way from a toolbar's own font: a fifth larger, bold
// italic Arial.
HFONT BarFont() {
    InitCommonControls();
    HWND toolbar = CreateWindowExW(0, TOOLBARCLASSNAMEW, L"", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr,
                                   GetModuleHandleW(nullptr), nullptr);
    LOGFONTW font = {};
    GetObjectW(reinterpret_cast<HFONT>(SendMessageW(toolbar, WM_GETFONT, 0, 0)), sizeof(font), &font);
    DestroyWindow(toolbar);
    font.lfHeight = LONG(double(font.lfHeight) * 1.2);
    font.lfWeight = FW_BOLD;
    font.lfItalic = 1;
    font.lfCharSet = DEFAULT_CHARSET;
    lstrcpyW(font.lfFaceName, L"Arial");
    return CreateFontIndirectW(&font);
}

SIZE TextExtent(HFONT font, const std::wstring& text) {
    HDC dc = GetDC(nullptr);
    HGDIOBJ previous = SelectObject(dc, font);
    SIZE extent = {};
    GetTextExtentPoint32W(dc, text.c_str(), int(text.size()), &extent);
    SelectObject(dc, previous);
    ReleaseDC(nullptr, dc);
    return extent;
}

struct Rgb {
    int red, green, blue;
};

Rgb PixelOf(HWND window, int x, int y) {
    const RECT client = ClientScreenRect(window);
    const COLORREF pixel = ScreenPixel({client.left + x, client.top + y});
    return {GetRValue(pixel), GetGValue(pixel), GetBValue(pixel)};
}

// The paint load's strips: red and blue 0..31.
bool StripLike(Rgb colour) {
    return colour.red <= 31 && colour.blue <= 31;
}

// The client painting's gradient at line `line` of `height`: red rises from 0 while blue falls from 200.
bool GradientLine(Rgb colour, int line, int height) {
    const int red = int(double(line) / double(height) * 200.0);
    return colour.red == red && colour.green == 0 && colour.blue == 200 - red;
}

class HighDpi : public testing::Test {
protected:
    void SetUp() override {
        // Without awareness this process would see the program's pixels scaled to 96 DPI.
        SetProcessDPIAware();
        std::string error;
        ASSERT_TRUE(StartProgram(program_, scratch_.path(), "[Program]\r\npaint=1\r\naggressiv=0\r\n", &error))
            << error;
    }
    void TearDown() override { StopProgram(program_); }

    // Each button of the toolbar holds its caption with room for its edges, and lies inside the toolbar, which
    // lies inside the rebar: nothing of a caption is cut off.
    void ExpectCaptionsFit(HWND toolbar, HFONT font) {
        RECT bar = {};
        GetWindowRect(toolbar, &bar);
        const RECT inRebar = RectInParent(toolbar);
        EXPECT_GE(inRebar.top, 0);
        EXPECT_LE(inRebar.bottom, RectInParent(program_.rebar).bottom - RectInParent(program_.rebar).top);
        for (int index = 0; index < ToolbarButtonCount(toolbar); ++index) {
            const int command = ToolbarCommandAt(program_, toolbar, index);
            std::wstring caption;
            RECT button = {};
            ASSERT_TRUE(ToolbarButtonText(program_, toolbar, command, &caption)) << command;
            ASSERT_TRUE(ToolbarButtonScreenRect(program_, toolbar, command, &button)) << command;
            const SIZE text = TextExtent(font, caption);
            EXPECT_GE(button.right - button.left, text.cx + kButtonEdges) << "button " << command;
            EXPECT_GE(button.bottom - button.top, text.cy + kButtonEdges) << "button " << command;
            EXPECT_GE(button.top, bar.top) << "button " << command;
            EXPECT_LE(button.bottom, bar.bottom) << "button " << command;
        }
    }

    ScratchFolder scratch_;
    Program program_;
};

}  // namespace

TEST_F(HighDpi, NoCaptionIsCutAndThePaintingKeepsBetweenTheBars) {
    const int dpi = ScreenDpi();
    if (const char* expected = std::getenv("KV_EXPECTED_DPI")) {
        ASSERT_EQ(dpi, std::atoi(expected)) << "the prefix's LogPixels did not take effect";
    }
    HFONT font = BarFont();
    ExpectCaptionsFit(program_.stressToolbar, font);
    ExpectCaptionsFit(program_.commandToolbar, font);
    std::wstring status;
    ASSERT_TRUE(ReadWindowText(program_.statusBar, &status));
    const RECT statusBar = RectInParent(program_.statusBar);
    EXPECT_GE(statusBar.bottom - statusBar.top, TextExtent(font, status).cy + kButtonEdges) << "status bar";
    DeleteObject(font);
    if (dpi > 96) {
        EXPECT_GT(RectInParent(program_.rebar).bottom, 24) << "the bars grow with their font";
        EXPECT_GT(statusBar.bottom - statusBar.top, 24);
    }

    // The gradient runs from the rebar's bottom to the status bar's top.
    const RECT client = ClientScreenRect(program_.mainWindow);
    const int areaTop = RectInParent(program_.rebar).bottom;
    const int areaBottom = statusBar.top;
    const int height = areaBottom - areaTop;
    ASSERT_GT(height, 0);
    ASSERT_EQ(statusBar.bottom, client.bottom - client.top);
    EXPECT_TRUE(WaitFor(
        [&] {
            return GradientLine(PixelOf(program_.mainWindow, kProbeX, areaTop), 0, height) &&
                   GradientLine(PixelOf(program_.mainWindow, kProbeX, areaBottom - 1), height - 1, height);
        },
        5000))
        << "the gradient's first and last lines";
    EXPECT_FALSE(GradientLine(PixelOf(program_.mainWindow, kProbeX, areaTop - 1), 0, height)) << "over the rebar";

    // The paint load's strips fill the same area and never the bars.
    SendToolbarCommand(program_, program_.stressToolbar, kMaster);
    EXPECT_TRUE(WaitFor(
        [&] {
            return StripLike(PixelOf(program_.mainWindow, kProbeX, areaTop)) &&
                   StripLike(PixelOf(program_.mainWindow, kProbeX, areaBottom - 1)) &&
                   StripLike(PixelOf(program_.mainWindow, (client.right - client.left) / 2, areaTop));
        },
        10000))
        << "strips from the rebar's bottom to the status bar's top";
    for (int sample = 0; sample < 20; ++sample) {
        EXPECT_FALSE(StripLike(PixelOf(program_.mainWindow, kProbeX, areaTop - 1))) << "a strip over the rebar";
        EXPECT_FALSE(StripLike(PixelOf(program_.mainWindow, kProbeX, areaBottom))) << "a strip over the status bar";
        Sleep(50);
    }
}
