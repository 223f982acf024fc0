// The memory load over a share of the free memory: planning, taking blocks while the floor stays free, the
// passes over them, and giving them back as soon as a switch goes off.
#include "stress/HeavyMemory_win.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "stress/LoadCheck.h"
#include "stress/MemoryWorker.h"
#include "stress/ProcessorTopology.h"
#include "stress/StressState.h"
#include "stress/VerifiedCopy.h"

HeavyMemoryStatus HeavyMemory;
std::atomic<uint64_t> HeavyMemoryTestMebibytes{0};

namespace {

// Shared by the workers of one start; freed by the last of them.
struct HeavyMemoryStart {
    MemoryPlan plan;
    uint64_t floorBytes = 0;
    // Blocks being taken and not yet touched, which the system does not yet count as in use.
    std::atomic<uint64_t> pendingBytes{0};
    // The first failure stops every worker's allocations: what was obtained is tested.
    std::atomic<int32_t> failed{0};
    std::atomic<int32_t> users{0};
};

struct WorkerStart {
    // The run the worker joined when it was started.
    WorkerRun run;
    HeavyMemoryStart* shared = nullptr;
};

// A source and a destination block that swap roles each pass; verified as the memory load's blocks are.
using BlockPair = VerifiedBlocks;

void Release(HeavyMemoryStart* shared) {
    if (shared->users.fetch_sub(1, std::memory_order_acq_rel) == 1)
        delete shared;
}

void* TakeBlock(uint64_t bytes) {
    return VirtualAlloc(nullptr, SIZE_T(bytes), MEM_RESERVE | MEM_COMMIT, PAGE_READWRITE);
}

void GiveBack(void* block) {
    if (block)
        VirtualFree(block, 0, MEM_RELEASE);
}

// One pass over a pair: the source block onto the other, which becomes the next pass's source; verified, every
// wrong word goes to the run with its offset and this worker's processor.
void PassOver(BlockPair& pair, const WorkerRun& run) {
    if (!run.verify) {
        const uint64_t source = pair.passes & 1;
        std::memcpy(pair.block[1 - source], pair.block[source], pair.bytes);
        ++pair.passes;
        return;
    }
    FlipInjectedBit(pair);
    VerifiedCopyPass(pair, {RecordMismatch, const_cast<WorkerRun*>(&run)});
}

// The first write to a page costs the system far more than a copy (hundreds of MiB a second on some virtual
// machines): new blocks are touched a piece at a time with a poll between pieces, so that even a worker still
// taking its blocks lets them go soon after a switch goes off. Returns whether the load still runs.
constexpr size_t kTouchPieceBytes = 4 * 1024 * 1024;

bool TouchWhileRunning(void* block, uint64_t bytes) {
    auto* bytesOf = static_cast<unsigned char*>(block);
    for (uint64_t offset = 0; offset < bytes; offset += kTouchPieceBytes) {
        std::memset(bytesOf + offset, 0, size_t(std::min<uint64_t>(kTouchPieceBytes, bytes - offset)));
        if (!LoadKeepsRunning(Stress.memoryOn))
            return false;
    }
    return true;
}

enum class Taking { Taken, Short, Stopped };

// Takes one more pair when the floor and the other workers' pending blocks leave room for it, and touches both
// blocks before they count as taken, so that the system's free figure sees them at the next decision.
Taking TakePairWhileRoom(HeavyMemoryStart& shared, const WorkerRun& run, std::vector<BlockPair>& pairs) {
    const uint64_t bytes = 2 * shared.plan.blockBytes;
    uint64_t total = 0, available = 0;
    ReadPhysicalMemory(total, available);
    const uint64_t othersPending = shared.pendingBytes.load(kRelaxed) - bytes;
    if (!MayTakeMore(bytes, available, othersPending, shared.floorBytes))
        return Taking::Short;
    BlockPair pair;
    pair.bytes = size_t(shared.plan.blockBytes);
    pair.block[0] = static_cast<uint64_t*>(TakeBlock(shared.plan.blockBytes));
    pair.block[1] = pair.block[0] ? static_cast<uint64_t*>(TakeBlock(shared.plan.blockBytes)) : nullptr;
    if (!pair.block[1]) {
        shared.failed.store(1, kRelaxed);
        GiveBack(pair.block[0]);
        return Taking::Short;
    }
    if (!TouchWhileRunning(pair.block[0], shared.plan.blockBytes) ||
        !TouchWhileRunning(pair.block[1], shared.plan.blockBytes)) {
        GiveBack(pair.block[0]);
        GiveBack(pair.block[1]);
        return Taking::Stopped;
    }
    if (run.verify)
        StartVerifiedBlocks(pair, PatternSeed());
    pairs.push_back(pair);
    HeavyMemory.heldBytes.fetch_add(bytes, kRelaxed);
    HeavyMemory.obtainedBytes.fetch_add(bytes, kRelaxed);
    return Taking::Taken;
}

bool TakePair(HeavyMemoryStart& shared, const WorkerRun& run, std::vector<BlockPair>& pairs) {
    const uint64_t bytes = 2 * shared.plan.blockBytes;
    // Counted as pending while taken: the system counts a block as in use only once it has been touched.
    shared.pendingBytes.fetch_add(bytes, kRelaxed);
    const Taking taking = TakePairWhileRoom(shared, run, pairs);
    shared.pendingBytes.fetch_sub(bytes, kRelaxed);
    if (taking == Taking::Short)
        HeavyMemory.stoppedShort.store(1, kRelaxed);
    return taking == Taking::Taken;
}

DWORD WINAPI HeavyMemoryWorker(LPVOID parameter) {
    WorkerStart* start = static_cast<WorkerStart*>(parameter);
    HeavyMemoryStart& shared = *start->shared;
    std::vector<BlockPair> pairs;
    pairs.reserve(size_t(shared.plan.pairsPerWorker));
    // The switches are polled after each pair taken and after each pass: a pass over a pair takes some 10 to 30
    // ms, so the blocks go back within a second of a switch going off.
    const WorkerRun& run = start->run;
    while (pairs.size() < shared.plan.pairsPerWorker && !shared.failed.load(kRelaxed) &&
           LoadKeepsRunning(Stress.memoryOn) && TakePair(shared, run, pairs)) {
    }
    // A worker that got nothing while the load still runs could not run; one stopped by the switch says nothing.
    if (!pairs.empty() || LoadKeepsRunning(Stress.memoryOn))
        ReportLoadOutcome(run, LoadType::Memory, !pairs.empty());
    while (!pairs.empty() && LoadKeepsRunning(Stress.memoryOn)) {
        for (BlockPair& pair : pairs) {
            PassOver(pair, run);
            // The second pass reads the block the first one wrote: both blocks of the pair have been read now.
            if (pair.passes == 2)
                HeavyMemory.testedBytes.fetch_add(2 * shared.plan.blockBytes, kRelaxed);
            if (!LoadKeepsRunning(Stress.memoryOn))
                break;
        }
    }
    for (BlockPair& pair : pairs) {
        GiveBack(pair.block[0]);
        GiveBack(pair.block[1]);
        HeavyMemory.heldBytes.fetch_sub(2 * shared.plan.blockBytes, kRelaxed);
    }
    Release(start->shared);
    delete start;
    return 1;
}

}  // namespace

void ReadPhysicalMemory(uint64_t& totalBytes, uint64_t& availableBytes) {
    MEMORYSTATUSEX status = {};
    status.dwLength = sizeof(status);
    GlobalMemoryStatusEx(&status);
    totalBytes = status.ullTotalPhys;
    availableBytes = status.ullAvailPhys;
    const uint64_t cap = HeavyMemoryTestMebibytes.load(kRelaxed) * kMebibyte;
    if (cap == 0)
        return;
    // The test's machine has `cap` bytes, of which as many are free as this process has not taken itself.
    const uint64_t held = HeavyMemory.heldBytes.load(kRelaxed);
    totalBytes = cap;
    availableBytes = std::min(availableBytes, held < cap ? cap - held : 0);
}

int StartHeavyMemoryWorkers(HWND window, const MemorySize& size) {
    const ProcessorGroups groups = ReadProcessorGroups();
    uint64_t total = 0, available = 0;
    ReadPhysicalMemory(total, available);
    auto* shared = new HeavyMemoryStart;
    shared->plan = PlanMemoryLoad(size, total, available, LogicalProcessorCount(groups));
    shared->floorBytes = FreeMemoryFloor(total);
    HeavyMemory.askedBytes.store(shared->plan.askedBytes, kRelaxed);
    HeavyMemory.plannedBytes.store(shared->plan.plannedBytes, kRelaxed);
    HeavyMemory.obtainedBytes.store(0, kRelaxed);
    HeavyMemory.testedBytes.store(0, kRelaxed);
    HeavyMemory.stoppedShort.store(0, kRelaxed);
    const int workers = shared->plan.pairsPerWorker > 0 ? shared->plan.workers : 0;
    shared->users.store(workers + 1, kRelaxed);
    const WorkerRun joined = JoinCurrentRun(window);
    int started = 0;
    for (int i = 0; i < workers; ++i) {
        auto* start = new WorkerStart{joined, shared};
        HANDLE thread = CreateThread(nullptr, 0, HeavyMemoryWorker, start, CREATE_SUSPENDED, nullptr);
        if (!thread) {
            delete start;
            Release(shared);
            continue;
        }
        BindThreadToProcessor(thread, groups, i);
        ResumeThread(thread);
        CloseHandle(thread);
        ++started;
    }
    Release(shared);
    if (started == 0)
        ReportLoadOutcome(joined, LoadType::Memory, false);
    return started;
}
