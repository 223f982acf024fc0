// The option rows and their walk: the shipped "Memory-Stress" row, and how a table with every kind of row is
// numbered for the system menu and its commands found again.
#include <gtest/gtest.h>

#include <algorithm>

#include "run/OptionsMenu.h"
#include "run/RunOptions.h"
#include "stress/DiskLoadChoice.h"
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
    ASSERT_GE(rows.size(), 1u);
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
    ASSERT_GE(rows.size(), 4u);
    const struct {
        OptionKind kind;
        int command;
        int text;
        std::atomic<int32_t>* option;
    } expected[] = {
        {OptionKind::Check, kCommandVerifyResults, 111, &RunOptions.verify},
        {OptionKind::Check, kCommandStopOnFirstError, 112, &RunOptions.stopOnError},
        {OptionKind::Action, kCommandCheckErrorDetection, 113, nullptr},
    };
    for (int i = 0; i < 3; ++i) {
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
