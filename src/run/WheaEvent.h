// Reading one event of the system's event log, as the event log API renders it in XML, and telling whether it is
// a hardware error that the WHEA logger reported (machine checks, cache, bus, memory and PCI Express errors).
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

struct RunError;

// What the XML says of the event; fields it lacks keep their empty values.
struct LoggedEvent {
    std::u16string provider;
    int32_t eventId = -1;
    // 1 critical, 2 error, 3 warning (corrected hardware errors are logged as warnings), 4 information.
    int32_t level = -1;
    // As written, e.g. "2024-03-05T14:12:09.3456789Z".
    std::u16string systemTime;
    // The event's data as name and value pairs, in order; at most kMaxEventDataFields.
    std::vector<std::pair<std::u16string, std::u16string>> data;
};

constexpr size_t kMaxEventDataFields = 64;
// Longer values and names are cut to this many units.
constexpr size_t kMaxEventTextUnits = 256;
// A rendered event is a few kilobytes; anything far larger is not an event of the log.
constexpr size_t kMaxEventXmlUnits = 1 << 20;

// Reads an event's XML (<Event><System>…</System><EventData><Data Name="…">…</Data>…</EventData></Event>, with
// or without a namespace prefix, quotes of either kind, character references and comments). Returns false, with
// what it read so far, for text that is not such an event: no Event element, broken markup, unbalanced tags.
bool ParseEventXml(std::u16string_view xml, LoggedEvent& event);

// A WHEA logger event that reports an error: from the provider Microsoft-Windows-WHEA-Logger, at level critical,
// error or warning (informational events, such as an error source's start, are not errors).
bool IsHardwareErrorEvent(const LoggedEvent& event);

// The processor the event names: its Windows number where given (ProcessorNumber, ProcessorId), else its local
// APIC id (ApicId, ProcessorApicId), which on most machines is the same number; -1 when none is given.
int32_t EventProcessor(const LoggedEvent& event);

// Fills the error for a hardware error event: source, processor, the event id as its actual value, and a
// description in ASCII (event id, whether corrected, processor, the first data fields).
void DescribeHardwareError(const LoggedEvent& event, RunError& error);
