// Numbering logical processors across processor groups, with holes in a group's mask and beyond 64 processors.
#include <gtest/gtest.h>

#include "stress/ProcessorTopology.h"

TEST(ProcessorTopology, IndicesRunGroupAfterGroupOverActiveProcessorsOnly) {
    ProcessorGroups groups;
    groups.activeMasks = {~uint64_t(0), 0xF0, 0b1011};
    EXPECT_EQ(LogicalProcessorCount(groups), 64 + 4 + 3);
    struct Case {
        int index, group, number;
    } cases[] = {{0, 0, 0}, {63, 0, 63}, {64, 1, 4}, {67, 1, 7}, {68, 2, 0}, {69, 2, 1}, {70, 2, 3}};
    for (const Case& c : cases) {
        ProcessorSlot slot;
        ASSERT_TRUE(FindProcessorSlot(groups, c.index, slot)) << c.index;
        EXPECT_EQ(slot.group, c.group) << c.index;
        EXPECT_EQ(slot.number, c.number) << c.index;
        EXPECT_EQ(ProcessorIndexOf(groups, c.group, c.number), c.index) << "round trip of " << c.index;
    }
    ProcessorSlot slot;
    EXPECT_FALSE(FindProcessorSlot(groups, 71, slot));
    EXPECT_FALSE(FindProcessorSlot(groups, -1, slot));
    EXPECT_EQ(ProcessorIndexOf(groups, 1, 0), -1) << "an inactive processor has no index";
    EXPECT_EQ(ProcessorIndexOf(groups, 2, 2), -1);
    EXPECT_EQ(ProcessorIndexOf(groups, 3, 0), -1) << "no such group";
    EXPECT_EQ(ProcessorIndexOf(groups, 0, 64), -1);
}

TEST(ProcessorTopology, NoMoreThanWindowsLimitOfProcessorsIsCounted) {
    ProcessorGroups groups;
    groups.activeMasks.assign(40, ~uint64_t(0));
    EXPECT_EQ(LogicalProcessorCount(groups), kMaxLogicalProcessors);
    ProcessorSlot slot;
    ASSERT_TRUE(FindProcessorSlot(groups, kMaxLogicalProcessors - 1, slot));
    EXPECT_EQ(slot.group, 31);
    EXPECT_EQ(slot.number, 63);
    EXPECT_FALSE(FindProcessorSlot(groups, kMaxLogicalProcessors, slot));
    EXPECT_EQ(ProcessorIndexOf(groups, 32, 0), -1);
}
