// A real main window in the test process: registered class, small language tables, a scratch settings file.
#pragma once

#include <gtest/gtest.h>

#include <windows.h>

#include <string>

#include "support/Scratch.h"

// Language 0 "Deutsch", 1 "English" and 2 "Lang" (overlong captions), with the fixed strings the shell uses.
void LoadTestLanguages();

class ShellTest : public testing::Test {
protected:
    static void SetUpTestSuite();
    void SetUp() override;
    void TearDown() override;

    // Writes the settings file and creates the main window the way start-up does.
    void CreateWithSettings(const std::string& iniText);

    // Dispatches the messages waiting for this thread.
    static void PumpMessages();
    // Takes the quit message from the queue, if one was posted; returns its code or -1.
    static int TakeQuitMessage();

    std::wstring WindowText(HWND window);
    std::wstring ButtonText(HWND toolbar, int command);
    RECT ButtonRect(HWND toolbar, int command);
    bool Checked(int command);
    std::string IniContent();

    ScratchFolder scratch_;
    std::wstring iniPath_;
};

std::wstring ExpectedTitle();
