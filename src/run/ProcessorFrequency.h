// Each processor's clock where Windows offers it without administrator rights: the performance counters
// "Processor Frequency" (the nominal clock, MHz) and "% Processor Performance" (the share of it the processor runs
// at now) of the Processor Information object, whose instances are named "group,number".
#pragma once

#include <string_view>
#include <vector>

#include "stress/ProcessorTopology.h"

// The group and number of an instance name such as "0,3"; false for the totals ("_Total", "0,_Total") and
// anything else.
bool ParseProcessorInstance(std::u16string_view name, int& group, int& number);

// The clock the processor runs at now, in MHz: the nominal clock scaled by the performance; NaN when either is
// missing or not a positive number.
double EffectiveMegahertz(double nominalMegahertz, double performancePercent);

// The counters, open for reading once a second (Windows: pdh.dll, loaded when the counters are opened).
struct FrequencyCounters {
    void* library = nullptr;
    void* query = nullptr;
    void* performance = nullptr;
    void* nominal = nullptr;
    bool available = false;
};

// Opens the counters; false, with `available` false, where the system has no such counters (older Windows, Wine)
// or pdh.dll is missing.
bool OpenFrequencyCounters(FrequencyCounters& counters);
// Samples the counters and gives each logical processor's clock (NaN where the counters name no value for it);
// false when the counters could not be read.
bool ReadFrequencies(FrequencyCounters& counters, const ProcessorGroups& groups, std::vector<double>& megahertz);
void CloseFrequencyCounters(FrequencyCounters& counters);
