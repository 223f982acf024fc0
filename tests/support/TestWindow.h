// A visible top-level window for painting tests: it never paints or erases itself, so what a test draws into
// it stays, and its pixels can be read back.
#pragma once

#include <windows.h>

// Creates the window with a client area of exactly width × height at the screen's top left; null on failure.
HWND CreatePaintTestWindow(int width, int height);
// Fills the whole client area with one colour.
void FillClient(HWND window, COLORREF colour);
COLORREF ClientPixel(HWND window, int x, int y);
// Handles the window's pending messages.
void PumpMessages();
