// The run log's lines, written with the C library's locale never consulted, and read back into series by name.
#include "report/RunLog.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <limits>

#include "report/CivilTime.h"
#include "report/ReportText.h"

namespace {

constexpr double kNotANumber = std::numeric_limits<double>::quiet_NaN();

void AppendInteger(std::string& out, int64_t value) {
    char digits[24];
    const auto result = std::to_chars(digits, digits + sizeof(digits), value);
    out.append(digits, result.ptr);
}

// A CSV field; quoted when it holds a comma or a quote, with line breaks made blanks so the line stays one line.
void AppendField(std::string& out, std::string_view field) {
    std::string clean(field);
    for (char& c : clean) {
        if (c == '\r' || c == '\n')
            c = ' ';
    }
    if (clean.find_first_of(",\"") == std::string::npos) {
        out += clean;
        return;
    }
    out += '"';
    for (char c : clean) {
        if (c == '"')
            out += '"';
        out += c;
    }
    out += '"';
}

void AppendHeaderField(std::string& out, std::string_view name, std::string_view value) {
    out += ',';
    AppendField(out, std::string(name) + "=" + std::string(value));
}

std::string LoadList(int32_t loads) {
    std::string list;
    for (int load = 0; load < 4; ++load) {
        if (!(loads >> load & 1))
            continue;
        if (!list.empty())
            list += '+';
        list += LoadKey(load);
    }
    return list.empty() ? "none" : list;
}

// Splits one line (without its line end) into fields; a quoted field may hold commas and doubled quotes.
void SplitFields(std::string_view line, std::vector<std::string>& fields) {
    fields.clear();
    std::string field;
    bool quoted = false;
    for (size_t i = 0; i < line.size(); ++i) {
        const char c = line[i];
        if (quoted) {
            if (c == '"' && i + 1 < line.size() && line[i + 1] == '"') {
                field += '"';
                ++i;
            } else if (c == '"') {
                quoted = false;
            } else {
                field += c;
            }
        } else if (c == '"') {
            quoted = true;
        } else if (c == ',') {
            fields.push_back(std::move(field));
            field.clear();
        } else {
            field += c;
        }
    }
    fields.push_back(std::move(field));
}

// Data lines are never quoted: their fields are cut at commas without copying.
size_t SplitPlainFields(std::string_view line, std::vector<std::string_view>& fields) {
    fields.clear();
    size_t start = 0;
    for (size_t i = 0; i <= line.size(); ++i) {
        if (i == line.size() || line[i] == ',') {
            fields.push_back(line.substr(start, i - start));
            start = i + 1;
        }
    }
    return fields.size();
}

// The log's own numbers ("-12.375", "4507"): at most 15 digits make an exact integer, and one division by an exact
// power of ten rounds correctly, the same double std::from_chars gives. Anything else takes from_chars.
bool ReadShortDecimal(std::string_view field, double& value) {
    static constexpr double kPowersOfTen[] = {1,   10,  100,  1e3,  1e4,  1e5,  1e6,  1e7,
                                              1e8, 1e9, 1e10, 1e11, 1e12, 1e13, 1e14, 1e15};
    size_t at = field[0] == '-' ? 1 : 0;
    int64_t digits = 0;
    int count = 0;
    int decimals = -1;
    for (; at < field.size(); ++at) {
        const char c = field[at];
        if (c == '.' && decimals < 0) {
            decimals = 0;
            continue;
        }
        if (c < '0' || c > '9' || ++count > 15)
            return false;
        digits = digits * 10 + (c - '0');
        decimals += decimals >= 0;
    }
    if (count == 0 || decimals == 0)
        return false;
    value = double(digits) / kPowersOfTen[decimals > 0 ? decimals : 0];
    if (field[0] == '-')
        value = -value;
    return true;
}

double ReadNumber(std::string_view field) {
    double value = kNotANumber;
    if (field.empty() || ReadShortDecimal(field, value))
        return value;
    const auto result = std::from_chars(field.data(), field.data() + field.size(), value);
    if (result.ec != std::errc() || result.ptr != field.data() + field.size())
        return kNotANumber;
    return value;
}

double ReadTime(std::string_view field) {
    int64_t seconds = 0;
    return ParseIsoUtc(field, seconds) ? double(seconds) : kNotANumber;
}

void ReadHeaderLine(std::string_view line, RunLogData& log) {
    std::vector<std::string> fields;
    SplitFields(line, fields);
    if (fields.empty() || fields[0] != kRunLogMarker)
        return;
    for (size_t i = 1; i < fields.size(); ++i) {
        const size_t equals = fields[i].find('=');
        if (equals == std::string::npos)
            continue;
        log.header.emplace_back(fields[i].substr(0, equals), fields[i].substr(equals + 1));
    }
}

}  // namespace

void AppendLogNumber(std::string& out, double value) {
    if (!std::isfinite(value))
        return;
    // Large enough for any finite double in fixed notation.
    char digits[400];
    const auto result = std::to_chars(digits, digits + sizeof(digits), value, std::chars_format::fixed, 3);
    if (result.ec != std::errc())
        return;
    const char* end = result.ptr;
    while (end > digits && end[-1] == '0')
        --end;
    if (end > digits && end[-1] == '.')
        --end;
    const std::string_view text(digits, size_t(end - digits));
    // "-0" reads as zero everywhere, but a log is easier to read without it.
    out += text == "-0" ? "0" : text;
}

std::string ComposeLogHeaderLine(const RunDescription& description) {
    std::string line = kRunLogMarker;
    AppendHeaderField(line, "format", std::to_string(kRunLogFormat));
    AppendHeaderField(line, "program", Utf8FromUtf16(description.programVersion));
    AppendHeaderField(line, "start", FormatIsoUtc(description.startUnixSeconds));
    AppendHeaderField(line, "processor", Utf8FromUtf16(description.machine.processorName));
    AppendHeaderField(line, "logical_processors", std::to_string(description.machine.logicalProcessors));
    AppendHeaderField(line, "physical_memory_bytes", std::to_string(description.machine.physicalMemoryBytes));
    AppendHeaderField(line, "windows", Utf8FromUtf16(description.machine.windowsVersion));
    const RunSettings& settings = description.settings;
    AppendHeaderField(line, "loads", LoadList(settings.loads));
    AppendHeaderField(line, "duration_s", std::to_string(settings.durationSeconds));
    AppendHeaderField(line, "verify", settings.verify ? "1" : "0");
    AppendHeaderField(line, "stop_on_error", settings.stopOnError ? "1" : "0");
    for (const auto& [name, value] : settings.more)
        AppendHeaderField(line, name, value);
    line += '\n';
    return line;
}

std::string ComposeLogColumnLine(const std::vector<std::string>& extraColumns) {
    std::string line;
    for (const char* column : kRunLogColumns) {
        if (!line.empty())
            line += ',';
        line += column;
    }
    for (const std::string& column : extraColumns) {
        line += ',';
        AppendField(line, column);
    }
    line += '\n';
    return line;
}

void AppendLogLine(std::string& out, const LogSample& sample, const double* extra, size_t extraCount) {
    out += FormatIsoUtc(sample.unixSeconds);
    out += ',';
    AppendInteger(out, sample.secondsSinceStart);
    for (bool on : {sample.master, sample.paint, sample.cpu, sample.disk, sample.memory}) {
        out += ',';
        out += on ? '1' : '0';
    }
    for (double rate : {sample.paintPassesPerSecond, sample.paintMegabytesPerSecond, sample.megaAddPerSecond}) {
        out += ',';
        AppendLogNumber(out, rate);
    }
    out += ',';
    AppendInteger(out, sample.errors);
    for (size_t i = 0; i < extraCount; ++i) {
        out += ',';
        AppendLogNumber(out, extra[i]);
    }
    out += '\n';
}

bool ReadRunLog(std::string_view text, RunLogData& log) {
    log = RunLogData();
    if (text.substr(0, 3) == "\xEF\xBB\xBF")
        text.remove_prefix(3);
    bool haveColumns = false;
    size_t utcColumn = std::numeric_limits<size_t>::max();
    std::vector<std::string_view> fields;
    size_t at = 0;
    while (at < text.size()) {
        const size_t end = text.find('\n', at);
        const bool complete = end != std::string_view::npos;
        std::string_view line = text.substr(at, complete ? end - at : std::string_view::npos);
        at = complete ? end + 1 : text.size();
        if (!line.empty() && line.back() == '\r')
            line.remove_suffix(1);
        if (line.empty())
            continue;
        if (!complete) {
            ++log.skippedLines;
            break;
        }
        if (line[0] == '#') {
            if (!haveColumns && log.header.empty())
                ReadHeaderLine(line, log);
            continue;
        }
        if (!haveColumns) {
            std::vector<std::string> names;
            SplitFields(line, names);
            // One row per remaining line at most: reserving once spares a day-long log its copies as it grows.
            const size_t lines = size_t(std::count(text.begin() + at, text.end(), '\n'));
            for (std::string& name : names) {
                if (name == "utc" && utcColumn == std::numeric_limits<size_t>::max())
                    utcColumn = log.series.size();
                log.series.push_back({std::move(name), {}});
                log.series.back().values.reserve(lines);
            }
            haveColumns = true;
            continue;
        }
        if (SplitPlainFields(line, fields) != log.series.size()) {
            ++log.skippedLines;
            continue;
        }
        for (size_t column = 0; column < fields.size(); ++column)
            log.series[column].values.push_back(column == utcColumn ? ReadTime(fields[column])
                                                                    : ReadNumber(fields[column]));
        ++log.rows;
    }
    return haveColumns;
}

const RunLogSeries* FindSeries(const RunLogData& log, std::string_view name) {
    for (const RunLogSeries& series : log.series) {
        if (series.name == name)
            return &series;
    }
    return nullptr;
}

std::string_view HeaderValue(const RunLogData& log, std::string_view name) {
    for (const auto& [key, value] : log.header) {
        if (key == name)
            return value;
    }
    return {};
}
