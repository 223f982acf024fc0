// The options' rows and the walk that numbers them for the system menu.
#include "run/OptionsMenu.h"

#include "run/RunOptions.h"
#include "run/RunStatusText.h"
#include "stress/DiskLoadChoice.h"
#include "stress/HeavyOptions.h"
#include "stress/StressState.h"

namespace {

constexpr int kMemoryStressText = 60;
constexpr int kProcessorLoadText = 190;
constexpr int kAdditionsText = 191;
constexpr int kFloatingPointText = 192;
constexpr int kOneProcessorAtATimeText = 193;
constexpr int kMemoryLoadSizeText = 194;
constexpr int kStandardSizeText = 195;
constexpr int kHalfText = 196;
constexpr int kThreeQuartersText = 197;
constexpr int kNinetyPercentText = 198;
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

template <int choice>
bool RunsFor() {
    return RunOptions.durationMinutes.load(kRelaxed) == kRunDurationChoices[choice].minutes;
}

template <int choice>
constexpr OptionRow RunForRow() {
    return {OptionKind::Radio, kCommandRunForFirst + choice, kRunDurationChoices[choice].textIndex, RunsFor<choice>};
}

constexpr OptionRow kRunForRows[] = {
    RunForRow<0>(), RunForRow<1>(), RunForRow<2>(), RunForRow<3>(), RunForRow<4>(), RunForRow<5>(), RunForRow<6>(),
};
static_assert(sizeof(kRunForRows) / sizeof(kRunForRows[0]) == kRunDurationChoiceCount);

bool CpuMethodIs(CpuMethod method) {
    return Heavy.cpuMethod.load(kRelaxed) == int32_t(method);
}

bool SharePercentIs(int percent) {
    const MemorySize size = SelectedMemorySize();
    return percent == 0 ? size.kind == MemorySizeKind::Standard
                        : size.kind == MemorySizeKind::Percent && size.amount == percent;
}

constexpr OptionRow kProcessorLoadRows[] = {
    {OptionKind::Check, kCommandCpuAdditions, kAdditionsText, [] { return CpuMethodIs(CpuMethod::Additions); }},
    {OptionKind::Check, kCommandCpuFloatingPoint, kFloatingPointText,
     [] { return CpuMethodIs(CpuMethod::FloatingPoint); }},
    {OptionKind::Separator},
    {OptionKind::Check, kCommandCpuCycle, kOneProcessorAtATimeText,
     [] { return Heavy.cycleMilliseconds.load(kRelaxed) > 0; }},
};

constexpr OptionRow kMemorySizeRows[] = {
    {OptionKind::Check, kCommandMemoryStandard, kStandardSizeText, [] { return SharePercentIs(0); }},
    {OptionKind::Check, kCommandMemoryHalf, kHalfText, [] { return SharePercentIs(50); }},
    {OptionKind::Check, kCommandMemoryThreeQuarters, kThreeQuartersText, [] { return SharePercentIs(75); }},
    {OptionKind::Check, kCommandMemoryNinetyPercent, kNinetyPercentText, [] { return SharePercentIs(90); }},
};

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
    {OptionKind::Submenu, 0, kTextRunFor, nullptr, kRunForRows},
    {OptionKind::Action, kCommandCheckErrorDetection, kTextCheckErrorDetection},
    {OptionKind::Submenu, 0, kProcessorLoadText, nullptr, kProcessorLoadRows},
    {OptionKind::Submenu, 0, kMemoryLoadSizeText, nullptr, kMemorySizeRows},
    {OptionKind::Submenu, 0, kDiskLoadText, nullptr, kDiskLoadRows},
    {OptionKind::Separator},
    {OptionKind::Action, kCommandOpenRunsFolder, kTextOpenRunsFolder},
    {OptionKind::Action, kCommandShowLastReport, kTextShowLastReport},
};

void Walk(std::span<const OptionRow> rows, int depth, unsigned& nextId, std::vector<OptionItem>& items) {
    for (const OptionRow& row : rows) {
        const bool sends =
            row.kind == OptionKind::Check || row.kind == OptionKind::Action || row.kind == OptionKind::Radio;
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
