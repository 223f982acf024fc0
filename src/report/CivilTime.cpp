// Civil dates by Howard Hinnant's days-from-civil arithmetic: exact for every day, no table, no time zone.
#include "report/CivilTime.h"

#include <cstdio>

namespace {

int64_t DaysFromCivil(int64_t year, int month, int day) {
    year -= month <= 2;
    const int64_t era = (year >= 0 ? year : year - 399) / 400;
    const int64_t yearOfEra = year - era * 400;
    const int64_t dayOfYear = (153 * (month + (month > 2 ? -3 : 9)) + 2) / 5 + day - 1;
    const int64_t dayOfEra = yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;
    return era * 146097 + dayOfEra - 719468;
}

int DaysInMonth(int year, int month) {
    static constexpr int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    const bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
    return month == 2 && leap ? 29 : kDays[month - 1];
}

// Reads `count` digits at `at`; false unless all are digits.
bool ReadNumber(std::string_view text, size_t at, size_t count, int& value) {
    value = 0;
    for (size_t i = at; i < at + count; ++i) {
        if (i >= text.size() || text[i] < '0' || text[i] > '9')
            return false;
        value = value * 10 + (text[i] - '0');
    }
    return true;
}

}  // namespace

CivilTime CivilFromUnix(int64_t unixSeconds) {
    int64_t days = unixSeconds / 86400;
    int64_t rest = unixSeconds % 86400;
    if (rest < 0) {
        rest += 86400;
        --days;
    }
    days += 719468;
    const int64_t era = (days >= 0 ? days : days - 146096) / 146097;
    const int64_t dayOfEra = days - era * 146097;
    const int64_t yearOfEra = (dayOfEra - dayOfEra / 1460 + dayOfEra / 36524 - dayOfEra / 146096) / 365;
    const int64_t dayOfYear = dayOfEra - (365 * yearOfEra + yearOfEra / 4 - yearOfEra / 100);
    const int64_t monthIndex = (5 * dayOfYear + 2) / 153;
    CivilTime time;
    time.day = int(dayOfYear - (153 * monthIndex + 2) / 5 + 1);
    time.month = int(monthIndex < 10 ? monthIndex + 3 : monthIndex - 9);
    time.year = int(yearOfEra + era * 400 + (time.month <= 2));
    time.hour = int(rest / 3600);
    time.minute = int(rest / 60 % 60);
    time.second = int(rest % 60);
    return time;
}

int64_t UnixFromCivil(const CivilTime& time) {
    return DaysFromCivil(time.year, time.month, time.day) * 86400 + time.hour * 3600 + time.minute * 60 + time.second;
}

bool IsValidCivil(const CivilTime& time) {
    return time.year >= 0 && time.year <= 9999 && time.month >= 1 && time.month <= 12 && time.day >= 1 &&
           time.day <= DaysInMonth(time.year, time.month) && time.hour >= 0 && time.hour <= 23 && time.minute >= 0 &&
           time.minute <= 59 && time.second >= 0 && time.second <= 59;
}

std::string FormatIsoUtc(int64_t unixSeconds) {
    const CivilTime time = CivilFromUnix(unixSeconds);
    char text[32];
    const int length = std::snprintf(text, sizeof(text), "%04d-%02d-%02dT%02d:%02d:%02dZ", time.year, time.month,
                                     time.day, time.hour, time.minute, time.second);
    return std::string(text, length > 0 ? size_t(length) : 0);
}

bool ParseIsoUtc(std::string_view text, int64_t& unixSeconds) {
    CivilTime time;
    if (text.size() != 20 || text[4] != '-' || text[7] != '-' || text[10] != 'T' || text[13] != ':' ||
        text[16] != ':' || text[19] != 'Z')
        return false;
    if (!ReadNumber(text, 0, 4, time.year) || !ReadNumber(text, 5, 2, time.month) ||
        !ReadNumber(text, 8, 2, time.day) || !ReadNumber(text, 11, 2, time.hour) ||
        !ReadNumber(text, 14, 2, time.minute) || !ReadNumber(text, 17, 2, time.second) || !IsValidCivil(time))
        return false;
    unixSeconds = UnixFromCivil(time);
    return true;
}

std::string FormatClock(int64_t seconds) {
    if (seconds < 0)
        seconds = 0;
    char text[32];
    const int length = std::snprintf(text, sizeof(text), "%lld:%02d:%02d", static_cast<long long>(seconds / 3600),
                                     int(seconds / 60 % 60), int(seconds % 60));
    return std::string(text, length > 0 ? size_t(length) : 0);
}
