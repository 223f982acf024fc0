// The option rows and their walk: the shipped "Memory-Stress" row, and how a table with every kind of row is
// numbered for the system menu and its commands found again.
#include <gtest/gtest.h>

#include <algorithm>

#include "run/OptionsMenu.h"
#include "run/RunOptions.h"
#include "stress/DiskLoadChoice.h"
#include "stress/HeavyOptions.h"
#include "stress/StressState.h"

namespace {

bool AlwaysChecked() {
    return true;
}

constexpr OptionRow kInner[] = {
    {OptionKind::Action, 501, 61},
    {OptionKind::Separator},
    {OptionKind::Check, 502, 62, AlwaysChecked},
};
constexpr OptionRow kRows[] = {
    {OptionKind::Check, 111, 60, AlwaysChecked},
    {OptionKind::Submenu, 0, 63, nullptr, kInner},
    {OptionKind::Separator},
    {OptionKind::Action, 503, 64},
};

}  // namespace

TEST(OptionsMenu, TheMemoryStressRowSendsCommand111AndShowsTheMemorySwitch) {
    const auto rows = OptionRows();
    ASSERT_GE(rows.size(), 4u);
    EXPECT_EQ(rows[0].kind, OptionKind::Check);
    EXPECT_EQ(rows[0].command, kCommandMemory);
    EXPECT_EQ(rows[0].textIndex, 60);
    ASSERT_NE(rows[0].checked, nullptr);
    Stress.memoryOn = 1;
    EXPECT_TRUE(rows[0].checked());
    Stress.memoryOn = 0;
    EXPECT_FALSE(rows[0].checked());
    EXPECT_EQ(OptionMenuIdForCommand(rows, kCommandMemory), kFirstOptionMenuId);
}

TEST(OptionsMenu, TheRunsRowsFollowVerifyStopOnErrorAndTheDetectorCheck) {
    const auto rows = OptionRows();
    ASSERT_GE(rows.size(), 4u) << "later options follow these";
    const struct {
        OptionKind kind;
        int command;
        int text;
        std::atomic<int32_t>* option;
    } expected[] = {
        {OptionKind::Check, kCommandVerifyResults, 111, &RunOptions.verify},
        {OptionKind::Check, kCommandStopOnFirstError, 112, &RunOptions.stopOnError},
    };
    for (int i = 0; i < 2; ++i) {
        const OptionRow& row = rows[size_t(i) + 1];
        EXPECT_EQ(row.kind, expected[i].kind) << i;
        EXPECT_EQ(row.command, expected[i].command) << i;
        EXPECT_EQ(row.textIndex, expected[i].text) << i;
        EXPECT_EQ(OptionMenuIdForCommand(rows, row.command), kFirstOptionMenuId + unsigned(i + 1) * 16) << i;
        if (!expected[i].option) {
            EXPECT_EQ(row.checked, nullptr);
            continue;
        }
        ASSERT_NE(row.checked, nullptr);
        const int32_t saved = expected[i].option->load();
        *expected[i].option = 1;
        EXPECT_TRUE(row.checked()) << i;
        *expected[i].option = 0;
        EXPECT_FALSE(row.checked()) << i;
        *expected[i].option = saved;
    }
}

TEST(OptionsMenu, TheDiskLoadSubmenuChecksTheModeInUseAndOffersTheFolder) {
    const auto rows = OptionRows();
    const auto disk = std::find_if(rows.begin(), rows.end(), [](const OptionRow& row) { return row.textIndex == 215; });
    ASSERT_NE(disk, rows.end());
    ASSERT_EQ(disk->kind, OptionKind::Submenu);
    ASSERT_EQ(disk->rows.size(), 4u);
    EXPECT_EQ(disk->rows[0].command, kCommandDiskCache);
    EXPECT_EQ(disk->rows[1].command, kCommandDiskReal);
    EXPECT_EQ(disk->rows[2].kind, OptionKind::Separator);
    EXPECT_EQ(disk->rows[3].kind, OptionKind::Action);
    EXPECT_EQ(disk->rows[3].command, kCommandDiskFolder);
    for (DiskLoadMode mode : {DiskLoadMode::Real, DiskLoadMode::Cache}) {
        DiskChoice.mode = int32_t(mode);
        EXPECT_EQ(disk->rows[0].checked(), mode == DiskLoadMode::Cache);
        EXPECT_EQ(disk->rows[1].checked(), mode == DiskLoadMode::Real);
    }
    EXPECT_NE(OptionMenuIdForCommand(rows, kCommandDiskFolder), 0u) << "every row of the submenu sends its command";
}

TEST(OptionsMenu, TheWalkNumbersTheRowsThatSendACommandInStepsOf16DepthFirst) {
    const std::vector<OptionItem> items = OptionItems(kRows);
    ASSERT_EQ(items.size(), 7u);
    const struct {
        int command;
        int depth;
        unsigned menuId;
    } expected[] = {
        {111, 0, 0x1000}, {0, 0, 0}, {501, 1, 0x1010}, {0, 1, 0}, {502, 1, 0x1020}, {0, 0, 0}, {503, 0, 0x1030},
    };
    for (size_t i = 0; i < items.size(); ++i) {
        EXPECT_EQ(items[i].row->command, expected[i].command) << "item " << i;
        EXPECT_EQ(items[i].depth, expected[i].depth) << "item " << i;
        EXPECT_EQ(items[i].menuId, expected[i].menuId) << "item " << i;
    }
    EXPECT_EQ(items[1].row->rows.size(), 3u) << "the submenu row carries its rows";
}

TEST(OptionsMenu, ASystemCommandFindsItsRowWhateverTheSystemPutsInTheLowFourBits) {
    EXPECT_EQ(OptionCommandForMenuId(kRows, 0x1000), 111);
    EXPECT_EQ(OptionCommandForMenuId(kRows, 0x100F), 111);
    EXPECT_EQ(OptionCommandForMenuId(kRows, 0x1023), 502) << "inside the submenu";
    EXPECT_EQ(OptionCommandForMenuId(kRows, 0x1030), 503);
    EXPECT_EQ(OptionCommandForMenuId(kRows, 0x1040), 0) << "past the last row";
    EXPECT_EQ(OptionCommandForMenuId(kRows, kOptionsSeparatorMenuId), 0) << "the separator sends nothing";
    EXPECT_EQ(OptionCommandForMenuId(kRows, 0xF060), 0) << "the system's own commands (here SC_CLOSE)";
    EXPECT_EQ(OptionCommandForMenuId(kRows, 0), 0);
    EXPECT_EQ(OptionMenuIdForCommand(kRows, 502), 0x1020u);
    EXPECT_EQ(OptionMenuIdForCommand(kRows, 0), 0u) << "separators and submenus have no identifier";
    EXPECT_EQ(OptionMenuIdForCommand(kRows, 999), 0u);
}

TEST(OptionsMenu, IdentifiersNeverReachTheSystemsOwnCommands) {
    std::vector<OptionRow> many(4000, OptionRow{OptionKind::Action, 7, 60});
    const std::vector<OptionItem> items = OptionItems(many);
    const unsigned usable = (kSystemMenuIdEnd - kFirstOptionMenuId) / kOptionMenuIdStep;
    EXPECT_EQ(items[usable - 1].menuId, kSystemMenuIdEnd - kOptionMenuIdStep);
    EXPECT_EQ(items[usable].menuId, 0u) << "no identifier rather than a system command's";
    for (const OptionItem& item : items)
        EXPECT_LT(item.menuId, kSystemMenuIdEnd);
}

TEST(OptionsMenu, RunForOffersTheDurationsAsChoicesThenTheDetectorCheckAndTheRunsFiles) {
    const auto rows = OptionRows();
    ASSERT_GE(rows.size(), 8u);
    const OptionRow& runFor = rows[3];
    EXPECT_EQ(runFor.kind, OptionKind::Submenu);
    EXPECT_EQ(runFor.textIndex, 61);
    ASSERT_EQ(runFor.rows.size(), 7u);
    const int minutes[] = {0, 10, 30, 60, 120, 480, 1440};
    const int texts[] = {171, 62, 63, 64, 65, 66, 67};
    const int32_t saved = RunOptions.durationMinutes;
    for (size_t i = 0; i < 7; ++i) {
        const OptionRow& choice = runFor.rows[i];
        EXPECT_EQ(choice.kind, OptionKind::Radio) << i;
        EXPECT_EQ(choice.command, kCommandRunForFirst + int(i)) << i;
        EXPECT_EQ(choice.textIndex, texts[i]) << i;
        EXPECT_EQ(OptionCommandForMenuId(rows, kFirstOptionMenuId + 0x30 + unsigned(i) * 16), choice.command) << i;
        ASSERT_NE(choice.checked, nullptr);
        RunOptions.durationMinutes = minutes[i];
        for (size_t other = 0; other < 7; ++other)
            EXPECT_EQ(runFor.rows[other].checked(), other == i) << "only the chosen duration is marked: " << i;
    }
    // A hand-edited duration that is no choice marks none of them.
    RunOptions.durationMinutes = 45;
    for (const OptionRow& choice : runFor.rows)
        EXPECT_FALSE(choice.checked());
    RunOptions.durationMinutes = saved;

    const struct {
        OptionKind kind;
        int command;
        int text;
    } after[] = {
        {OptionKind::Action, kCommandCheckErrorDetection, 113},
        {OptionKind::Separator, 0, 0},
        {OptionKind::Action, kCommandOpenRunsFolder, 68},
        {OptionKind::Action, kCommandShowLastReport, 69},
    };
    // The detector check follows the durations; the runs' files close the menu, whatever options come between.
    for (size_t i = 0; i < 4; ++i) {
        const OptionRow& row = i == 0 ? rows[4] : rows[rows.size() - 4 + i];
        EXPECT_EQ(row.kind, after[i].kind) << i;
        EXPECT_EQ(row.command, after[i].command) << i;
        EXPECT_EQ(row.textIndex, after[i].text) << i;
    }
    EXPECT_EQ(OptionMenuIdForCommand(rows, kCommandCheckErrorDetection), kFirstOptionMenuId + 0xA0);
    const unsigned showLastReport = OptionMenuIdForCommand(rows, kCommandShowLastReport);
    EXPECT_GT(showLastReport, OptionMenuIdForCommand(rows, kCommandOpenRunsFolder));
    EXPECT_EQ(OptionCommandForMenuId(rows, showLastReport), kCommandShowLastReport);
}

TEST(OptionsMenu, AStoredDurationIsReadAsMinutesUpToAYear) {
    EXPECT_EQ(DurationMinutesFromSetting(0), 0);
    EXPECT_EQ(DurationMinutesFromSetting(-30), 0) << "negative: until stopped";
    EXPECT_EQ(DurationMinutesFromSetting(45), 45) << "a hand-edited value still counts";
    EXPECT_EQ(DurationMinutesFromSetting(1440), 1440);
    EXPECT_EQ(DurationMinutesFromSetting(2147483647), 8760 * 60) << "cut to a year, as the command line's limit";
}

TEST(OptionsMenu, TheHeavyLoadsRowsSendTheirCommandsAndShowTheChoices) {
    const auto rows = OptionRows();
    const OptionRow* cpuRow = nullptr;
    const OptionRow* memoryRow = nullptr;
    for (const OptionRow& row : rows) {
        if (row.textIndex == 190)
            cpuRow = &row;
        if (row.textIndex == 194)
            memoryRow = &row;
    }
    ASSERT_NE(cpuRow, nullptr) << "the processor load's submenu";
    ASSERT_NE(memoryRow, nullptr) << "the memory size's submenu";
    EXPECT_EQ(memoryRow, cpuRow + 1) << "the memory size follows the processor load";
    ASSERT_EQ(cpuRow->kind, OptionKind::Submenu);
    ASSERT_EQ(memoryRow->kind, OptionKind::Submenu);
    const std::span<const OptionRow> cpu = cpuRow->rows;
    const std::span<const OptionRow> memory = memoryRow->rows;
    ASSERT_EQ(cpu.size(), 4u);
    ASSERT_EQ(memory.size(), 4u);

    // Exactly one method and one size show checked, the ones Heavy holds; the cycle row shows its own state.
    Heavy.cpuMethod = int32_t(CpuMethod::FloatingPoint);
    Heavy.cycleMilliseconds = 0;
    Heavy.memorySizeKind = int32_t(MemorySizeKind::Percent);
    Heavy.memoryAmount = 75;
    EXPECT_FALSE(cpu[0].checked());
    EXPECT_TRUE(cpu[1].checked());
    EXPECT_EQ(cpu[2].kind, OptionKind::Separator);
    EXPECT_FALSE(cpu[3].checked());
    const bool expectedSizes[] = {false, false, true, false};
    for (size_t i = 0; i < memory.size(); ++i)
        EXPECT_EQ(memory[i].checked(), expectedSizes[i]) << "size row " << i;
    Heavy.memoryAmount = 60;
    for (size_t i = 0; i < memory.size(); ++i)
        EXPECT_FALSE(memory[i].checked()) << "a share from the command line or the file matches no row: " << i;
    Heavy.cpuMethod = int32_t(CpuMethod::Additions);
    Heavy.cycleMilliseconds = 360000;
    Heavy.memorySizeKind = int32_t(MemorySizeKind::Standard);
    EXPECT_TRUE(cpu[0].checked());
    EXPECT_TRUE(cpu[3].checked());
    EXPECT_TRUE(memory[0].checked());

    const int commands[] = {kCommandCpuAdditions,       kCommandCpuFloatingPoint, kCommandCpuCycle,
                            kCommandMemoryStandard,     kCommandMemoryHalf,       kCommandMemoryThreeQuarters,
                            kCommandMemoryNinetyPercent};
    for (int command : commands) {
        const unsigned id = OptionMenuIdForCommand(rows, command);
        EXPECT_NE(id, 0u) << command;
        EXPECT_EQ(OptionCommandForMenuId(rows, id), command);
    }
    Heavy.cycleMilliseconds = 0;
}
