// The memory load: one worker per processor copies a 16 MiB block onto another, again and again.
#include "stress/MemoryWorker.h"

#include <cstdlib>
#include <cstring>

#include "stress/StressState.h"
#include "stress/Workers.h"

namespace {

// Called through a volatile pointer: the destination is never read, and a direct memcpy into a block that is
// freed unread may legally be removed by the optimiser.
void* (*volatile copyBlock)(void*, const void*, size_t) = std::memcpy;

void CopyWholeBlock(void* destination, const void* source, size_t bytes) {
    copyBlock(destination, source, bytes);
}

}  // namespace

const MemoryBlockCalls kHeapMemoryCalls = {std::malloc, std::free, CopyWholeBlock};

DWORD RunMemoryLoad(const MemoryBlockCalls& calls) {
    void* source = calls.allocate(kMemoryBlockBytes);
    void* destination = calls.allocate(kMemoryBlockBytes);
    // A worker that cannot get both blocks ends alone and silently; the others go on.
    if (source && destination) {
        do {
            calls.copy(destination, source, kMemoryBlockBytes);
        } while (LoadKeepsRunning(Stress.memoryOn));
    }
    if (destination)
        calls.release(destination);
    if (source)
        calls.release(source);
    return 1;
}

DWORD WINAPI MemoryWorker(LPVOID) {
    return RunMemoryLoad(kHeapMemoryCalls);
}
