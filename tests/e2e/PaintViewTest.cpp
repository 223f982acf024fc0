// The client area of the real program, read from screenshots: the idle gradient with its white, shadowed info
// text, the paint load's strips that leave the toolbars and the status bar alone, its rates in the status bar,
// and the blank view that keeps what was drawn until E brings the info view back.
#include <gtest/gtest.h>

#include <windows.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "e2e/E2eSupport.h"
#include "support/Scratch.h"

namespace {

constexpr int kMaster = 109;
constexpr int kBand = 24;

struct Rgb {
    int red, green, blue;
    bool operator==(const Rgb& other) const { return red == other.red && green == other.green && blue == other.blue; }
    // The paint load's strips: red and blue 0..31, green anything up to 221.
    bool StripLike() const { return red <= 31 && blue <= 31; }
    // Clearly green: no toolbar, status bar or text pixel looks like this.
    bool Green() const { return StripLike() && green > 40; }
    bool White() const { return red > 215 && green > 215 && blue > 215; }
    bool Black() const { return red < 40 && green < 40 && blue < 40; }
};

std::ostream& operator<<(std::ostream& out, const Rgb& colour) {
    return out << "(" << colour.red << ", " << colour.green << ", " << colour.blue << ")";
}

// A screenshot of a window's client area, taken from the screen as the user sees it.
class ClientShot {
public:
    explicit ClientShot(HWND window) {
        const RECT area = ClientScreenRect(window);
        width_ = area.right - area.left;
        height_ = area.bottom - area.top;
        if (width_ <= 0 || height_ <= 0)
            return;
        pixels_.resize(size_t(width_) * height_);
        HDC screen = GetDC(nullptr);
        HDC memory = CreateCompatibleDC(screen);
        BITMAPINFO info = {};
        info.bmiHeader.biSize = sizeof(info.bmiHeader);
        info.bmiHeader.biWidth = width_;
        info.bmiHeader.biHeight = -height_;
        info.bmiHeader.biPlanes = 1;
        info.bmiHeader.biBitCount = 32;
        info.bmiHeader.biCompression = BI_RGB;
        void* bits = nullptr;
        HBITMAP bitmap = CreateDIBSection(memory, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
        HGDIOBJ previous = SelectObject(memory, bitmap);
        BitBlt(memory, 0, 0, width_, height_, screen, area.left, area.top, SRCCOPY);
        GdiFlush();
        memcpy(pixels_.data(), bits, pixels_.size() * sizeof(uint32_t));
        SelectObject(memory, previous);
        DeleteObject(bitmap);
        DeleteDC(memory);
        ReleaseDC(nullptr, screen);
    }

    int width() const { return width_; }
    int height() const { return height_; }
    // Lines of the painted area between the bands.
    int AreaHeight() const { return height_ - 2 * kBand; }
    Rgb At(int x, int y) const {
        const uint32_t pixel = pixels_[size_t(y) * width_ + x];
        return {int(pixel >> 16 & 0xFF), int(pixel >> 8 & 0xFF), int(pixel & 0xFF)};
    }
    // The area's line i, at x.
    Rgb Line(int x, int i) const { return At(x, kBand + i); }

private:
    int width_ = 0;
    int height_ = 0;
    std::vector<uint32_t> pixels_;
};

Rgb GradientColour(int line, int height) {
    const int red = int(double(line) / height * 200.0);
    return {red, 0, 200 - red};
}

// The first, middle and last lines of the area, left of the text, have their gradient colours.
bool ShowsGradient(const ClientShot& shot) {
    const int height = shot.AreaHeight();
    if (height <= 0)
        return false;
    for (int line : {0, height / 2, height - 1}) {
        if (!(shot.Line(5, line) == GradientColour(line, height)))
            return false;
    }
    return true;
}

// The share of sampled area pixels that look like strips, and whether any is clearly green.
struct StripSurvey {
    double stripShare = 0;
    bool anyGreen = false;
};

StripSurvey SurveyArea(const ClientShot& shot) {
    StripSurvey survey;
    int samples = 0, strips = 0;
    for (int y = kBand; y < shot.height() - kBand; y += 3) {
        for (int x = 0; x < shot.width(); x += 7) {
            ++samples;
            strips += shot.At(x, y).StripLike();
            survey.anyGreen = survey.anyGreen || shot.At(x, y).Green();
        }
    }
    survey.stripShare = samples ? double(strips) / samples : 0;
    return survey;
}

// Pixels of the toolbar band and the status band that look like the paint load's green.
int GreenPixelsInBands(const ClientShot& shot) {
    int green = 0;
    for (int y = 0; y < shot.height(); ++y) {
        if (y == kBand)
            y = shot.height() - kBand;
        for (int x = 0; x < shot.width(); ++x)
            green += shot.At(x, y).Green();
    }
    return green;
}

// The paint figures of the status line ("Paint-Loops = Sek %.1f = %.0f MB"); false when it has none.
bool PaintRatesOf(const std::wstring& line, double* passes, double* megabytes) {
    const size_t at = line.find(L"Paint-Loops = Sek ");
    if (at == std::wstring::npos)
        return false;
    wchar_t* end = nullptr;
    *passes = wcstod(line.c_str() + at + 18, &end);
    if (!end || wcsncmp(end, L" = ", 3) != 0)
        return false;
    *megabytes = wcstod(end + 3, &end);
    return end && wcsncmp(end, L" MB", 3) == 0;
}

class PaintViewTest : public testing::Test {
protected:
    void TearDown() override { StopProgram(program_); }

    void Start(const std::string& iniText) {
        std::string error;
        ASSERT_TRUE(StartProgram(program_, scratch_.path(), iniText, &error)) << error;
    }

    bool WaitForGradient(DWORD timeout = 10000) {
        return WaitFor([&] { return ShowsGradient(ClientShot(program_.mainWindow)); }, timeout);
    }

    bool WaitForStrips() {
        return WaitFor(
            [&] {
                const StripSurvey survey = SurveyArea(ClientShot(program_.mainWindow));
                return survey.stripShare > 0.99 && survey.anyGreen;
            },
            10000);
    }

    bool WaitForStatusStart(const wchar_t* start) {
        std::wstring line;
        return WaitFor([&] { return ReadWindowText(program_.statusBar, &line) && line.rfind(start, 0) == 0; }, 10000);
    }

    void ToggleMaster() { ASSERT_TRUE(ClickToolbarButton(program_, program_.stressToolbar, kMaster)); }

    ScratchFolder scratch_;
    Program program_;
};

TEST_F(PaintViewTest, TheIdleWindowShowsTheGradientAndWhiteTextOverABlackShadow) {
    Start("[Program]\r\nlng=1\r\n");
    ASSERT_TRUE(WaitForGradient());
    const ClientShot shot(program_.mainWindow);
    const int height = shot.AreaHeight();
    EXPECT_EQ(shot.Line(5, 0), (Rgb{0, 0, 200})) << "top line";
    EXPECT_EQ(shot.Line(5, height / 2), GradientColour(height / 2, height)) << "middle line";
    EXPECT_EQ(shot.Line(5, height - 1), (Rgb{199, 0, 1})) << "bottom line";
    EXPECT_EQ(shot.Line(shot.width() - 1, height - 1), (Rgb{199, 0, 1})) << "across the whole width";

    // The white copy stands |offset| pixels left of and above the black one, so a black pixel finds white
    // up-left of it, not down-right.
    const int offset = -int(shot.width() * -0.0023437500000000003);
    int white = 0, black = 0, whiteUpLeft = 0, whiteDownRight = 0;
    for (int y = kBand + offset; y < shot.height() - kBand - offset; ++y) {
        for (int x = offset; x < shot.width() - offset; ++x) {
            white += shot.At(x, y).White();
            if (!shot.At(x, y).Black())
                continue;
            ++black;
            whiteUpLeft += shot.At(x - offset, y - offset).White();
            whiteDownRight += shot.At(x + offset, y + offset).White();
        }
    }
    EXPECT_GT(white, 1000) << "white text";
    EXPECT_GT(black, 300) << "black shadow";
    EXPECT_GT(whiteUpLeft, black / 2) << "the shadow lies to the lower right of the text";
    EXPECT_LT(whiteDownRight, whiteUpLeft / 2);
}

TEST_F(PaintViewTest, ThePaintLoadFillsTheAreaWithStripsAndShowsItsRates) {
    Start("[Program]\r\nlng=1\r\npaint=1\r\naggressiv=0\r\n");
    ASSERT_TRUE(WaitForGradient());
    ToggleMaster();
    ASSERT_TRUE(WaitForStrips()) << "no green strips over the whole area";
    double passes = 0, megabytes = 0;
    std::wstring line;
    EXPECT_TRUE(WaitFor(
        [&] {
            return ReadWindowText(program_.statusBar, &line) && PaintRatesOf(line, &passes, &megabytes) && passes > 0 &&
                   megabytes > 0;
        },
        10000))
        << "the status bar shows no paint rates";
    for (int shot = 0; shot < 5; ++shot)
        EXPECT_EQ(GreenPixelsInBands(ClientShot(program_.mainWindow)), 0) << "strips over a bar, screenshot " << shot;

    ToggleMaster();
    EXPECT_TRUE(WaitForGradient()) << "the gradient did not come back after the load stopped";
    EXPECT_FALSE(SurveyArea(ClientShot(program_.mainWindow)).anyGreen) << "a strip is left over the gradient";
    ASSERT_TRUE(WaitForStatusStart(L"Stress:OFF"));
    ASSERT_TRUE(ReadWindowText(program_.statusBar, &line));
    EXPECT_TRUE(PaintRatesOf(line, &passes, &megabytes) && passes > 0) << "the rates stay after the stop";
}

TEST_F(PaintViewTest, AnotherKeyBlanksTheViewAndEBringsItBack) {
    Start("[Program]\r\nlng=0\r\npaint=1\r\naggressiv=0\r\n");
    ASSERT_TRUE(WaitForGradient());
    PressKey(program_.mainWindow, 'A');
    // The master switch by its command rather than a click: under Wine the focus change that follows a click
    // can swallow the next key press, and this test is about the keys.
    SendToolbarCommand(program_, program_.stressToolbar, kMaster);
    ASSERT_TRUE(WaitForStrips());
    SendToolbarCommand(program_, program_.stressToolbar, kMaster);
    // The repaint the stop asks for comes before the timer tick that writes "OFF"; the blank view paints
    // nothing in it, so the last strips stay.
    ASSERT_TRUE(WaitForStatusStart(L"Stress:OFF"));
    const ClientShot blank(program_.mainWindow);
    EXPECT_FALSE(ShowsGradient(blank));
    EXPECT_GT(SurveyArea(blank).stripShare, 0.99) << "the blank view keeps the strips";

    PressKey(program_.mainWindow, 'E');
    EXPECT_TRUE(WaitForGradient()) << "E brings the info view back";
    EXPECT_EQ(ReadIniFile(program_), "[Program]\r\nlng=1\r\npaint=1\r\naggressiv=0\r\n");
}

}  // namespace
