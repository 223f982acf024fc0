// The gradient's colours and the info text's size and shadow offset, all from the client area's size.
#include "app/ClientArea.h"

uint32_t GradientLineColour(int line, int height) {
    const int red = int(double(line) / double(height) * 200.0);
    const int blue = 200 - red;
    return uint32_t(blue) << 16 | uint32_t(red);
}

int InfoFontHeight(int clientWidth) {
    return int(double(clientWidth) * -0.0203125);
}

int ShadowOffset(int clientWidth) {
    return int(double(clientWidth) * -0.0023437500000000003);
}
