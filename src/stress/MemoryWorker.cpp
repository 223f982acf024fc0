// The memory load: one worker per processor copies a 16 MiB block onto another, again and again.
#include "stress/MemoryWorker.h"

#include <cinttypes>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "stress/LoadCheck.h"
#include "stress/StressState.h"
#include "stress/VerifiedCopy.h"
#include "stress/Workers.h"

namespace {

// Called through a volatile pointer: the destination is never read, and a direct memcpy into a block that is
// freed unread may legally be removed by the optimiser.
void* (*volatile copyBlock)(void*, const void*, size_t) = std::memcpy;

void CopyWholeBlock(void* destination, const void* source, size_t bytes) {
    copyBlock(destination, source, bytes);
}

void MarkOutcome(const WorkerRun* run, bool ran) {
    if (run)
        ReportLoadOutcome(*run, LoadType::Memory, ran);
}

// Takes the worker's two blocks, runs `copyUntilOff` on them and gives them back. A worker that cannot get both
// blocks ends alone and silently; the others go on.
template <typename CopyUntilOff>
DWORD WithBlockPair(const MemoryBlockCalls& calls, const WorkerRun* run, CopyUntilOff copyUntilOff) {
    void* source = calls.allocate(kMemoryBlockBytes);
    void* destination = calls.allocate(kMemoryBlockBytes);
    MarkOutcome(run, source && destination);
    if (source && destination)
        copyUntilOff(source, destination);
    if (destination)
        calls.release(destination);
    if (source)
        calls.release(source);
    return 1;
}

}  // namespace

void RecordMismatch(void* context, const MemoryMismatch& mismatch) {
    const WorkerRun& run = *static_cast<const WorkerRun*>(context);
    LoadFault fault;
    fault.load = LoadType::Memory;
    fault.offset = mismatch.offset;
    fault.expected = mismatch.expected;
    fault.actual = mismatch.actual;
    std::snprintf(fault.detail, sizeof(fault.detail),
                  "memory: block %d, offset 0x%" PRIx64 ": read 0x%016" PRIx64 ", expected 0x%016" PRIx64
                  " (bits 0x%" PRIx64 " differ)",
                  mismatch.block, uint64_t(mismatch.offset), mismatch.actual, mismatch.expected,
                  mismatch.actual ^ mismatch.expected);
    ReportLoadFault(run, fault);
}

uint64_t PatternSeed() {
    const uint64_t processor = uint64_t(CurrentProcessorIndex());
    return (GetTickCount64() * 0x2545F4914F6CDD1Dull) ^ (processor << 40) ^ uint64_t(GetCurrentThreadId());
}

void FlipInjectedBit(VerifiedBlocks& blocks) {
    if (!TakeInjectedFault(TestFaults.memoryBitFlips))
        return;
    auto bytes = reinterpret_cast<unsigned char*>(blocks.block[blocks.passes & 1]);
    const size_t offset = TestFaults.memoryFlipOffset.load(kRelaxed) % blocks.bytes;
    bytes[offset] ^= static_cast<unsigned char>(1u << (TestFaults.memoryFlipBit.load(kRelaxed) & 7));
}

const MemoryBlockCalls kHeapMemoryCalls = {std::malloc, std::free, CopyWholeBlock};

DWORD RunMemoryLoad(const MemoryBlockCalls& calls, const WorkerRun* run) {
    return WithBlockPair(calls, run, [&calls](void* source, void* destination) {
        do {
            calls.copy(destination, source, kMemoryBlockBytes);
        } while (LoadKeepsRunning(Stress.memoryOn));
    });
}

DWORD RunVerifiedMemoryLoad(const MemoryBlockCalls& calls, const WorkerRun& run) {
    return WithBlockPair(calls, &run, [&run](void* source, void* destination) {
        VerifiedBlocks blocks;
        blocks.block[0] = static_cast<uint64_t*>(source);
        blocks.block[1] = static_cast<uint64_t*>(destination);
        blocks.bytes = kMemoryBlockBytes;
        StartVerifiedBlocks(blocks, PatternSeed());
        const MismatchSink sink = {RecordMismatch, const_cast<WorkerRun*>(&run)};
        do {
            FlipInjectedBit(blocks);
            VerifiedCopyPass(blocks, sink);
        } while (LoadKeepsRunning(Stress.memoryOn));
    });
}

DWORD WINAPI MemoryWorker(LPVOID mainWindow) {
    const WorkerRun run = JoinCurrentRun(static_cast<HWND>(mainWindow));
    return run.verify ? RunVerifiedMemoryLoad(kHeapMemoryCalls, run) : RunMemoryLoad(kHeapMemoryCalls, &run);
}
