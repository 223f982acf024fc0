// The options' rows and the walk that numbers them for the system menu.
#include "run/OptionsMenu.h"

#include "run/RunOptions.h"
#include "run/RunStatusText.h"
#include "stress/DiskLoadChoice.h"
#include "stress/StressState.h"

namespace {

constexpr int kMemoryStressText = 60;
constexpr int kDiskLoadText = 215;
constexpr int kDiskCacheText = 216;
constexpr int kDiskRealText = 217;
constexpr int kChooseDiskFolderText = 218;

bool MemoryLoadOn() {
    return Stress.memoryOn.load(kRelaxed) != 0;
}

bool VerifyResultsOn() {
    return RunOptions.verify.load(kRelaxed) != 0;
}

bool StopOnFirstErrorOn() {
    return RunOptions.stopOnError.load(kRelaxed) != 0;
}

bool DiskLoadIsCache() {
    return DiskLoadIs(DiskLoadMode::Cache);
}

bool DiskLoadIsReal() {
    return DiskLoadIs(DiskLoadMode::Real);
}

// The two disk loads, one of them checked, and the real-disk load's folder.
constexpr OptionRow kDiskLoadRows[] = {
    {OptionKind::Check, kCommandDiskCache, kDiskCacheText, DiskLoadIsCache},
    {OptionKind::Check, kCommandDiskReal, kDiskRealText, DiskLoadIsReal},
    {OptionKind::Separator},
    {OptionKind::Action, kCommandDiskFolder, kChooseDiskFolderText},
};

constexpr OptionRow kOptionRows[] = {
    {OptionKind::Check, kCommandMemory, kMemoryStressText, MemoryLoadOn},
    {OptionKind::Check, kCommandVerifyResults, kTextVerifyResults, VerifyResultsOn},
    {OptionKind::Check, kCommandStopOnFirstError, kTextStopOnFirstError, StopOnFirstErrorOn},
    {OptionKind::Action, kCommandCheckErrorDetection, kTextCheckErrorDetection},
    {OptionKind::Submenu, 0, kDiskLoadText, nullptr, kDiskLoadRows},
};

void Walk(std::span<const OptionRow> rows, int depth, unsigned& nextId, std::vector<OptionItem>& items) {
    for (const OptionRow& row : rows) {
        const bool sends = row.kind == OptionKind::Check || row.kind == OptionKind::Action;
        unsigned menuId = 0;
        if (sends && nextId < kSystemMenuIdEnd) {
            menuId = nextId;
            nextId += kOptionMenuIdStep;
        }
        items.push_back({&row, depth, menuId});
        if (row.kind == OptionKind::Submenu)
            Walk(row.rows, depth + 1, nextId, items);
    }
}

}  // namespace

std::span<const OptionRow> OptionRows() {
    return kOptionRows;
}

std::vector<OptionItem> OptionItems(std::span<const OptionRow> rows) {
    std::vector<OptionItem> items;
    unsigned nextId = kFirstOptionMenuId;
    Walk(rows, 0, nextId, items);
    return items;
}

int OptionCommandForMenuId(std::span<const OptionRow> rows, unsigned menuId) {
    const unsigned withoutSystemBits = menuId & ~(kOptionMenuIdStep - 1);
    if (withoutSystemBits < kFirstOptionMenuId || withoutSystemBits >= kSystemMenuIdEnd)
        return 0;
    for (const OptionItem& item : OptionItems(rows)) {
        if (item.menuId == withoutSystemBits)
            return item.row->command;
    }
    return 0;
}

unsigned OptionMenuIdForCommand(std::span<const OptionRow> rows, int command) {
    for (const OptionItem& item : OptionItems(rows)) {
        if (item.menuId != 0 && item.row->command == command)
            return item.menuId;
    }
    return 0;
}
