// The processor groups as Windows reports them, and binding a thread to one logical processor in its group.
#include <windows.h>

#include <vector>

#include "stress/ProcessorTopology.h"

namespace {

ProcessorGroups GroupsFromSystemInfo() {
    SYSTEM_INFO info;
    GetSystemInfo(&info);
    ProcessorGroups groups;
    groups.activeMasks.push_back(uint64_t(info.dwActiveProcessorMask));
    return groups;
}

}  // namespace

ProcessorGroups ReadProcessorGroups() {
    DWORD bytes = 0;
    GetLogicalProcessorInformationEx(RelationGroup, nullptr, &bytes);
    if (GetLastError() != ERROR_INSUFFICIENT_BUFFER || bytes == 0)
        return GroupsFromSystemInfo();
    // Aligned for the record that lies at the buffer's start.
    std::vector<uint64_t> buffer((bytes + sizeof(uint64_t) - 1) / sizeof(uint64_t));
    auto* info = reinterpret_cast<SYSTEM_LOGICAL_PROCESSOR_INFORMATION_EX*>(buffer.data());
    if (!GetLogicalProcessorInformationEx(RelationGroup, info, &bytes) || info->Relationship != RelationGroup)
        return GroupsFromSystemInfo();
    ProcessorGroups groups;
    const GROUP_RELATIONSHIP& relation = info->Group;
    for (WORD group = 0; group < relation.ActiveGroupCount; ++group)
        groups.activeMasks.push_back(uint64_t(relation.GroupInfo[group].ActiveProcessorMask));
    if (LogicalProcessorCount(groups) == 0)
        return GroupsFromSystemInfo();
    return groups;
}

bool BindThreadToProcessor(void* thread, const ProcessorGroups& groups, int index) {
    ProcessorSlot slot;
    if (!FindProcessorSlot(groups, index, slot))
        return false;
    GROUP_AFFINITY affinity = {};
    affinity.Mask = KAFFINITY(1) << slot.number;
    affinity.Group = slot.group;
    return SetThreadGroupAffinity(static_cast<HANDLE>(thread), &affinity, nullptr) != 0;
}
