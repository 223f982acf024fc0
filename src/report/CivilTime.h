// Calendar dates and times of day from seconds since 1970 and back, without the C library's time zone and locale
// state, and the ISO 8601 form the log and the reports write.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

struct CivilTime {
    int year = 1970;
    int month = 1;  // 1-12
    int day = 1;    // 1-31
    int hour = 0;
    int minute = 0;
    int second = 0;
};

// The proleptic Gregorian calendar in UTC; any 64-bit count of seconds within years 0-9999 round-trips.
CivilTime CivilFromUnix(int64_t unixSeconds);
int64_t UnixFromCivil(const CivilTime& time);
// True when the fields name a real moment (February 30 does not).
bool IsValidCivil(const CivilTime& time);

// "2026-12-08T14:03:22Z".
std::string FormatIsoUtc(int64_t unixSeconds);
// Reads exactly that form; false for anything else.
bool ParseIsoUtc(std::string_view text, int64_t& unixSeconds);

// "1:02:03" (hours without a limit), for durations on axes and in tables; negative values count as zero.
std::string FormatClock(int64_t seconds);
