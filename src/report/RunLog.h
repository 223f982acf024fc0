// The run log: a CSV file a spreadsheet or a script reads. Its first line describes the run, its second names the
// columns, then one line per second. Readers find a series by its column name, so later versions add columns at
// the end without breaking them. Numbers are written with '.' and no thousands separators in every language.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "report/RunDescription.h"

// The first field of the first line; the fields after it are "name=value".
constexpr char kRunLogMarker[] = "# Kestrovane run log";
constexpr int kRunLogFormat = 1;

// The columns every log has, in this order; a log may add more after them: the time of the line (ISO 8601, UTC),
// whole seconds since the run's start, the switches (1 or 0), the status line's rates, the errors found so far.
constexpr const char* kRunLogColumns[] = {
    "utc",
    "seconds",
    "master",
    "paint",
    "cpu",
    "disk",
    "memory",
    "paint_passes_per_s",
    "paint_mb_per_s",
    "mega_add_per_s",
    "errors",
};
constexpr size_t kRunLogColumnCount = sizeof(kRunLogColumns) / sizeof(kRunLogColumns[0]);

// One line of the log: what the status line showed at that second.
struct LogSample {
    int64_t unixSeconds = 0;
    int64_t secondsSinceStart = 0;
    bool master = false;
    bool paint = false;
    bool cpu = false;
    bool disk = false;
    bool memory = false;
    double paintPassesPerSecond = 0;
    double paintMegabytesPerSecond = 0;
    double megaAddPerSecond = 0;
    int64_t errors = 0;
};

// "# Kestrovane run log,format=1,program=...,start=...,processor=...,...": the run's description on one line,
// ending with "\n". A value with a comma, quote or line break is quoted; line breaks become blanks.
std::string ComposeLogHeaderLine(const RunDescription& description);
// The column names: the standard ones, then `extraColumns` (names of later features' columns), ending with "\n".
std::string ComposeLogColumnLine(const std::vector<std::string>& extraColumns = {});
// Appends one line: the sample's fields, then `extraCount` values of the extra columns, ending with "\n". A value
// that is not finite is written as an empty field.
void AppendLogLine(std::string& out, const LogSample& sample, const double* extra = nullptr, size_t extraCount = 0);

// Appends a number the way the log writes it: '.' as the decimal point, never an exponent or a thousands
// separator, rounded to three decimals with trailing zeros dropped ("12.5", "7", "-0.125").
void AppendLogNumber(std::string& out, double value);

struct RunLogSeries {
    std::string name;
    // One value per row; NaN where the field was empty or not a number. The "utc" column holds seconds since
    // 1970.
    std::vector<double> values;
};

struct RunLogData {
    // The first line's "name=value" fields, in order.
    std::vector<std::pair<std::string, std::string>> header;
    // One series per column, in the file's order.
    std::vector<RunLogSeries> series;
    size_t rows = 0;
    // Lines that were not read: an incomplete last line, or one with a different number of fields.
    size_t skippedLines = 0;
};

// Reads a log written by this or an older version. The header line is optional; the column line is not: without
// it, false. A last line without its line end may have been cut by a crash and is skipped.
bool ReadRunLog(std::string_view text, RunLogData& log);

// The series of that column, or null.
const RunLogSeries* FindSeries(const RunLogData& log, std::string_view name);
// The value of that header field, or empty.
std::string_view HeaderValue(const RunLogData& log, std::string_view name);
