// The HTML report of a run: one self-contained file (inline style and SVG, no script, no network) that opens in
// any browser: the verdict, a chart of each rate over time with the errors marked, then the tables.
#pragma once

#include <string>

#include "report/ReportText.h"
#include "report/RunLog.h"
#include "report/RunSummary.h"

// Points per chart at most; a longer series is thinned by DownsampleMinMax.
constexpr size_t kMaxChartPoints = 2000;

// The report as UTF-8 HTML. Every text from the run, the machine and the labels is escaped.
std::string ComposeRunHtml(const RunReport& report, const RunLogData& log, const ReportTexts& texts);
