// The gradient's colours and the info text's size and shadow offset for the client area's size.
#include <gtest/gtest.h>

#include "app/ClientArea.h"

namespace {

int Red(uint32_t colour) {
    return int(colour & 0xFF);
}
int Green(uint32_t colour) {
    return int(colour >> 8 & 0xFF);
}
int Blue(uint32_t colour) {
    return int(colour >> 16 & 0xFF);
}

}  // namespace

TEST(ClientArea, FontHeightAndShadowFollowTheWidth) {
    const struct {
        int width, height, offset;
    } cases[] = {{640, -13, -1}, {800, -16, -1}, {1280, -26, -3}, {1920, -39, -4}, {0, 0, 0}, {40, 0, 0}};
    for (const auto& c : cases) {
        EXPECT_EQ(InfoFontHeight(c.width), c.height) << "width " << c.width;
        EXPECT_EQ(ShadowOffset(c.width), c.offset) << "width " << c.width;
    }
}

TEST(ClientArea, TheGradientRunsFromBlueToRed) {
    const int height = 552;  // a client area 600 pixels high
    EXPECT_EQ(GradientLineColour(0, height), 200u << 16) << "the top line is blue 200";
    EXPECT_EQ(Red(GradientLineColour(276, height)), 100);
    EXPECT_EQ(Blue(GradientLineColour(276, height)), 100);
    EXPECT_EQ(Red(GradientLineColour(551, height)), 199);
    EXPECT_EQ(Blue(GradientLineColour(551, height)), 1);
    int previousRed = 0;
    for (int line = 0; line < height; ++line) {
        const uint32_t colour = GradientLineColour(line, height);
        ASSERT_EQ(Green(colour), 0) << "line " << line;
        ASSERT_EQ(Red(colour) + Blue(colour), 200) << "line " << line;
        ASSERT_GE(Red(colour), previousRed) << "line " << line;
        previousRed = Red(colour);
    }
    EXPECT_EQ(GradientLineColour(0, 1), 200u << 16) << "a one-line area";
}
