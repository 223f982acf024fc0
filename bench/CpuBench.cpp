// Prints the processor load's speed against the hardware limit for the same work, and how busy it keeps
// every processor.
#include <windows.h>
#include <winternl.h>

#include <algorithm>
#include <cstdio>
#include <vector>

#include "stress/CpuWorker.h"
#include "stress/LoadFault.h"
#include "stress/StressControl.h"
#include "stress/Workers.h"

namespace {

constexpr int kPasses = 1000000;
constexpr int kCalls = 8;

double SecondsSince(LARGE_INTEGER start) {
    LARGE_INTEGER now, frequency;
    QueryPerformanceCounter(&now);
    QueryPerformanceFrequency(&frequency);
    return double(now.QuadPart - start.QuadPart) / double(frequency.QuadPart);
}

double MegaAddsPerSecond() {
    LARGE_INTEGER start;
    QueryPerformanceCounter(&start);
    for (int i = 0; i < kCalls; ++i)
        MegaAdder.MegaAdd(kPasses);
    return kCalls * 100.0 * kPasses / SecondsSince(start) / 1e6;
}

// The worker's checked call: the sums handed back and compared with their known value after every call.
double CheckedMegaAddsPerSecond() {
    LARGE_INTEGER start;
    QueryPerformanceCounter(&start);
    int wrong = 0;
    for (int i = 0; i < kCalls; ++i) {
        MegaAddSums sums;
        MegaAdder.MegaAdd(kPasses, sums);
        LoadFault fault;
        wrong += CheckMegaAddSums(sums, kPasses, fault) ? 0 : 1;
    }
    const double rate = kCalls * 100.0 * kPasses / SecondsSince(start) / 1e6;
    if (wrong)
        std::printf("%d calls gave wrong sums\n", wrong);
    return rate;
}

#if defined(__GNUC__) && defined(__x86_64__)
volatile int referenceCell = 333;

// The hardware limit for this work: 100 additions straight from memory per pass, in four independent sums.
double ReferenceAddsPerSecond() {
    LARGE_INTEGER start;
    QueryPerformanceCounter(&start);
    for (int call = 0; call < kCalls; ++call) {
        for (int pass = 0; pass < kPasses; ++pass) {
            int a = 0, b = 0, c = 0, d = 0;
            asm volatile(
                ".rept 25\n\t"
                "add %[cell], %[a]\n\t"
                "add %[cell], %[b]\n\t"
                "add %[cell], %[c]\n\t"
                "add %[cell], %[d]\n\t"
                ".endr"
                : [a] "+r"(a), [b] "+r"(b), [c] "+r"(c), [d] "+r"(d)
                : [cell] "m"(referenceCell));
        }
    }
    return kCalls * 100.0 * kPasses / SecondsSince(start) / 1e6;
}
#else
double ReferenceAddsPerSecond() {
    return 0.0;
}
#endif

struct ProcessorTimes {
    LARGE_INTEGER idle, kernel, user, dpc, interrupt;
    ULONG interruptCount;
};

// Idle and total time of every processor; kernel time includes idle time.
std::vector<ProcessorTimes> ReadProcessorTimes(int processors) {
    std::vector<ProcessorTimes> times(processors);
    using Query = LONG(WINAPI*)(int, void*, ULONG, ULONG*);
    auto query =
        reinterpret_cast<Query>((void*)GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "NtQuerySystemInformation"));
    constexpr int kSystemProcessorPerformanceInformation = 8;
    if (!query || query(kSystemProcessorPerformanceInformation, times.data(),
                        ULONG(times.size() * sizeof(ProcessorTimes)), nullptr) != 0)
        times.clear();
    return times;
}

}  // namespace

int main() {
    SYSTEM_INFO info;
    GetSystemInfo(&info);
    const int processors = int(info.dwNumberOfProcessors);

    // Alternating rounds, best of each: other work on the machine then slows both sides alike.
    double megaAdd = 0.0, reference = 0.0, checked = 0.0;
    for (int round = 0; round < 5; ++round) {
        megaAdd = std::max(megaAdd, MegaAddsPerSecond());
        checked = std::max(checked, CheckedMegaAddsPerSecond());
        reference = std::max(reference, ReferenceAddsPerSecond());
    }
    std::printf("%-56s %12s\n", "measure", "value");
    std::printf("%-56s %12.1f\n", "MegaAdd, one thread, best of 5 (million additions/s)", megaAdd);
    std::printf("%-56s %12.1f\n", "add reg,[mem] reference, best of 5 (million additions/s)", reference);
    if (reference > 0.0)
        std::printf("%-56s %12.3f\n", "ratio (goal >= 0.95)", megaAdd / reference);
    std::printf("%-56s %12.1f\n", "MegaAdd with the sums checked, best of 5", checked);
    std::printf("%-56s %12.1f\n", "MegaAdd unchecked, best of 5 (the reference)", megaAdd);
    std::printf("%-56s %12.3f\n", "checked / unchecked (goal >= 0.99)", checked / megaAdd);

    Stress.processorCount = processors;
    Stress.cpuOn = 1;
    Stress.masterOn = 1;
    StartLoadWorkers(nullptr, LoadType::Cpu);
    Sleep(500);
    const auto before = ReadProcessorTimes(processors);
    Sleep(10000);
    const auto after = ReadProcessorTimes(processors);
    Stress.masterOn = 0;
    if (before.empty() || after.empty()) {
        std::printf("processor times unavailable\n");
        return 0;
    }
    for (int i = 0; i < processors; ++i) {
        const double idle = double(after[i].idle.QuadPart - before[i].idle.QuadPart);
        const double total = double(after[i].kernel.QuadPart - before[i].kernel.QuadPart) +
                             double(after[i].user.QuadPart - before[i].user.QuadPart);
        std::printf("processor %-2d busy during 10 s of load (goal >= 98 %%) %7.1f %%\n", i,
                    total > 0 ? 100.0 * (1.0 - idle / total) : 0.0);
    }
    std::printf("%-56s %12.1f\n", "published MEGA-ADD (whole machine)", Stress.megaAddRate.load());
    return 0;
}
