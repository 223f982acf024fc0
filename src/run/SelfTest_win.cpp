// Running the detector self-test for the window's menu and for the command line.
#include "run/SelfTest_win.h"

#include <atomic>

#include "i18n/LanguageTables.h"
#include "run/ConsoleOutput_win.h"
#include "run/RunNotice_win.h"
#include "run/RunStatusText.h"
#include "run/SelfTest.h"

namespace {

constexpr int64_t kMillisecondsPerDetector = 1000;

std::atomic<int32_t> selfTestRunning{0};

DWORD WINAPI SelfTestThread(LPVOID parameter) {
    auto report = new SelfTestReport(RunDetectorSelfTest(kMillisecondsPerDetector));
    selfTestRunning.store(0, std::memory_order_relaxed);
    if (!PostMessageW(static_cast<HWND>(parameter), kSelfTestDoneMessage, 0, reinterpret_cast<LPARAM>(report)))
        delete report;
    return 0;
}

}  // namespace

bool StartSelfTestThread(HWND window) {
    if (selfTestRunning.exchange(1, std::memory_order_relaxed) != 0)
        return true;
    HANDLE thread = CreateThread(nullptr, 0, SelfTestThread, window, 0, nullptr);
    if (!thread) {
        selfTestRunning.store(0, std::memory_order_relaxed);
        return false;
    }
    CloseHandle(thread);
    return true;
}

int RunSelfTestOnConsole() {
    const SelfTestReport report = RunDetectorSelfTest(kMillisecondsPerDetector);
    const std::u16string table = ComposeSelfTestTable(report);
    const char16_t* title = GetText(kTextDetectorCheck);
    WriteConsoleText(table.c_str(), title ? title : u"");
    return report.allCaught ? 0 : 1;
}
