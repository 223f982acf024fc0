// The client area's background gradient, drawn line by line, and the info text in white over a black shadow.
#include "app/ClientPaint.h"

#include "app/ClientArea.h"
#include "app/InfoText.h"
#include "app/WindowProc.h"
#include "base/WideText.h"
#include "stress/StressState.h"

namespace {

constexpr UINT kTextFormat = DT_WORDBREAK | DT_NOCLIP;
constexpr int kTextMargin = 30;

LOGFONTW InfoFont(int clientWidth) {
    LOGFONTW font = {};
    font.lfHeight = InfoFontHeight(clientWidth);
    font.lfWeight = FW_BOLD;
    font.lfItalic = 1;
    font.lfCharSet = DEFAULT_CHARSET;
    lstrcpyW(font.lfFaceName, L"Arial");
    return font;
}

// One opaque fill per line in the background colour: cheaper than a brush per line, and the window is never
// erased first, so every pixel of the area is drawn exactly once.
void PaintGradient(HDC dc, int width, int areaTop, int height) {
    for (int line = 0; line < height; ++line) {
        SetBkColor(dc, COLORREF(GradientLineColour(line, height)));
        const RECT row = {0, areaTop + line, width, areaTop + line + 1};
        ExtTextOutW(dc, 0, 0, ETO_OPAQUE, &row, nullptr, 0, nullptr);
    }
}

}  // namespace

void PaintClientArea(HDC dc, HWND window) {
    if (!dc)
        return;
    RECT client = {};
    GetClientRect(window, &client);
    const int width = client.right - client.left;
    // The same bands as the paint load's: between the bars, at their real heights.
    const int areaTop = client.top + Stress.topBandHeight.load(kRelaxed);
    const int areaBottom = client.bottom - Stress.bottomBandHeight.load(kRelaxed);
    const LOGFONTW fontDescription = InfoFont(width);
    if (clientViewMode != kInfoView)
        return;
    PaintGradient(dc, width, areaTop, areaBottom - areaTop);

    // Built anew on every paint, since its size follows the width. Without it the text is drawn in the
    // current font.
    HFONT font = CreateFontIndirectW(&fontDescription);
    HGDIOBJ previousFont = font ? SelectObject(dc, font) : nullptr;
    SetBkMode(dc, TRANSPARENT);
    const RECT textArea = {client.left + kTextMargin, areaTop + kTextMargin, client.right, areaBottom};
    DrawShadowedText(dc, ComposeInfoText(), textArea, ShadowOffset(width));
    if (font) {
        SelectObject(dc, previousFont);
        DeleteObject(font);
    }
}

void DrawShadowedText(HDC dc, const char16_t* text, const RECT& rectangle, int offset) {
    RECT area = rectangle;
    SetTextColor(dc, RGB(0, 0, 0));
    DrawTextW(dc, AsWide(text), lstrlenW(AsWide(text)), &area, kTextFormat);
    area = rectangle;
    area.left += offset;
    area.top += offset;
    SetTextColor(dc, RGB(255, 255, 255));
    DrawTextW(dc, AsWide(text), lstrlenW(AsWide(text)), &area, kTextFormat);
}
