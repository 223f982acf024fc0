// The frequency counters' instance names and the effective clock.
#include "run/ProcessorFrequency.h"

#include <cmath>
#include <limits>

namespace {

// Digits only, at most five of them: a group or a processor number.
bool ParseNumber(std::u16string_view text, int& value) {
    if (text.empty() || text.size() > 5)
        return false;
    value = 0;
    for (char16_t c : text) {
        if (c < u'0' || c > u'9')
            return false;
        value = value * 10 + int(c - u'0');
    }
    return true;
}

}  // namespace

bool ParseProcessorInstance(std::u16string_view name, int& group, int& number) {
    const size_t comma = name.find(u',');
    if (comma == std::u16string_view::npos)
        return false;
    return ParseNumber(name.substr(0, comma), group) && ParseNumber(name.substr(comma + 1), number);
}

double EffectiveMegahertz(double nominalMegahertz, double performancePercent) {
    if (!(nominalMegahertz > 0) || !(performancePercent > 0) || !std::isfinite(nominalMegahertz) ||
        !std::isfinite(performancePercent))
        return std::numeric_limits<double>::quiet_NaN();
    return nominalMegahertz * performancePercent / 100.0;
}
