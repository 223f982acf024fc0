// The logical processors across all processor groups, numbered 0, 1, ... group after group the way the run counts
// them (group 1's first processor follows group 0's last), and binding a thread to one of them.
#pragma once

#include <cstdint>
#include <vector>

// Windows has at most 64 processors in a group and at most 2048 in all.
constexpr int kMaxGroupProcessors = 64;
constexpr int kMaxLogicalProcessors = 2048;

struct ProcessorGroups {
    // Bit n of group g's mask: processor n of group g is active. A group's active processors need not be the
    // lowest bits.
    std::vector<uint64_t> activeMasks;
};

struct ProcessorSlot {
    uint16_t group = 0;
    uint8_t number = 0;
};

// Active processors in all groups, at most kMaxLogicalProcessors.
int LogicalProcessorCount(const ProcessorGroups& groups);

// The group and the number within it of logical processor `index`; false when there is no such processor.
bool FindProcessorSlot(const ProcessorGroups& groups, int index, ProcessorSlot& slot);

// The index of processor `number` of group `group`; -1 when it is not active.
int ProcessorIndexOf(const ProcessorGroups& groups, int group, int number);

// This machine's groups (Windows); one group of GetSystemInfo's active processors where the system cannot say.
ProcessorGroups ReadProcessorGroups();

// Binds the thread to logical processor `index` alone, in its group (Windows); false when it cannot.
bool BindThreadToProcessor(void* thread, const ProcessorGroups& groups, int index);
