// Painting the main window's client area: the gradient and the info text with its shadow.
#pragma once

#include <windows.h>

// Paints the area between the toolbar and status bands: in the info view (clientViewMode) the gradient and the
// info text, in the blank view nothing. A null device context paints nothing. Called between BeginPaint and
// EndPaint.
void PaintClientArea(HDC dc, HWND window);

// Draws the text in black, then again in white moved by `offset` (0 or negative) to the left and up, so the
// black copy shows as a shadow to the lower right. Word-wrapped in the rectangle, not clipped to it.
void DrawShadowedText(HDC dc, const char16_t* text, const RECT& rectangle, int offset);
