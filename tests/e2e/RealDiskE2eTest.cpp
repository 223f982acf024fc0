// The real-disk load in the real program, driven from outside: a half-minute run from the command line writes
// verified files of the load's own names into the chosen folder, shows its rates, ends PASSED with the disk's
// figures in its summary and leaves no file; a bit flipped on its way back fails the run with the file and the offset;
// a folder that does not exist is told in a message box while the window keeps answering, and nothing is written
// anywhere.
#include <gtest/gtest.h>

#include <windows.h>

#include <cwchar>
#include <nlohmann/json.hpp>
#include <string>

#include "e2e/E2eSupport.h"
#include "stress/StressState.h"
#include "support/Scratch.h"

namespace {

std::string Narrow(const std::wstring& text) {
    return std::string(text.begin(), text.end());
}

bool LoadFileThere(const std::wstring& folder) {
    WIN32_FIND_DATAW found;
    HANDLE search = FindFirstFileW((folder + L"\\kestrovane-disk-*.tmp").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE)
        return false;
    FindClose(search);
    return true;
}

class RealDiskE2e : public testing::Test {
protected:
    void SetUp() override {
        programFolder_ = scratch_.File(L"program");
        CreateDirectoryW(programFolder_.c_str(), nullptr);
    }
    void TearDown() override { StopProgram(program_); }

    ScratchFolder scratch_;
    std::wstring programFolder_;
    Program program_;
};

}  // namespace

// Half a minute of the real-disk load as a script runs it, in the window: its files appear in the chosen folder,
// the status part shows both rates beside "Verified: 0 errors", the run ends by itself with exit code 0, its
// summary (kept for the schema check of tools/test.sh) has the disk's figures, and no file outlives the run.
TEST_F(RealDiskE2e, AHalfMinuteRunShowsItsRatesEndsPassedWithItsFiguresAndLeavesNoFile) {
    const std::wstring files = scratch_.File(L"files");
    ASSERT_TRUE(CreateDirectoryW(files.c_str(), nullptr));
    const std::wstring json = scratch_.File(L"disk.json");
    std::string error;
    ASSERT_TRUE(
        StartProgram(program_, programFolder_, "[Program]\r\n", &error,
                     L"/start /disk real /diskpath \"" + files + L"\" /duration 30s /exit /json \"" + json + L"\""))
        << error;
    EXPECT_TRUE(WaitFor([&] { return LoadFileThere(files); }, 20000)) << "no file of the load appeared";
    std::wstring part;
    int written = 0, read = 0;
    EXPECT_TRUE(WaitFor(
        [&] {
            if (!StatusPartText(program_, 1, &part))
                return false;
            const size_t rates = part.find(L"Disk: write ");
            return rates != std::wstring::npos &&
                   swscanf(part.c_str() + rates, L"Disk: write %d MB/s, read %d MB/s", &written, &read) == 2 &&
                   written > 0 && read > 0;
        },
        25000))
        << "the part shows no rates: " << Narrow(part);
    EXPECT_EQ(part.rfind(L"Verified: 0 errors \u2013 ", 0), 0u) << Narrow(part);
    ASSERT_EQ(WaitForSingleObject(program_.process.hProcess, 60000), WAIT_OBJECT_0) << "the run did not end by itself";
    DWORD exitCode = 99;
    GetExitCodeProcess(program_.process.hProcess, &exitCode);
    EXPECT_EQ(exitCode, 0u) << "PASSED";
    EXPECT_FALSE(LoadFileThere(files)) << "a file outlived the run";

    const nlohmann::json summary = nlohmann::json::parse(ReadFileBytes(json), nullptr, false);
    ASSERT_FALSE(summary.is_discarded()) << "no JSON summary";
    EXPECT_EQ(summary["verdict"], "PASSED");
    EXPECT_EQ(summary["settings"]["loads"], nlohmann::json::array({"disk"}));
    EXPECT_EQ(summary["loads"][2]["verified"], true) << "the real-disk load checks what it reads back";
    const nlohmann::json& disk = summary["disk"];
    ASSERT_TRUE(disk.is_object()) << summary.dump();
    EXPECT_EQ(disk["mode"], "real");
    EXPECT_GT(disk["files_verified"].get<int64_t>(), 0);
    EXPECT_GT(disk["bytes_verified"].get<int64_t>(), 0);
    ASSERT_TRUE(disk["write_mb_per_s"].is_object());
    EXPECT_GT(disk["write_mb_per_s"]["samples"].get<int>(), 0);
    const std::wstring kept = RealReportFolder();
    CreateDirectoryW(kept.c_str(), nullptr);
    EXPECT_TRUE(CopyFileW(json.c_str(), (kept + L"\\disk.json").c_str(), FALSE));
}

TEST_F(RealDiskE2e, AMissingFolderIsToldInAMessageBoxWhileTheWindowKeepsAnswering) {
    const std::wstring missing = scratch_.File(L"no such folder");
    std::string error;
    ASSERT_TRUE(StartProgram(
        program_, programFolder_,
        "[Program]\r\naggressiv=0\r\nhd=1\r\ndisk_mode=1\r\ndisk_folder=" + Narrow(missing) + "\r\n", &error))
        << error;
    SendToolbarCommand(program_, program_.stressToolbar, kCommandMaster);
    HWND box = nullptr;
    ASSERT_TRUE(WaitFor(
        [&] {
            box = FindTopLevelWindow(program_.process.dwProcessId, L"#32770");
            return box != nullptr;
        },
        15000))
        << "no message box";
    const std::wstring text = MessageBoxText(box);
    EXPECT_NE(text.find(L"cannot use the folder"), std::wstring::npos) << Narrow(text);
    EXPECT_NE(text.find(missing), std::wstring::npos) << Narrow(text);
    EXPECT_NE(text.find(L"does not exist"), std::wstring::npos) << Narrow(text);
    std::wstring title;
    EXPECT_TRUE(ReadWindowText(program_.mainWindow, &title)) << "the window stays responsive";
    EXPECT_EQ(GetFileAttributesW(missing.c_str()), INVALID_FILE_ATTRIBUTES) << "the folder is not made";
    PostMessageW(box, WM_CLOSE, 0, 0);
    EXPECT_TRUE(WaitFor([&] { return !IsWindow(box); }, 5000));
}

// A bit flipped in what came back from the device (the test-only fault) is an error of the disk load: the run's
// result names the load, the file and the offset of the damaged byte.
TEST_F(RealDiskE2e, ABitFlippedOnTheWayBackFailsTheRunWithItsFileAndOffset) {
    const std::wstring files = scratch_.File(L"files");
    ASSERT_TRUE(CreateDirectoryW(files.c_str(), nullptr));
    SetEnvironmentVariableW(L"KESTROVANE_TEST_INJECT_FAULTS", L"disk");
    std::string error;
    const bool started = StartProgram(
        program_, programFolder_,
        "[Program]\r\naggressiv=0\r\nhd=1\r\ndisk_mode=1\r\ndisk_folder=" + Narrow(files) + "\r\n", &error);
    SetEnvironmentVariableW(L"KESTROVANE_TEST_INJECT_FAULTS", nullptr);
    ASSERT_TRUE(started) << error;
    SendToolbarCommand(program_, program_.stressToolbar, kCommandMaster);
    // The alarm look: the part turns red.
    EXPECT_TRUE(WaitFor(
        [&] {
            RECT area = {};
            return StatusPartScreenRect(program_, 1, &area) &&
                   ScreenPixel({area.left + 3, (area.top + area.bottom) / 2}) == RGB(200, 0, 0);
        },
        60000))
        << "the part did not show the error";
    SendToolbarCommand(program_, program_.stressToolbar, kCommandMaster);
    HWND box = WaitForProgramWindow(program_, L"#32770");
    ASSERT_NE(box, nullptr) << "no result box";
    const std::wstring text = MessageBoxText(box);
    EXPECT_EQ(text.rfind(L"FAILED\n1 ERRORS: HD-Stress\n", 0), 0u) << Narrow(text);
    EXPECT_NE(text.find(L"-00000000.tmp offset 4101: damaged sector; 1 of 256 sectors wrong"), std::wstring::npos)
        << Narrow(text);
    PostMessageW(box, WM_CLOSE, 0, 0);
    EXPECT_TRUE(WaitFor([&] { return !LoadFileThere(files); }, 20000)) << "a file outlived the stop";
}
