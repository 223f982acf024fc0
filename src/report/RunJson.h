// The JSON summary of a run, for scripts: described by docs/run-report.schema.json.
#pragma once

#include <string>

#include "report/RunSummary.h"

// Raised when a field changes meaning; new fields keep the number.
constexpr int kRunReportFormat = 1;

// The summary as UTF-8 JSON text, indented, ending with a line break.
std::string ComposeRunJson(const RunReport& report);
