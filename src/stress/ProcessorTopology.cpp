// Numbering the logical processors across processor groups.
#include "stress/ProcessorTopology.h"

#include <bit>
#include <cstddef>

int LogicalProcessorCount(const ProcessorGroups& groups) {
    int count = 0;
    for (uint64_t mask : groups.activeMasks)
        count += std::popcount(mask);
    return count < kMaxLogicalProcessors ? count : kMaxLogicalProcessors;
}

bool FindProcessorSlot(const ProcessorGroups& groups, int index, ProcessorSlot& slot) {
    if (index < 0 || index >= kMaxLogicalProcessors)
        return false;
    for (size_t group = 0; group < groups.activeMasks.size(); ++group) {
        uint64_t mask = groups.activeMasks[group];
        const int inGroup = std::popcount(mask);
        if (index >= inGroup) {
            index -= inGroup;
            continue;
        }
        // Drop the lowest set bits until the wanted one is the lowest.
        for (int skipped = 0; skipped < index; ++skipped)
            mask &= mask - 1;
        slot.group = uint16_t(group);
        slot.number = uint8_t(std::countr_zero(mask));
        return true;
    }
    return false;
}

int ProcessorIndexOf(const ProcessorGroups& groups, int group, int number) {
    if (group < 0 || size_t(group) >= groups.activeMasks.size() || number < 0 || number >= kMaxGroupProcessors)
        return -1;
    const uint64_t mask = groups.activeMasks[size_t(group)];
    if ((mask >> number & 1) == 0)
        return -1;
    int index = std::popcount(mask & ((uint64_t(1) << number) - 1));
    for (int g = 0; g < group; ++g)
        index += std::popcount(groups.activeMasks[size_t(g)]);
    return index < kMaxLogicalProcessors ? index : -1;
}
