// The paint load's generator, strip colours and rate arithmetic, and the counters its workers share.
#include "stress/PaintWorker.h"

std::atomic<uint32_t> paintRandomState{kPaintRandomSeed};
std::atomic<int32_t> paintPassCount{0};
std::atomic<double> paintPixelSum{0.0};
std::atomic<int32_t> bitsPerPixel{0};

uint32_t NextRandom() {
    const uint32_t next = paintRandomState.load(std::memory_order_relaxed) * 69069u + 1u;
    paintRandomState.store(next, std::memory_order_relaxed);
    return next;
}

uint32_t StripColour(uint32_t first, uint32_t second, uint32_t third) {
    const uint32_t red = first & 0x1F;
    const uint32_t green = second % 222u;
    const uint32_t blue = third & 0x1F;
    return blue << 16 | green << 8 | red;
}

uint32_t NextStripColour() {
    // Three separate statements: the order of the draws is fixed (red, green, blue).
    const uint32_t first = NextRandom();
    const uint32_t second = NextRandom();
    const uint32_t third = NextRandom();
    return StripColour(first, second, third);
}

double PassPixels(int clientWidth, int trimmedHeight) {
    return double(std::max(clientWidth, 0)) * double(std::max(trimmedHeight, 0));
}

bool ComputePaintRates(int passes, double pixels, int bits, int64_t milliseconds, PaintRates& rates) {
    // 51 passes that paint nothing (a minimised window) can finish within one clock tick; dividing by that
    // interval would publish infinity or NaN.
    if (milliseconds <= 0)
        return false;
    const double seconds = double(milliseconds) * 0.001;
    rates.megabytesPerSecond = double(bits) * 0.125 * pixels / seconds * (1.0 / 1048576.0);
    rates.loopRate = double(passes) / seconds;
    return true;
}
