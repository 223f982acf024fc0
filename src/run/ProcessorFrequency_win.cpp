// Reading the frequency counters through pdh.dll, loaded at run time so that a system without it still starts.
#include <windows.h>
#include <pdh.h>
#include <pdhmsg.h>

#include <cmath>
#include <cstdint>
#include <cwchar>
#include <limits>
#include <string>
#include <vector>

#include "run/ProcessorFrequency.h"

namespace {

// The PDH calls used, found at run time: nothing links against pdh.dll.
using OpenQueryCall = decltype(&PdhOpenQueryW);
using AddEnglishCounterCall = decltype(&PdhAddEnglishCounterW);
using CollectCall = decltype(&PdhCollectQueryData);
using CloseQueryCall = decltype(&PdhCloseQuery);
using GetArrayCall = decltype(&PdhGetFormattedCounterArrayW);

const wchar_t kPerformancePath[] = L"\\Processor Information(*)\\% Processor Performance";
const wchar_t kNominalPath[] = L"\\Processor Information(*)\\Processor Frequency";

template <typename Call>
Call Find(const FrequencyCounters& counters, const char* name) {
    return reinterpret_cast<Call>(
        reinterpret_cast<void*>(GetProcAddress(static_cast<HMODULE>(counters.library), name)));
}

// Each instance's value by logical processor index; NaN where none.
bool ReadCounter(const FrequencyCounters& counters,
                 PDH_HCOUNTER counter,
                 const ProcessorGroups& groups,
                 std::vector<double>& values) {
    const auto getArray = Find<GetArrayCall>(counters, "PdhGetFormattedCounterArrayW");
    if (!getArray)
        return false;
    DWORD bytes = 0, count = 0;
    if (getArray(counter, PDH_FMT_DOUBLE, &bytes, &count, nullptr) != LONG(PDH_MORE_DATA) || bytes == 0)
        return false;
    // Aligned for the records at the buffer's start; their names follow them in the same buffer.
    std::vector<uint64_t> buffer((bytes + sizeof(uint64_t) - 1) / sizeof(uint64_t));
    auto* items = reinterpret_cast<PDH_FMT_COUNTERVALUE_ITEM_W*>(buffer.data());
    if (getArray(counter, PDH_FMT_DOUBLE, &bytes, &count, items) != ERROR_SUCCESS)
        return false;
    values.assign(size_t(LogicalProcessorCount(groups)), std::numeric_limits<double>::quiet_NaN());
    for (DWORD i = 0; i < count; ++i) {
        int group = 0, number = 0;
        static_assert(sizeof(wchar_t) == sizeof(char16_t));
        const std::u16string name(reinterpret_cast<const char16_t*>(items[i].szName), std::wcslen(items[i].szName));
        if (!ParseProcessorInstance(name, group, number))
            continue;
        const int index = ProcessorIndexOf(groups, group, number);
        const DWORD status = items[i].FmtValue.CStatus;
        if (index >= 0 && (status == PDH_CSTATUS_VALID_DATA || status == PDH_CSTATUS_NEW_DATA))
            values[size_t(index)] = items[i].FmtValue.doubleValue;
    }
    return true;
}

}  // namespace

bool OpenFrequencyCounters(FrequencyCounters& counters) {
    counters = FrequencyCounters();
    HMODULE library = LoadLibraryW(L"pdh.dll");
    if (!library)
        return false;
    counters.library = library;
    const auto openQuery = Find<OpenQueryCall>(counters, "PdhOpenQueryW");
    const auto addCounter = Find<AddEnglishCounterCall>(counters, "PdhAddEnglishCounterW");
    const auto collect = Find<CollectCall>(counters, "PdhCollectQueryData");
    if (!openQuery || !addCounter || !collect ||
        openQuery(nullptr, 0, reinterpret_cast<PDH_HQUERY*>(&counters.query)) != ERROR_SUCCESS) {
        CloseFrequencyCounters(counters);
        return false;
    }
    if (addCounter(counters.query, kPerformancePath, 0, reinterpret_cast<PDH_HCOUNTER*>(&counters.performance)) !=
            ERROR_SUCCESS ||
        addCounter(counters.query, kNominalPath, 0, reinterpret_cast<PDH_HCOUNTER*>(&counters.nominal)) !=
            ERROR_SUCCESS ||
        collect(counters.query) != ERROR_SUCCESS) {
        CloseFrequencyCounters(counters);
        return false;
    }
    counters.available = true;
    return true;
}

bool ReadFrequencies(FrequencyCounters& counters, const ProcessorGroups& groups, std::vector<double>& megahertz) {
    if (!counters.available)
        return false;
    const auto collect = Find<CollectCall>(counters, "PdhCollectQueryData");
    std::vector<double> performance, nominal;
    if (!collect || collect(counters.query) != ERROR_SUCCESS ||
        !ReadCounter(counters, counters.performance, groups, performance) ||
        !ReadCounter(counters, counters.nominal, groups, nominal))
        return false;
    megahertz.resize(performance.size());
    for (size_t i = 0; i < performance.size(); ++i)
        megahertz[i] = EffectiveMegahertz(nominal[i], performance[i]);
    return true;
}

void CloseFrequencyCounters(FrequencyCounters& counters) {
    if (counters.query) {
        if (const auto closeQuery = Find<CloseQueryCall>(counters, "PdhCloseQuery"))
            closeQuery(counters.query);
    }
    if (counters.library)
        FreeLibrary(static_cast<HMODULE>(counters.library));
    counters = FrequencyCounters();
}
