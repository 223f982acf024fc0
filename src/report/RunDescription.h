// What the log, the JSON summary and the HTML report say about a run before any figure: the program, the machine,
// the settings and the start. The Windows half fills it; the report code only reads it.
#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

struct MachineInfo {
    std::u16string processorName;
    int32_t logicalProcessors = 0;
    uint64_t physicalMemoryBytes = 0;
    // e.g. "10.0.19045"
    std::u16string windowsVersion;
};

struct RunSettings {
    // Bit n: load n (a LoadType value: paint, cpu, disk, memory) was selected.
    int32_t loads = 0;
    // 0: until stopped.
    int64_t durationSeconds = 0;
    bool verify = true;
    bool stopOnError = false;
    // The disk load was the real-disk load, which checks what it reads back.
    bool realDisk = false;
    // The real-disk load's folder, for the report's disk figures.
    std::u16string diskFolder;
    // Settings of later features as name and value in ASCII (e.g. "cpu_method", "fp"): the log's first line and
    // the JSON summary carry them as they are.
    std::vector<std::pair<std::string, std::string>> more;
};

struct RunDescription {
    // The product name with its version, e.g. "Kestrovane 4.91".
    std::u16string programVersion;
    MachineInfo machine;
    RunSettings settings;
    int64_t startUnixSeconds = 0;
};

// "paint", "cpu", "disk", "memory": a load's name in the log, the JSON and the schema; null out of range.
const char* LoadKey(int load);
