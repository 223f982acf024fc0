// What the run's files say about the machine: registry, processor, memory status and the kernel's version.
#include "report/MachineInfo_win.h"

#include <windows.h>

#if defined(_MSC_VER)
#include <intrin.h>
#else
#include <cpuid.h>
#endif

#include <cstring>
#include <string>

#include "base/WideText.h"

namespace {

using RtlGetVersionFunction = LONG(WINAPI*)(OSVERSIONINFOW*);

std::u16string Trimmed(std::u16string text) {
    const size_t first = text.find_first_not_of(u' ');
    if (first == std::u16string::npos)
        return {};
    const size_t last = text.find_last_not_of(u' ');
    return text.substr(first, last - first + 1);
}

std::u16string ProcessorNameFromRegistry() {
    wchar_t name[256] = {};
    DWORD bytes = sizeof(name) - sizeof(wchar_t);
    if (RegGetValueW(HKEY_LOCAL_MACHINE, L"HARDWARE\\DESCRIPTION\\System\\CentralProcessor\\0", L"ProcessorNameString",
                     RRF_RT_REG_SZ, nullptr, name, &bytes) != ERROR_SUCCESS)
        return {};
    name[sizeof(name) / sizeof(name[0]) - 1] = 0;
    return Trimmed(AsUtf16(name));
}

// The compilers name the instruction's intrinsic differently.
void Cpuid(unsigned int leaf, unsigned int* registers) {
#if defined(_MSC_VER)
    int values[4];
    __cpuid(values, int(leaf));
    for (int i = 0; i < 4; ++i)
        registers[i] = unsigned(values[i]);
#else
    __cpuid(leaf, registers[0], registers[1], registers[2], registers[3]);
#endif
}

// The brand string of cpuid leaves 0x80000002-4, where the processor has them.
std::u16string ProcessorNameFromCpuid() {
    unsigned int registers[12] = {};
    Cpuid(0x80000000, registers);
    if (registers[0] < 0x80000004)
        return {};
    for (unsigned int leaf = 0; leaf < 3; ++leaf)
        Cpuid(0x80000002 + leaf, registers + leaf * 4);
    char brand[sizeof(registers) + 1] = {};
    std::memcpy(brand, registers, sizeof(registers));
    std::u16string name;
    for (const char* at = brand; *at; ++at)
        name += char16_t(static_cast<unsigned char>(*at) < 0x80 ? *at : '?');
    return Trimmed(name);
}

int32_t LogicalProcessors() {
    const DWORD all = GetActiveProcessorCount(ALL_PROCESSOR_GROUPS);
    if (all > 0)
        return int32_t(all);
    SYSTEM_INFO system;
    GetSystemInfo(&system);
    return int32_t(system.dwNumberOfProcessors);
}

uint64_t PhysicalMemory() {
    MEMORYSTATUSEX status = {};
    status.dwLength = sizeof(status);
    return GlobalMemoryStatusEx(&status) ? uint64_t(status.ullTotalPhys) : 0;
}

std::u16string WindowsVersion() {
    HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
    // Through void*: FARPROC's declared type differs from the function's, which GCC warns about on a direct cast.
    const auto getVersion =
        ntdll ? reinterpret_cast<RtlGetVersionFunction>(reinterpret_cast<void*>(GetProcAddress(ntdll, "RtlGetVersion")))
              : nullptr;
    OSVERSIONINFOW version = {};
    version.dwOSVersionInfoSize = sizeof(version);
    if (!getVersion || getVersion(&version) != 0)
        return {};
    const std::wstring text = std::to_wstring(version.dwMajorVersion) + L"." + std::to_wstring(version.dwMinorVersion) +
                              L"." + std::to_wstring(version.dwBuildNumber);
    return AsUtf16(text.c_str());
}

}  // namespace

MachineInfo ReadMachineInfo() {
    MachineInfo machine;
    machine.processorName = ProcessorNameFromRegistry();
    if (machine.processorName.empty())
        machine.processorName = ProcessorNameFromCpuid();
    machine.logicalProcessors = LogicalProcessors();
    machine.physicalMemoryBytes = PhysicalMemory();
    machine.windowsVersion = WindowsVersion();
    return machine;
}
