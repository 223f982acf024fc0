// The verified run from outside: the detectors' self-test on the command line, a clean run of every load that
// shows "Verified: 0 errors" beside the unchanged status line, and injected faults (through the test-only
// environment variable) that turn the part red, stop the run on the first error and end in the FAILED box.
#include <gtest/gtest.h>

#include <windows.h>

#include <string>

#include "e2e/E2eSupport.h"
#include "support/Scratch.h"

namespace {

constexpr int kMaster = 109;
constexpr COLORREF kAlarmRed = RGB(200, 0, 0);
constexpr wchar_t kInjectVariable[] = L"KESTROVANE_TEST_INJECT_FAULTS";

// Runs kestrovane.exe with the arguments, its standard output a pipe; the output and the exit code.
bool RunWithOutput(const std::wstring& arguments, std::string* output, DWORD* exitCode) {
    SECURITY_ATTRIBUTES inherit = {sizeof(inherit), nullptr, TRUE};
    HANDLE reader = nullptr, writer = nullptr;
    if (!CreatePipe(&reader, &writer, &inherit, 0))
        return false;
    SetHandleInformation(reader, HANDLE_FLAG_INHERIT, 0);
    STARTUPINFOW startup = {};
    startup.cb = sizeof(startup);
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdOutput = writer;
    startup.hStdError = writer;
    startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
    std::wstring commandLine = L"\"" + BuiltProgramPath() + L"\" " + arguments;
    PROCESS_INFORMATION process = {};
    const bool started =
        CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup, &process);
    CloseHandle(writer);
    if (started) {
        // Read while the program runs and drain after it ended, never waiting for the pipe's end: under Wine a
        // helper process may inherit the writing end and hold it open after the program is gone.
        const ULONGLONG deadline = GetTickCount64() + 60000;
        bool ended = false;
        while (!ended && GetTickCount64() < deadline) {
            ended = WaitForSingleObject(process.hProcess, 20) == WAIT_OBJECT_0;
            DWORD available = 0;
            while (PeekNamedPipe(reader, nullptr, 0, nullptr, &available, nullptr) && available > 0) {
                char buffer[4096];
                DWORD read = 0;
                if (!ReadFile(reader, buffer, available < sizeof(buffer) ? available : sizeof(buffer), &read,
                              nullptr) ||
                    read == 0)
                    break;
                output->append(buffer, read);
            }
        }
        GetExitCodeProcess(process.hProcess, exitCode);
        CloseHandle(process.hThread);
        CloseHandle(process.hProcess);
    }
    CloseHandle(reader);
    return started;
}

size_t Count(const std::string& text, const std::string& part) {
    size_t count = 0;
    for (size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1))
        ++count;
    return count;
}

std::string Narrow(const std::wstring& text) {
    std::string narrow;
    for (wchar_t unit : text)
        narrow += unit < 128 ? char(unit) : '?';
    return narrow;
}

class VerifiedRunTest : public testing::Test {
protected:
    void TearDown() override {
        StopProgram(program_);
        SetEnvironmentVariableW(kInjectVariable, nullptr);
    }

    void Start(const std::string& iniText, const wchar_t* faults = nullptr) {
        // The program inherits the variable; it is gone again before any other test starts a program.
        SetEnvironmentVariableW(kInjectVariable, faults);
        std::string error;
        ASSERT_TRUE(StartProgram(program_, scratch_.path(), iniText, &error)) << error;
        SetEnvironmentVariableW(kInjectVariable, nullptr);
    }

    void SwitchMaster(bool on) {
        ASSERT_TRUE(ClickToolbarButton(program_, program_.stressToolbar, kMaster));
        ASSERT_TRUE(WaitForMaster(on));
    }

    bool WaitForMaster(bool on, DWORD timeout = 5000) {
        return WaitFor([&] { return ToolbarButtonChecked(program_.stressToolbar, kMaster) == on; }, timeout);
    }

    COLORREF PartPixel() {
        RECT part = {};
        if (!StatusPartScreenRect(program_, 1, &part))
            return CLR_INVALID;
        return ScreenPixel({part.left + 3, (part.top + part.bottom) / 2});
    }

    // The result box the program shows for a failed run: its text, once it is there.
    std::wstring FailedBoxText() {
        HWND box = WaitForProgramWindow(program_, L"#32770");
        return box ? MessageBoxText(box) : std::wstring();
    }

    ScratchFolder scratch_;
    Program program_;
};

}  // namespace

TEST(SelfTestE2e, EveryDetectorCatchesItsFaultAndTheExitCodeSaysSo) {
    for (const wchar_t* option : {L"/selftest", L"-SelfTest"}) {
        std::string output;
        DWORD exitCode = 99;
        ASSERT_TRUE(RunWithOutput(option, &output, &exitCode)) << Narrow(option);
        EXPECT_EQ(exitCode, 0u) << output;
        EXPECT_EQ(output.rfind("Error detection check\n", 0), 0u) << output;
        EXPECT_EQ(Count(output, ": caught ("), 3u) << output;
        EXPECT_NE(output.find("processor load: a wrong sum: caught"), std::string::npos) << output;
        EXPECT_NE(output.find("memory load: a flipped bit: caught"), std::string::npos) << output;
        EXPECT_NE(output.find("hardware error log: a recorded WHEA event: caught"), std::string::npos) << output;
        EXPECT_EQ(Count(output, "\r"), 0u) << "line ends stay single line feeds";
        EXPECT_EQ(output.substr(output.size() - 33), "Every detector caught its fault.\n");
    }
}

TEST_F(VerifiedRunTest, ACleanRunOfEveryLoadShowsVerifiedZeroErrorsBesideTheStatusLine) {
    Start("[Program]\r\nlng=1\r\npaint=1\r\nmem=1\r\naggressiv=1\r\nhd=1\r\n");
    EXPECT_EQ(StatusPartCount(program_.statusBar), 1) << "no run yet, no second part";
    SwitchMaster(true);
    std::wstring part;
    ASSERT_TRUE(WaitFor([&] { return StatusPartText(program_, 1, &part) && !part.empty(); }, 5000));
    EXPECT_EQ(part.rfind(L"Verified: 0 errors", 0), 0u) << Narrow(part);
    // Wine has no event log to watch; Windows may.
    EXPECT_TRUE(part == L"Verified: 0 errors" || part == L"Verified: 0 errors \u2013 hardware error log: not available")
        << Narrow(part);
    Sleep(4000);
    ASSERT_TRUE(StatusPartText(program_, 1, &part));
    EXPECT_EQ(part.rfind(L"Verified: 0 errors", 0), 0u)
        << "a clean run of every load found something: " << Narrow(part);
    EXPECT_NE(PartPixel(), kAlarmRed);
    std::wstring line;
    ASSERT_TRUE(ReadWindowText(program_.statusBar, &line));
    EXPECT_EQ(line.rfind(L"Stress:ON // Paint-Loops = ", 0), 0u) << "part 0 keeps the status line: " << Narrow(line);

    SwitchMaster(false);
    EXPECT_TRUE(WaitFor([&] { return StatusPartCount(program_.statusBar) == 1; }, 5000))
        << "a passed run leaves no part behind";
    Sleep(500);
    EXPECT_EQ(FindProgramWindow(program_, L"#32770"), nullptr) << "a passed run shows no result box";
}

TEST_F(VerifiedRunTest, AWrongSumTurnsThePartRedStopsEveryWorkerAndShowsTheFailedBox) {
    Start("[Program]\r\nlng=1\r\nmem=1\r\naggressiv=1\r\nstop_on_error=1\r\n", L"sum");
    const int idleThreads = CountProcessThreads(program_.process.dwProcessId);
    SwitchMaster(true);
    ASSERT_TRUE(WaitForMaster(false, 30000)) << "the first error did not turn the master switch off";
    const std::wstring box = FailedBoxText();
    EXPECT_EQ(box.rfind(L"FAILED\n1 ERRORS: processor ", 0), 0u) << Narrow(box);
    EXPECT_NE(box.find(L" (additions)\nRun time: 0:00:"), std::wstring::npos) << Narrow(box);
    EXPECT_NE(box.find(L"\nadditions: sum 2 of 1000000 passes is "), std::wstring::npos) << Narrow(box);
    EXPECT_TRUE(WaitFor([&] { return PartPixel() == kAlarmRed; }, 5000)) << "the part is not red";
    EXPECT_TRUE(WaitFor([&] { return CountProcessThreads(program_.process.dwProcessId) <= idleThreads; }, 15000))
        << "not every worker ended after the stop";
    EXPECT_EQ(StatusPartCount(program_.statusBar), 2) << "the errors stay shown after the run";
}

TEST_F(VerifiedRunTest, AFlippedBitAndARecordedHardwareErrorBothCountUntilTheUserStops) {
    Start("[Program]\r\nlng=1\r\nmem=1\r\naggressiv=0\r\n", L"bit,whea");
    SwitchMaster(true);
    EXPECT_TRUE(WaitFor([&] { return PartPixel() == kAlarmRed; }, 10000)) << "the part is not red";
    Sleep(1500);
    EXPECT_TRUE(ToolbarButtonChecked(program_.stressToolbar, kMaster)) << "without stop_on_error the run goes on";
    SwitchMaster(false);
    const std::wstring box = FailedBoxText();
    EXPECT_EQ(box.rfind(L"FAILED\n2 ERRORS: processor 4 (hardware error log)\n", 0), 0u) << Narrow(box);
    EXPECT_NE(box.find(L"\nhardware error log: WHEA-Logger event 19 (corrected)"), std::wstring::npos) << Narrow(box);
}
