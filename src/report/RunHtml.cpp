// The HTML report: composed as text in one pass, numbers written by std::to_chars so no locale can change them.
#include "report/RunHtml.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstring>
#include <initializer_list>

#include "report/CivilTime.h"
#include "report/ProcessorRates.h"

namespace {

// The chart's coordinate system; the browser scales it to the page's width.
constexpr double kChartWidth = 960;
constexpr double kChartHeight = 264;
constexpr double kPlotLeft = 76;
constexpr double kPlotRight = 916;
constexpr double kPlotTop = 24;
constexpr double kPlotBottom = 212;
// Error marks closer than this share one mark, so a burst of errors does not draw a thousand lines.
constexpr double kErrorMarkSpacing = 2;

constexpr char kStyle[] = R"(
:root{--ink:#1f2328;--muted:#59636e;--line:#d8dee4;--panel:#f6f8fa;--accent:#0b63ce;--pass:#1a7f37;--fail:#c4161c;
--incomplete:#b35900}
*{box-sizing:border-box}
html{-webkit-text-size-adjust:100%}
body{margin:0;background:#fff;color:var(--ink);font:16px/1.5 system-ui,-apple-system,"Segoe UI",Roboto,"Noto Sans",
"Helvetica Neue",Arial,sans-serif}
main{max-width:1120px;margin:0 auto;padding:24px clamp(12px,3vw,32px) 48px}
.verdict{border-radius:14px;padding:clamp(18px,3vw,32px);color:#fff}
.verdict.passed{background:var(--pass)}.verdict.failed{background:var(--fail)}
.verdict.incomplete{background:var(--incomplete)}
.verdict .word{margin:0;font-size:clamp(44px,9vw,84px);font-weight:800;letter-spacing:.04em;line-height:1}
.verdict .line{margin:10px 0 0;font-size:clamp(17px,2.4vw,22px);font-weight:500}
.facts{display:flex;flex-wrap:wrap;gap:10px 36px;margin:18px 0 0;font-size:15px}
.facts div{min-width:10em}.facts dt{opacity:.85}.facts dd{margin:0;font-weight:600;font-variant-numeric:tabular-nums}
.program{color:var(--muted);font-size:14px;margin:10px 2px 0}
section{margin-top:36px}
h2{font-size:21px;margin:0 0 14px;padding-bottom:6px;border-bottom:2px solid var(--line)}
figure{margin:0 0 28px}
figcaption{font-weight:600;margin:0 0 6px;display:flex;flex-wrap:wrap;gap:4px 18px;align-items:baseline}
figcaption .note{font-weight:400;color:var(--muted);font-size:14px}
.mark{color:var(--fail)}
svg.chart{display:block;width:100%;height:auto;background:var(--panel);border-radius:10px;direction:ltr}
svg.chart text{font:12px system-ui,-apple-system,"Segoe UI",Roboto,sans-serif;fill:var(--muted)}
svg.chart .grid{stroke:var(--line);stroke-width:1}
svg.chart .axis{stroke:#8c959f;stroke-width:1}
svg.chart .series{fill:none;stroke:var(--accent);stroke-width:1.6;stroke-linejoin:round}
svg.chart .area{fill:var(--accent);fill-opacity:.10;stroke:none}
svg.chart .error{stroke:var(--fail);stroke-width:1.2;stroke-opacity:.45}
svg.chart .error-tick{fill:var(--fail)}
.table-wrap{overflow-x:auto}
table{border-collapse:collapse;width:100%;font-size:15px}
th,td{padding:7px 12px;border-bottom:1px solid var(--line);text-align:start;vertical-align:top}
thead th{background:var(--panel);font-weight:600}
tbody th{font-weight:500;color:var(--muted);width:34%}
th.num{text-align:right}
td.num{text-align:right;font-variant-numeric:tabular-nums;white-space:nowrap;direction:ltr;unicode-bidi:isolate}
td.code{font-family:ui-monospace,"Cascadia Mono",Consolas,monospace;font-size:13px;word-break:break-word;
direction:ltr;unicode-bidi:isolate;text-align:left}
p.empty{color:var(--muted)}
h3{font-size:17px;margin:22px 0 8px}
td.failed{color:var(--fail);font-weight:700}
@media print{.verdict{-webkit-print-color-adjust:exact;print-color-adjust:exact}figure{break-inside:avoid}}
)";

void AppendFixed(std::string& out, double value, int decimals) {
    char digits[400];
    const auto result = std::to_chars(digits, digits + sizeof(digits), value, std::chars_format::fixed, decimals);
    if (result.ec == std::errc())
        out.append(digits, result.ptr);
}

// Fixed decimals with trailing zeros dropped, "-0" as "0".
std::string Trimmed(double value, int decimals) {
    std::string text;
    AppendFixed(text, value, decimals);
    if (text.find('.') != std::string::npos) {
        while (!text.empty() && text.back() == '0')
            text.pop_back();
        if (!text.empty() && text.back() == '.')
            text.pop_back();
    }
    return text == "-0" ? "0" : text;
}

// A figure for a table: one decimal below 1,000, none above; thousands grouped with a narrow no-break space (the
// SI style, the same in every language); "–" when missing.
std::string TableNumber(double value) {
    if (!std::isfinite(value))
        return "\xE2\x80\x93";
    std::string text = Trimmed(value, std::fabs(value) < 1000 ? 1 : 0);
    const size_t sign = text[0] == '-' ? 1 : 0;
    size_t integerEnd = text.find('.');
    if (integerEnd == std::string::npos)
        integerEnd = text.size();
    if (integerEnd - sign < 5)
        return text;
    for (size_t at = integerEnd; at > sign + 3; at -= 3)
        text.insert(at - 3, "\xE2\x80\xAF");
    return text;
}

// Decimals enough to tell ticks `step` apart (2.5 needs one), at most three.
int DecimalsOf(double step) {
    int decimals = 0;
    for (double scaled = std::fabs(step); decimals < 3 && std::fabs(scaled - std::round(scaled)) > 1e-9 * scaled;
         scaled *= 10)
        ++decimals;
    return decimals;
}

// A figure on an axis: short, with k, M or G chosen by the axis's largest figure so that all its labels agree.
std::string AxisNumber(double value, double step, double largest) {
    if (value == 0)
        return "0";
    const struct {
        double from;
        double scale;
        const char* suffix;
    } kScales[] = {{1e9, 1e9, "G"}, {1e6, 1e6, "M"}, {1e4, 1e3, "k"}};
    for (const auto& scale : kScales) {
        if (largest >= scale.from)
            return Trimmed(value / scale.scale, DecimalsOf(step / scale.scale)) + scale.suffix;
    }
    return Trimmed(value, DecimalsOf(step));
}

// 1, 2, 2.5 or 5 times a power of ten, at least range / maxTicks.
double NiceStep(double range, int maxTicks) {
    if (!(range > 0))
        return 1;
    const double rough = range / maxTicks;
    const double power = std::pow(10.0, std::floor(std::log10(rough)));
    for (double factor : {1.0, 2.0, 2.5, 5.0, 10.0}) {
        if (factor * power >= rough)
            return factor * power;
    }
    return 10 * power;
}

// Steps of the time axis that read as round clock times.
double TimeStep(double span) {
    static constexpr double kSteps[] = {1,   2,    5,    10,   15,    30,    60,    120,   300,    600,
                                        900, 1800, 3600, 7200, 10800, 21600, 43200, 86400, 172800, 604800};
    for (double step : kSteps) {
        if (span / step <= 8)
            return step;
    }
    return std::ceil(span / 8 / 604800) * 604800;
}

// Seconds as a whole number, for a clock label, whatever a damaged log held.
int64_t WholeSeconds(double seconds) {
    return seconds > 0 && seconds < 1e15 ? int64_t(seconds) : 0;
}

// The label with "%1" and "%2" replaced; the label is escaped, the arguments are numbers or escaped already.
std::string FillLabel(const std::string& label, const std::string& first, const std::string& second = {}) {
    std::string out;
    for (size_t i = 0; i < label.size(); ++i) {
        if (label[i] == '%' && i + 1 < label.size() && (label[i + 1] == '1' || label[i + 1] == '2')) {
            out += label[i + 1] == '1' ? first : second;
            ++i;
            continue;
        }
        AppendHtmlEscaped(out, std::string_view(&label[i], 1));
    }
    return out;
}

std::string UtcText(int64_t unixSeconds) {
    std::string iso = FormatIsoUtc(unixSeconds);
    // "2026-12-08 14:03:22 UTC" reads better than the ISO form with its T and Z.
    if (iso.size() == 20) {
        iso[10] = ' ';
        iso.pop_back();
        iso += " UTC";
    }
    return iso;
}

const char* VerdictClass(Verdict verdict) {
    switch (verdict) {
        case Verdict::Passed:
            return "passed";
        case Verdict::Failed:
            return "failed";
        case Verdict::Incomplete:
            return "incomplete";
    }
    return "incomplete";
}

std::string SourceName(ErrorSource source, const ReportTexts& texts) {
    switch (source) {
        case ErrorSource::Additions:
            return texts.loadNames[1];
        case ErrorSource::Memory:
            return texts.loadNames[3];
        case ErrorSource::HardwareLog:
            return texts.hardwareLog;
        case ErrorSource::FloatingPoint:
            return texts.loadNames[1] + " (" + texts.floatingPoint + ")";
        case ErrorSource::Disk:
            return texts.loadNames[2];
    }
    return ErrorSourceKey(source);
}

std::string ChartTitle(const RateSummary& rate, const ReportTexts& texts) {
    const struct {
        const char* column;
        const std::string& label;
    } diskRates[] = {{"disk_cache_mb_per_s", texts.diskCache},
                     {"disk_write_mb_per_s", texts.diskWrite},
                     {"disk_read_mb_per_s", texts.diskRead}};
    for (const auto& disk : diskRates)
        if (rate.column == disk.column)
            return disk.label + " \xE2\x80\x94 " + rate.unit;
    const std::string load = rate.load >= 0 && rate.load < 4 ? texts.loadNames[rate.load] : rate.column;
    if (rate.column == "paint_passes_per_s")
        return load + " \xE2\x80\x94 " + texts.paintLoops + "/s";
    return load + " \xE2\x80\x94 " + rate.unit;
}

class HtmlWriter {
public:
    HtmlWriter(const RunReport& report, const RunLogData& log, const ReportTexts& texts)
        : report_(report), log_(log), texts_(texts) {}

    std::string Compose() {
        html_.reserve(256 * 1024);
        Head();
        html_ += "<body><main>\n";
        VerdictBanner();
        Charts();
        RatesTable();
        ProcessorsSection();
        MemorySection();
        ErrorsTable();
        SettingsTable();
        MachineTable();
        html_ += "</main></body></html>\n";
        return std::move(html_);
    }

private:
    void Head() {
        html_ += "<!DOCTYPE html>\n<html lang=\"";
        AppendHtmlEscaped(html_, texts_.languageTag);
        html_ += texts_.rightToLeft ? "\" dir=\"rtl\">\n" : "\" dir=\"ltr\">\n";
        html_ +=
            "<head><meta charset=\"utf-8\">"
            "<meta name=\"viewport\" content=\"width=device-width, initial-scale=1\">\n<title>";
        html_ += VerdictName(report_.outcome.verdict);
        html_ += " \xE2\x80\x93 ";
        AppendHtmlEscaped(html_, texts_.title);
        html_ += " \xE2\x80\x93 ";
        AppendHtmlEscaped(html_, Utf8FromUtf16(report_.description.programVersion));
        html_ += "</title>\n<style>";
        html_ += kStyle;
        html_ += "</style></head>\n";
    }

    void Fact(const std::string& label, const std::string& value) {
        html_ += "<div><dt>";
        AppendHtmlEscaped(html_, label);
        html_ += "</dt><dd dir=\"ltr\">";
        AppendHtmlEscaped(html_, value);
        html_ += "</dd></div>";
    }

    void VerdictBanner() {
        const RunOutcome& outcome = report_.outcome;
        html_ += "<header class=\"verdict ";
        html_ += VerdictClass(outcome.verdict);
        html_ += "\"><p class=\"word\" id=\"verdict\">";
        html_ += VerdictName(outcome.verdict);
        html_ += "</p><p class=\"line\">";
        switch (outcome.verdict) {
            case Verdict::Passed:
                AppendHtmlEscaped(html_, texts_.noErrors);
                break;
            case Verdict::Failed:
                html_ += FillLabel(texts_.errorsFound, std::to_string(outcome.errorCount));
                break;
            case Verdict::Incomplete:
                AppendHtmlEscaped(html_, texts_.loadCouldNotRun);
                break;
        }
        html_ += "</p><dl class=\"facts\">";
        Fact(texts_.started, UtcText(report_.description.startUnixSeconds));
        Fact(texts_.ended, UtcText(outcome.endUnixSeconds));
        Fact(texts_.ranFor, FormatClock(WholeSeconds(outcome.secondsRun)));
        const int64_t asked = report_.description.settings.durationSeconds;
        Fact(texts_.durationAsked, asked > 0 ? FormatClock(asked) : texts_.untilStopped);
        html_ += "</dl></header>\n<p class=\"program\">";
        AppendHtmlEscaped(html_, texts_.title);
        html_ += " \xC2\xB7 ";
        AppendHtmlEscaped(html_, Utf8FromUtf16(report_.description.programVersion));
        html_ += "</p>\n";
    }

    void SectionStart(const std::string& title) {
        html_ += "<section><h2>";
        AppendHtmlEscaped(html_, title);
        html_ += "</h2>\n";
    }

    double X(double seconds) const { return kPlotLeft + (kPlotRight - kPlotLeft) * seconds / timeSpan_; }
    double Y(double value) const {
        return kPlotBottom - (kPlotBottom - kPlotTop) * (value - valueLow_) / (valueHigh_ - valueLow_);
    }

    void Point(char command, double x, double y) {
        html_ += command;
        AppendFixed(html_, x, 1);
        html_ += ',';
        AppendFixed(html_, y, 1);
    }

    void SvgText(double x, double y, const char* anchor, const std::string& text) {
        html_ += "<text x=\"";
        AppendFixed(html_, x, 1);
        html_ += "\" y=\"";
        AppendFixed(html_, y, 1);
        html_ += "\" text-anchor=\"";
        html_ += anchor;
        html_ += "\">";
        AppendHtmlEscaped(html_, text);
        html_ += "</text>";
    }

    void Line(const char* cssClass, double x1, double y1, double x2, double y2) {
        html_ += "<line class=\"";
        html_ += cssClass;
        html_ += "\" x1=\"";
        AppendFixed(html_, x1, 1);
        html_ += "\" y1=\"";
        AppendFixed(html_, y1, 1);
        html_ += "\" x2=\"";
        AppendFixed(html_, x2, 1);
        html_ += "\" y2=\"";
        AppendFixed(html_, y2, 1);
        html_ += "\"/>";
    }

    void ValueAxis(const std::string& unit) {
        const double step = NiceStep(valueHigh_ - valueLow_, 4);
        for (double tick = std::ceil(valueLow_ / step) * step; tick <= valueHigh_ + step * 1e-9; tick += step) {
            const double y = Y(tick);
            Line("grid", kPlotLeft, y, kPlotRight, y);
            SvgText(kPlotLeft - 8, y + 4, "end",
                    AxisNumber(tick, step, std::max(std::fabs(valueHigh_), std::fabs(valueLow_))));
        }
        SvgText(10, kPlotTop - 10, "start", unit);
    }

    void TimeAxis() {
        const double step = TimeStep(timeSpan_);
        Line("axis", kPlotLeft, kPlotBottom, kPlotRight, kPlotBottom);
        for (double tick = 0; tick <= timeSpan_ + 1e-9; tick += step) {
            const double x = X(tick);
            Line("axis", x, kPlotBottom, x, kPlotBottom + 5);
            SvgText(x, kPlotBottom + 19, "middle", FormatClock(WholeSeconds(tick)));
        }
        SvgText((kPlotLeft + kPlotRight) / 2, kChartHeight - 8, "middle", texts_.timeSinceStart + " (h:mm:ss)");
    }

    void ErrorMarks() {
        double lastX = -1e9;
        for (double seconds : errorSeconds_) {
            if (seconds < 0 || seconds > timeSpan_)
                continue;
            const double x = X(seconds);
            if (x - lastX < kErrorMarkSpacing)
                continue;
            lastX = x;
            Line("error", x, kPlotTop, x, kPlotBottom);
            html_ += "<path class=\"error-tick\" d=\"";
            Point('M', x, kPlotBottom - 1);
            Point('L', x - 5, kPlotBottom + 8);
            Point('L', x + 5, kPlotBottom + 8);
            html_ += "Z\"/>";
        }
    }

    void Series(const std::vector<ChartPoint>& points) {
        if (points.size() == 1) {
            html_ += "<circle class=\"series\" r=\"3\" cx=\"";
            AppendFixed(html_, X(points[0].seconds), 1);
            html_ += "\" cy=\"";
            AppendFixed(html_, Y(points[0].value), 1);
            html_ += "\"/>";
            return;
        }
        const size_t start = html_.size();
        html_ += "<path class=\"series\" d=\"";
        for (size_t i = 0; i < points.size(); ++i)
            Point(i == 0 ? 'M' : 'L', X(points[i].seconds), Y(points[i].value));
        html_ += "\"/>";
        // The same outline closed along the zero line (or the bottom) shades the area under the curve.
        std::string outline = html_.substr(start + std::strlen("<path class=\"series\" d=\""));
        outline.resize(outline.size() - 3);
        html_ += "<path class=\"area\" d=\"";
        html_ += outline;
        const double base = Y(std::max(valueLow_, 0.0));
        Point('L', X(points.back().seconds), base);
        Point('L', X(points.front().seconds), base);
        html_ += "Z\"/>";
    }

    void Chart(const RateSummary& rate, const std::vector<double>& seconds) {
        const RunLogSeries* series = FindSeries(log_, rate.column);
        if (!series)
            return;
        const std::vector<ChartPoint> points = DownsampleMinMax(seconds, series->values, kMaxChartPoints);
        if (points.empty())
            return;
        valueLow_ = 0;
        valueHigh_ = 0;
        for (const ChartPoint& point : points) {
            valueLow_ = std::min(valueLow_, point.value);
            valueHigh_ = std::max(valueHigh_, point.value);
        }
        if (!std::isfinite(valueHigh_ - valueLow_))
            return;
        if (valueHigh_ - valueLow_ <= 0)
            valueHigh_ = valueLow_ + 1;
        const double step = NiceStep(valueHigh_ - valueLow_, 4);
        valueHigh_ = std::ceil(valueHigh_ / step) * step;
        valueLow_ = std::floor(valueLow_ / step) * step;

        html_ += "<figure><figcaption><span>";
        const std::string title = ChartTitle(rate, texts_);
        AppendHtmlEscaped(html_, title);
        html_ += "</span>";
        if (!errorSeconds_.empty()) {
            html_ += "<span class=\"note\"><span class=\"mark\">\xE2\x96\xB2</span> ";
            AppendHtmlEscaped(html_, texts_.errors);
            html_ += "</span>";
        }
        html_ += "</figcaption>\n<svg class=\"chart\" xmlns=\"http://www.w3.org/2000/svg\" viewBox=\"0 0 ";
        AppendFixed(html_, kChartWidth, 0);
        html_ += ' ';
        AppendFixed(html_, kChartHeight, 0);
        html_ += "\" role=\"img\" aria-label=\"";
        AppendHtmlEscaped(html_, title);
        html_ += "\">";
        ValueAxis(rate.unit);
        TimeAxis();
        Series(points);
        ErrorMarks();
        html_ += "</svg></figure>\n";
    }

    void Charts() {
        const RunLogSeries* secondsSeries = FindSeries(log_, "seconds");
        std::vector<double> seconds;
        if (secondsSeries) {
            seconds = secondsSeries->values;
        } else {
            for (size_t row = 0; row < log_.rows; ++row)
                seconds.push_back(double(row));
        }
        timeSpan_ = 1;
        for (double second : seconds) {
            if (std::isfinite(second))
                timeSpan_ = std::max(timeSpan_, second);
        }
        for (const RunError& error : report_.outcome.errors)
            errorSeconds_.push_back(double(error.millisecondsSinceStart) / 1000.0);
        timeSpan_ = std::max(timeSpan_, report_.outcome.secondsRun);

        SectionStart(texts_.rates);
        bool any = false;
        for (const RateSummary& rate : report_.rates) {
            if (rate.samples == 0)
                continue;
            Chart(rate, seconds);
            any = true;
        }
        if (!any)
            html_ += "<p class=\"empty\">\xE2\x80\x93</p>\n";
        html_ += "</section>\n";
    }

    void Cell(const std::string& text, const char* cssClass = nullptr) {
        html_ += cssClass ? std::string("<td class=\"") + cssClass + "\">" : std::string("<td>");
        AppendHtmlEscaped(html_, text);
        html_ += "</td>";
    }

    // Column headings; those of numeric columns are aligned like their figures.
    void HeaderCells(std::initializer_list<std::pair<const std::string*, bool>> columns) {
        html_ += "<div class=\"table-wrap\"><table><thead><tr>";
        for (const auto& [label, numeric] : columns) {
            html_ += numeric ? "<th scope=\"col\" class=\"num\">" : "<th scope=\"col\">";
            AppendHtmlEscaped(html_, *label);
            html_ += "</th>";
        }
        html_ += "</tr></thead><tbody>\n";
    }

    void TableEnd() { html_ += "</tbody></table></div></section>\n"; }

    void Row(const std::string& label, const std::string& value, const char* cssClass = nullptr) {
        html_ += "<tr><th scope=\"row\">";
        AppendHtmlEscaped(html_, label);
        html_ += "</th>";
        Cell(value, cssClass);
        html_ += "</tr>\n";
    }

    void RatesTable() {
        if (report_.rates.empty())
            return;
        SectionStart(texts_.rates + ": " + texts_.minimum + " / " + texts_.median + " / " + texts_.maximum);
        const std::string rateLabel;
        HeaderCells({{&rateLabel, false}, {&texts_.minimum, true}, {&texts_.median, true}, {&texts_.maximum, true}});
        for (const RateSummary& rate : report_.rates) {
            html_ += "<tr><th scope=\"row\">";
            AppendHtmlEscaped(html_, ChartTitle(rate, texts_));
            html_ += "</th>";
            Cell(TableNumber(rate.minimum), "num");
            Cell(TableNumber(rate.median), "num");
            Cell(TableNumber(rate.maximum), "num");
            html_ += "</tr>\n";
        }
        TableEnd();
    }

    static std::string Hex(uint64_t value) {
        char digits[24];
        const auto result = std::to_chars(digits, digits + sizeof(digits), value, 16);
        return "0x" + std::string(digits, result.ptr);
    }

    void ErrorsTable() {
        const RunOutcome& outcome = report_.outcome;
        SectionStart(texts_.errors + " (" + std::to_string(outcome.errorCount) + ")");
        if (outcome.errors.empty()) {
            html_ += "<p class=\"empty\">";
            AppendHtmlEscaped(html_, texts_.noErrors);
            html_ += "</p></section>\n";
            return;
        }
        if (int64_t(outcome.errors.size()) < outcome.errorCount) {
            html_ += "<p>";
            html_ += FillLabel(texts_.firstErrorsListed, std::to_string(outcome.errors.size()),
                               std::to_string(outcome.errorCount));
            html_ += "</p>\n";
        }
        HeaderCells({{&texts_.timeSinceStart, true},
                     {&texts_.foundBy, false},
                     {&texts_.processor, true},
                     {&texts_.details, false}});
        for (const RunError& error : outcome.errors) {
            html_ += "<tr>";
            Cell(FormatClock(error.millisecondsSinceStart / 1000), "num");
            Cell(SourceName(error.source, texts_));
            Cell(error.processor >= 0 ? std::to_string(error.processor) : "\xE2\x80\x93", "num");
            const char* end = static_cast<const char*>(std::memchr(error.detail, 0, sizeof(error.detail)));
            std::string detail = "expected " + Hex(error.expected) + ", actual " + Hex(error.actual);
            if (error.offset != 0)
                detail += ", offset " + Hex(error.offset);
            if (end != error.detail)
                detail += "; " + std::string(error.detail, end ? size_t(end - error.detail) : sizeof(error.detail));
            Cell(Utf8Clean(detail), "code");
            html_ += "</tr>\n";
        }
        TableEnd();
    }

    // The recorded detail is meant to be ASCII; anything else is shown as '?' rather than trusted.
    static std::string Utf8Clean(std::string text) {
        for (char& c : text) {
            if (static_cast<unsigned char>(c) >= 0x80 || static_cast<unsigned char>(c) < 0x20)
                c = '?';
        }
        return text;
    }

    const std::string& OnOff(bool on) const { return on ? texts_.on : texts_.off; }

    void SettingsTable() {
        const RunSettings& settings = report_.description.settings;
        SectionStart(texts_.settings);
        html_ += "<div class=\"table-wrap\"><table><tbody>\n";
        for (int load = 0; load < 4; ++load)
            Row(texts_.loadNames[load], OnOff(settings.loads >> load & 1));
        Row(texts_.durationAsked,
            settings.durationSeconds > 0 ? FormatClock(settings.durationSeconds) : texts_.untilStopped);
        Row(texts_.verifyResults, OnOff(settings.verify));
        Row(texts_.stopOnError, OnOff(settings.stopOnError));
        for (const auto& [name, value] : settings.more)
            Row(name, value);
        TableEnd();
    }

    void MachineTable() {
        const MachineInfo& machine = report_.description.machine;
        SectionStart(texts_.machine);
        html_ += "<div class=\"table-wrap\"><table><tbody>\n";
        Row(texts_.processor, Utf8FromUtf16(machine.processorName));
        Row(texts_.processors, std::to_string(machine.logicalProcessors));
        Row(texts_.physicalMemory, Trimmed(double(machine.physicalMemoryBytes) / double(1ull << 30), 1) + " GiB");
        Row(texts_.windowsVersion, Utf8FromUtf16(machine.windowsVersion));
        TableEnd();
    }

    // The time of each row: the log's seconds column, or the row's number in a log without it.
    std::vector<double> RowSeconds() const {
        if (const RunLogSeries* secondsSeries = FindSeries(log_, "seconds"))
            return secondsSeries->values;
        std::vector<double> seconds;
        for (size_t row = 0; row < log_.rows; ++row)
            seconds.push_back(double(row));
        return seconds;
    }

    // One processor's line: each stretch of seconds with a rate thinned on its own, so that the line of the moving
    // worker's processor does not bridge the time it spent elsewhere.
    void ProcessorSeries(const std::vector<double>& seconds,
                         const std::vector<double>& values,
                         size_t maxPoints,
                         int processor) {
        html_ += "<path class=\"series\" style=\"stroke:hsl(";
        AppendFixed(html_, std::fmod(processor * 137.508, 360.0), 0);
        html_ += ",65%,42%)\" d=\"";
        size_t row = 0;
        const size_t rows = std::min(seconds.size(), values.size());
        bool drawn = false;
        while (row < rows) {
            while (row < rows && !std::isfinite(values[row]))
                ++row;
            const size_t start = row;
            while (row < rows && std::isfinite(values[row]))
                ++row;
            if (row == start)
                continue;
            const std::vector<double> partSeconds(seconds.begin() + long(start), seconds.begin() + long(row));
            const std::vector<double> partValues(values.begin() + long(start), values.begin() + long(row));
            const size_t share = std::max<size_t>(2, maxPoints * (row - start) / std::max<size_t>(rows, 1));
            const std::vector<ChartPoint> points = DownsampleMinMax(partSeconds, partValues, share);
            for (size_t i = 0; i < points.size(); ++i)
                Point(i == 0 ? 'M' : 'L', X(points[i].seconds), Y(points[i].value));
            // A stretch of one second still shows as a short stroke.
            if (points.size() == 1)
                Point('L', X(points[0].seconds) + 1, Y(points[0].value));
            drawn = drawn || !points.empty();
        }
        if (!drawn)
            html_ += "M0,0";
        html_ += "\"/>";
    }

    // Every processor's rate on one chart, one coloured line each.
    void ProcessorChart() {
        const std::vector<double> seconds = RowSeconds();
        std::vector<const RunLogSeries*> series;
        valueLow_ = 0;
        valueHigh_ = 0;
        for (const ProcessorSummary& summary : report_.processors) {
            const RunLogSeries* column = FindSeries(log_, ProcessorRateColumn(summary.processor));
            series.push_back(column);
            for (double value : column ? column->values : std::vector<double>()) {
                if (std::isfinite(value))
                    valueHigh_ = std::max(valueHigh_, value);
            }
        }
        if (!(valueHigh_ > 0) || !std::isfinite(valueHigh_))
            return;
        const double step = NiceStep(valueHigh_, 4);
        valueHigh_ = std::ceil(valueHigh_ / step) * step;
        // Together the lines keep to about eight charts' worth of points, and each has at least 40.
        const size_t perProcessor =
            std::clamp<size_t>(8 * kMaxChartPoints / std::max<size_t>(series.size(), 1), 40, kMaxChartPoints);
        html_ += "<figure><figcaption><span>";
        const std::string title = texts_.processorsSection + " \xE2\x80\x94 GFLOPS";
        AppendHtmlEscaped(html_, title);
        html_ += "</span></figcaption>\n<svg class=\"chart\" xmlns=\"http://www.w3.org/2000/svg\" viewBox=\"0 0 ";
        AppendFixed(html_, kChartWidth, 0);
        html_ += ' ';
        AppendFixed(html_, kChartHeight, 0);
        html_ += "\" role=\"img\" aria-label=\"";
        AppendHtmlEscaped(html_, title);
        html_ += "\">";
        ValueAxis("GFLOPS");
        TimeAxis();
        for (size_t i = 0; i < series.size(); ++i) {
            if (series[i])
                ProcessorSeries(seconds, series[i]->values, perProcessor, report_.processors[i].processor);
        }
        ErrorMarks();
        html_ += "</svg></figure>\n";
    }

    int32_t ErrorsOn(int32_t processor) const {
        for (const auto& [number, count] : report_.outcome.processorErrors) {
            if (number == processor)
                return count;
        }
        return 0;
    }

    std::string Marks(int32_t processor) const {
        std::string marks;
        for (const ProcessorEvent& event : report_.heavy.events) {
            if (event.processor != processor)
                continue;
            const std::string& mark = event.kind == ProcessorEventKind::Throttling ? texts_.throttling : texts_.slow;
            if (marks.find(mark) == std::string::npos)
                marks += (marks.empty() ? "" : ", ") + mark;
        }
        return marks;
    }

    const std::string& CycleResultText(CycleResult result) const {
        static const std::string passed = VerdictName(Verdict::Passed), failed = VerdictName(Verdict::Failed);
        return result == CycleResult::Passed ? passed : result == CycleResult::Failed ? failed : texts_.notReached;
    }

    void ProcessorTable() {
        const HeavyRunFacts& heavy = report_.heavy;
        const bool cycle = heavy.cycleSeconds > 0;
        const std::string megahertz = texts_.processorFrequency + " (MHz)";
        const std::string median = texts_.median + " (GFLOPS)";
        html_ += "<div class=\"table-wrap\"><table><thead><tr>";
        for (const auto& [label, numeric] : std::initializer_list<std::pair<const std::string*, bool>>{
                 {&texts_.processor, true}, {&median, true}, {&texts_.minimum, true}, {&texts_.lastMinute, true}}) {
            html_ += numeric ? "<th scope=\"col\" class=\"num\">" : "<th scope=\"col\">";
            AppendHtmlEscaped(html_, *label);
            html_ += "</th>";
        }
        if (heavy.clockAvailable) {
            html_ += "<th scope=\"col\" class=\"num\">";
            AppendHtmlEscaped(html_, megahertz);
            html_ += "</th>";
        }
        if (cycle) {
            html_ += "<th scope=\"col\">";
            AppendHtmlEscaped(html_, texts_.oneProcessorAtATime);
            html_ += "</th>";
        }
        html_ += "<th scope=\"col\"></th></tr></thead><tbody>\n";
        for (const ProcessorSummary& summary : report_.processors) {
            html_ += "<tr>";
            Cell(std::to_string(summary.processor), "num");
            Cell(TableNumber(summary.median), "num");
            Cell(TableNumber(summary.minimum), "num");
            Cell(TableNumber(summary.lastMinute), "num");
            if (heavy.clockAvailable)
                Cell(TableNumber(summary.medianMegahertz), "num");
            if (cycle) {
                const CycleResult result = CycleResultOf(summary, ErrorsOn(summary.processor));
                Cell(CycleResultText(result), result == CycleResult::Failed ? "failed" : nullptr);
            }
            Cell(Marks(summary.processor));
            html_ += "</tr>\n";
        }
        html_ += "</tbody></table></div>\n";
    }

    void EventTable(ProcessorEventKind kind, const std::string& title) {
        bool any = false;
        for (const ProcessorEvent& event : report_.heavy.events) {
            if (event.kind != kind)
                continue;
            if (!any) {
                html_ += "<h3>";
                AppendHtmlEscaped(html_, title);
                html_ += "</h3><div class=\"table-wrap\"><table><thead><tr>";
                for (const std::string* label :
                     {&texts_.processor, &texts_.timeSinceStart, &texts_.duration, &texts_.belowBy}) {
                    html_ += "<th scope=\"col\" class=\"num\">";
                    AppendHtmlEscaped(html_, *label);
                    html_ += "</th>";
                }
                html_ += "</tr></thead><tbody>\n";
                any = true;
            }
            html_ += "<tr>";
            Cell(std::to_string(event.processor), "num");
            Cell(FormatClock(event.startSecond), "num");
            Cell(FormatClock(event.seconds), "num");
            Cell(Trimmed(event.drop * 100, 1) + " %", "num");
            html_ += "</tr>\n";
        }
        if (any)
            html_ += "</tbody></table></div>\n";
    }

    void Note(const std::string& label, const std::string& value) {
        html_ += "<p class=\"note-line\"><b>";
        AppendHtmlEscaped(html_, label);
        html_ += ":</b> ";
        AppendHtmlEscaped(html_, value);
        html_ += "</p>\n";
    }

    // The floating-point load's processors: the chart of all their rates, each one's figures, and the processors
    // marked throttling or slow.
    void ProcessorsSection() {
        const HeavyRunFacts& heavy = report_.heavy;
        if (report_.processors.empty() && !heavy.floatingPoint)
            return;
        html_ += "<section id=\"processors\"><h2>";
        AppendHtmlEscaped(html_, texts_.processorsSection);
        html_ += "</h2>\n";
        if (!heavy.instructionSet.empty())
            Note(texts_.instructionSet, heavy.instructionSet);
        if (heavy.cycleSeconds > 0)
            Note(texts_.oneProcessorAtATime, FormatClock(heavy.cycleSeconds));
        if (!heavy.clockAvailable)
            Note(texts_.processorFrequency, texts_.clockNotAvailable);
        ProcessorChart();
        ProcessorTable();
        EventTable(ProcessorEventKind::Throttling, texts_.throttling);
        EventTable(ProcessorEventKind::Slow, texts_.slow);
        html_ += "</section>\n";
    }

    static std::string Gibibytes(uint64_t bytes) { return Trimmed(double(bytes) / double(1ull << 30), 1) + " GiB"; }

    void MemorySection() {
        const HeavyRunFacts& heavy = report_.heavy;
        if (!heavy.memoryShare)
            return;
        html_ += "<section id=\"memory\"><h2>";
        AppendHtmlEscaped(html_, texts_.loadNames[3]);
        html_ += "</h2>\n<p class=\"note-line\"><b>";
        AppendHtmlEscaped(html_, texts_.memoryTested);
        html_ += ":</b> ";
        html_ += FillLabel(texts_.ofAsked, Gibibytes(heavy.memoryTestedBytes), Gibibytes(heavy.memoryAskedBytes));
        html_ += "</p>\n</section>\n";
    }

    const RunReport& report_;
    const RunLogData& log_;
    const ReportTexts& texts_;
    std::string html_;
    std::vector<double> errorSeconds_;
    double timeSpan_ = 1;
    double valueLow_ = 0;
    double valueHigh_ = 1;
};

}  // namespace

std::string ComposeRunHtml(const RunReport& report, const RunLogData& log, const ReportTexts& texts) {
    return HtmlWriter(report, log, texts).Compose();
}
