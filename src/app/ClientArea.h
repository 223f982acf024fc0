// The client area's geometry and colours: the arithmetic behind its painting.
#pragma once

#include <cstdint>

// The gradient's colour for line `line` of `height` lines, as 0x00BBGGRR: red rises from 0 to 199 down the
// area while blue falls from 200 to 1.
uint32_t GradientLineColour(int line, int height);

// The info text's character height for a client width: negative, so that the font mapper matches the
// character height rather than the cell height.
int InfoFontHeight(int clientWidth);
// How far the white copy of the info text stands left of and above its black shadow: 0 or negative.
int ShadowOffset(int clientWidth);
