// The JSON summary, written by nlohmann/json: every string escaped by the library, keys in a fixed order.
#include "report/RunJson.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <nlohmann/json.hpp>

#include "report/CivilTime.h"
#include "report/ReportText.h"
#include "run/CommandLine.h"

namespace {

using Json = nlohmann::ordered_json;

// A figure that may be missing: null instead of NaN, which JSON cannot hold.
Json Number(double value) {
    return std::isfinite(value) ? Json(value) : Json(nullptr);
}

// Seconds to the millisecond, so a duration does not print as 1200.0000000002.
double Milliseconds(double seconds) {
    return std::round(seconds * 1000.0) / 1000.0;
}

std::string DetailText(const RunError& error) {
    const char* end = static_cast<const char*>(std::memchr(error.detail, 0, sizeof(error.detail)));
    return std::string(error.detail, end ? size_t(end - error.detail) : sizeof(error.detail));
}

Json MachineJson(const MachineInfo& machine) {
    return {{"processor", Utf8FromUtf16(machine.processorName)},
            {"logical_processors", machine.logicalProcessors},
            {"physical_memory_bytes", machine.physicalMemoryBytes},
            {"windows", Utf8FromUtf16(machine.windowsVersion)}};
}

Json SettingsJson(const RunSettings& settings) {
    Json loads = Json::array();
    for (int load = 0; load < kRunLoadCount; ++load) {
        if (settings.loads >> load & 1)
            loads.push_back(LoadKey(load));
    }
    Json json = {{"loads", loads},
                 {"duration_s", settings.durationSeconds > 0 ? Json(settings.durationSeconds) : Json(nullptr)},
                 {"verify", settings.verify},
                 {"stop_on_error", settings.stopOnError}};
    for (const auto& [name, value] : settings.more) {
        if (!json.contains(name))
            json[name] = value;
    }
    return json;
}

Json ErrorJson(const RunError& error) {
    return {{"time_s", Milliseconds(double(error.millisecondsSinceStart) / 1000.0)},
            {"check", ErrorSourceKey(error.source)},
            {"processor", error.processor >= 0 ? Json(error.processor) : Json(nullptr)},
            {"offset", error.offset},
            {"expected", error.expected},
            {"actual", error.actual},
            {"detail", DetailText(error)}};
}

Json ErrorsJson(const RunOutcome& outcome) {
    Json kept = Json::array();
    for (const RunError& error : outcome.errors)
        kept.push_back(ErrorJson(error));
    Json byProcessor = Json::array();
    for (const auto& [processor, count] : outcome.processorErrors)
        byProcessor.push_back({{"processor", processor}, {"count", count}});
    Json byCheck = Json::object();
    for (int source = 0; source < kErrorSourceCount; ++source)
        byCheck[ErrorSourceKey(ErrorSource(source))] = outcome.sourceErrors[source];
    return {{"count", outcome.errorCount}, {"kept", kept}, {"by_processor", byProcessor}, {"by_check", byCheck}};
}

Json LoadsJson(const RunReport& report) {
    const RunSettings& settings = report.description.settings;
    Json loads = Json::array();
    for (int load = 0; load < kRunLoadCount; ++load) {
        Json rates = Json::array();
        for (const RateSummary& rate : report.rates) {
            if (rate.load != load)
                continue;
            rates.push_back({{"name", rate.column},
                             {"unit", rate.unit},
                             {"samples", rate.samples},
                             {"minimum", Number(rate.minimum)},
                             {"median", Number(rate.median)},
                             {"maximum", Number(rate.maximum)}});
        }
        loads.push_back({{"load", LoadKey(load)},
                         {"selected", (settings.loads >> load & 1) != 0},
                         {"ran", (report.outcome.loadsRan >> load & 1) != 0},
                         {"could_not_run", (report.outcome.loadsCouldNotRun >> load & 1) != 0},
                         {"verified", LoadIsVerified(load, settings)},
                         {"rates", rates}});
    }
    return loads;
}

int32_t ErrorsOn(const RunOutcome& outcome, int32_t processor) {
    for (const auto& [number, count] : outcome.processorErrors) {
        if (number == processor)
            return count;
    }
    return 0;
}

bool HasEvent(const HeavyRunFacts& heavy, ProcessorEventKind kind, int32_t processor) {
    for (const ProcessorEvent& event : heavy.events) {
        if (event.kind == kind && event.processor == processor)
            return true;
    }
    return false;
}

Json ProcessorsJson(const RunReport& report) {
    Json processors = Json::array();
    const bool cycle = report.heavy.cycleSeconds > 0;
    for (const ProcessorSummary& summary : report.processors) {
        const CycleResult result = CycleResultOf(summary, ErrorsOn(report.outcome, summary.processor));
        processors.push_back({{"processor", summary.processor},
                              {"samples", summary.samples},
                              {"median_gflops", Number(summary.median)},
                              {"minimum_gflops", Number(summary.minimum)},
                              {"last_minute_gflops", Number(summary.lastMinute)},
                              {"median_mhz", Number(summary.medianMegahertz)},
                              {"throttling", HasEvent(report.heavy, ProcessorEventKind::Throttling, summary.processor)},
                              {"slow", HasEvent(report.heavy, ProcessorEventKind::Slow, summary.processor)},
                              {"cycle_result", cycle ? Json(CycleResultKey(result)) : Json(nullptr)}});
    }
    return processors;
}

Json EventsJson(const HeavyRunFacts& heavy, ProcessorEventKind kind) {
    Json events = Json::array();
    for (const ProcessorEvent& event : heavy.events) {
        if (event.kind != kind)
            continue;
        events.push_back({{"processor", event.processor},
                          {"start_s", event.startSecond},
                          {"duration_s", event.seconds},
                          {"drop", Number(std::round(event.drop * 10000) / 10000)},
                          {"baseline_gflops", Number(event.baseline)},
                          {"ongoing", event.ongoing}});
    }
    return events;
}

Json ProcessorLoadJson(const HeavyRunFacts& heavy) {
    if (!heavy.floatingPoint)
        return nullptr;
    return {{"method", "floating_point"},
            {"instruction_set", heavy.instructionSet},
            {"cycle_s", heavy.cycleSeconds > 0 ? Json(heavy.cycleSeconds) : Json(nullptr)},
            {"clock", heavy.clockAvailable ? "available" : "not available"},
            {"throttling", EventsJson(heavy, ProcessorEventKind::Throttling)},
            {"slow", EventsJson(heavy, ProcessorEventKind::Slow)}};
}

Json MemoryLoadJson(const HeavyRunFacts& heavy) {
    if (!heavy.memoryShare)
        return nullptr;
    return {{"share_percent", heavy.memorySharePercent > 0 ? Json(heavy.memorySharePercent) : Json(nullptr)},
            {"asked_bytes", heavy.memoryAskedBytes},
            {"planned_bytes", heavy.memoryPlannedBytes},
            {"tested_bytes", heavy.memoryTestedBytes},
            {"stopped_short", heavy.memoryStoppedShort}};
}

// A disk rate's figures from the summary, by its log column; null when the log has no such column.
Json DiskRateJson(const RunReport& report, const char* column) {
    for (const RateSummary& rate : report.rates) {
        if (rate.column == column)
            return {{"samples", rate.samples},
                    {"minimum", Number(rate.minimum)},
                    {"median", Number(rate.median)},
                    {"maximum", Number(rate.maximum)}};
    }
    return nullptr;
}

// The real-disk load's figures: what reached the device and was read back checked, each rate from its own phase,
// and the temporary-file load's rate beside them when the run measured it too.
Json DiskJson(const RunReport& report) {
    const DiskReport& disk = report.disk;
    if (!disk.ran)
        return nullptr;
    const char* problem = FolderProblemKey(disk.folderProblem);
    return {{"mode", "real"},
            {"folder", Utf8FromUtf16(disk.folder)},
            {"files_verified", disk.done.filesVerified},
            {"bytes_written", disk.done.bytesWritten},
            {"bytes_verified", disk.done.bytesVerified},
            {"leftovers_removed", disk.leftoversRemoved},
            {"write_mb_per_s", DiskRateJson(report, "disk_write_mb_per_s")},
            {"read_mb_per_s", DiskRateJson(report, "disk_read_mb_per_s")},
            {"cache_mb_per_s", DiskRateJson(report, "disk_cache_mb_per_s")},
            {"folder_problem", problem ? Json(problem) : Json(nullptr)},
            {"system_error", disk.systemError}};
}

}  // namespace

std::string ComposeRunJson(const RunReport& report) {
    const RunDescription& description = report.description;
    const RunOutcome& outcome = report.outcome;
    const int64_t asked = description.settings.durationSeconds;
    Json json = {
        {"format", kRunReportFormat},
        {"program", Utf8FromUtf16(description.programVersion)},
        {"machine", MachineJson(description.machine)},
        {"settings", SettingsJson(description.settings)},
        {"start_utc", FormatIsoUtc(description.startUnixSeconds)},
        {"end_utc", FormatIsoUtc(outcome.endUnixSeconds)},
        {"duration_asked_s", asked > 0 ? Json(asked) : Json(nullptr)},
        {"duration_run_s", Milliseconds(std::max(outcome.secondsRun, 0.0))},
        {"verdict", VerdictName(outcome.verdict)},
        {"exit_code", int(ExitCodeFor(outcome.verdict, outcome.stoppedByUser))},
        {"stopped_by_user", outcome.stoppedByUser},
        {"errors", ErrorsJson(outcome)},
        {"loads", LoadsJson(report)},
        {"processors", ProcessorsJson(report)},
        {"processor_load", ProcessorLoadJson(report.heavy)},
        {"memory_load", MemoryLoadJson(report.heavy)},
        {"disk", DiskJson(report)},
    };
    // Replace, not throw: a text that is not valid UTF-8 must not cost the user the summary.
    return json.dump(2, ' ', false, Json::error_handler_t::replace) + "\n";
}
