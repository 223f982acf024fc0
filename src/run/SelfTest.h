// The detectors' self-test: each detector runs for about a second on real work with one wrong result injected,
// and says whether it caught exactly that fault and nothing else.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

struct DetectorResult {
    // The language text that names the detector and its fault.
    int nameText = 0;
    bool caught = false;
    // What the detector reported, or why the check failed; ASCII.
    std::string detail;
};

constexpr int kSelfTestDetectors = 3;

struct SelfTestReport {
    DetectorResult detectors[kSelfTestDetectors];
    bool allCaught = false;
};

// A corrected machine check on the processor with APIC id 4, as the event log renders WHEA logger event 19.
extern const char16_t kRecordedWheaEventXml[];

// Runs every detector for about `millisecondsPerDetector` (at least a few rounds each) on the calling thread.
SelfTestReport RunDetectorSelfTest(int64_t millisecondsPerDetector);

// The report as the console and the message box show it: a title line, one line per detector with "caught" or
// "NOT caught" and what it reported, and a closing line.
std::u16string ComposeSelfTestTable(const SelfTestReport& report);

// True for a command line (without the program's name) that is exactly "/selftest" or "-selftest" in any case,
// with spaces around it at most.
bool IsSelfTestCommandLine(std::u16string_view arguments);
