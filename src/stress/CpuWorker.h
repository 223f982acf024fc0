// The processor load's busy loop and the arithmetic of its published rate.
#pragma once

#include <cstdint>

// Stateless: every processor worker calls MegaAdd on the one global instance.
class MegaAddCalculator {
public:
    virtual ~MegaAddCalculator();
    // Performs passes × 100 additions, each reading one of three shared cells from memory; returns 0.
    int MegaAdd(int32_t passes);
};

extern MegaAddCalculator MegaAdder;

// Millions of additions per second of the whole machine, estimated from one worker's calls of 100 million
// additions over the given interval, multiplied by the number of processors.
double MegaAddRateFor(int calls, int64_t milliseconds, int processors);
