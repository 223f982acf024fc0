// The paint load's generator, strip colours and strip layout, its shared counters and its rate arithmetic.
#pragma once

#include <algorithm>
#include <atomic>
#include <cstdint>

// The generator's state at program start; it is never reseeded and carries on across paint workers.
constexpr uint32_t kPaintRandomSeed = 0xEA38A250;
constexpr int kStripHeight = 10;
// A measurement is made once more than this many passes have been counted, that is every 51 passes.
constexpr int kPassesBeforeMeasurement = 50;

// Shared by every paint worker: two can run at once after a quick off and on. The counters take atomic
// additions; the generator's state is a plain atomic whose update may lose a step between two workers, which
// only repeats a colour.
extern std::atomic<uint32_t> paintRandomState;
extern std::atomic<int32_t> paintPassCount;
extern std::atomic<double> paintPixelSum;
// The screen's colour depth the rates are computed with: taken from the screen at the first measurement and kept
// until the display changes (ForgetScreenColourDepth), since asking the screen at every measurement is slow under
// Wine. 0 until taken.
extern std::atomic<int32_t> bitsPerPixel;

// The next value of the linear congruential generator (state × 69069 + 1, modulo 2^32).
uint32_t NextRandom();

// A strip's colour from three generator values, as 0x00BBGGRR: red and blue 0..31, green 0..221, so the
// strips range from near black to strong green.
uint32_t StripColour(uint32_t first, uint32_t second, uint32_t third);
// Draws three values and returns the next strip's colour.
uint32_t NextStripColour();

// Pixels one pass covers: the client width times the height between the bands, neither counted below zero.
double PassPixels(int clientWidth, int trimmedHeight);

// Calls fill(top, bottom) for each 10-pixel strip from the area's top down; the last strip ends at the
// area's bottom. Stops as soon as fill returns false.
template <typename Fill>
void ForEachStrip(int areaTop, int areaBottom, Fill fill) {
    for (int top = areaTop; top < areaBottom; top += kStripHeight) {
        if (!fill(top, std::min(top + kStripHeight, areaBottom)))
            return;
    }
}

struct PaintRates {
    double loopRate = 0.0;
    double megabytesPerSecond = 0.0;
};

// Passes per second and megabytes (of 1,048,576 bytes) per second for `passes` passes covering `pixels`
// pixels at `bits` bits per pixel in `milliseconds`. An interval of 0 ms or less has no rate: the result is
// false and `rates` is left as it was.
bool ComputePaintRates(int passes, double pixels, int bits, int64_t milliseconds, PaintRates& rates);
