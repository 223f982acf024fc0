// The memory load: one worker per processor copies a 16 MiB block onto another, again and again.
#include <cstdlib>
#include <cstring>

#include "stress/StressState.h"
#include "stress/Workers.h"

namespace {

constexpr size_t kBlockBytes = 16u * 1024u * 1024u;

// Called through a volatile pointer: the destination is never read, and a direct memcpy into a block that is
// freed unread may legally be removed by the optimiser.
void* (*volatile copyBlock)(void*, const void*, size_t) = std::memcpy;

}  // namespace

DWORD WINAPI MemoryWorker(LPVOID) {
    void* source = std::malloc(kBlockBytes);
    void* destination = std::malloc(kBlockBytes);
    // A worker that cannot get both blocks ends alone and silently; the others go on.
    if (source && destination) {
        do {
            copyBlock(destination, source, kBlockBytes);
        } while (LoadKeepsRunning(Stress.memoryOn));
    }
    std::free(destination);
    std::free(source);
    return 1;
}
