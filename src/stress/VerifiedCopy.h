// The memory load's verified copy: two blocks that hold a known pattern and take turns as source and destination,
// every word read checked against the value it must have, so a flipped bit is found in the same pass that reads it.
#pragma once

#include <cstddef>
#include <cstdint>

// The pattern's words form an arithmetic sequence, word i = start + i × step (modulo 2^64), so the expected word
// of each position costs one addition; the inverted pattern (every bit flipped) is again such a sequence:
// ~(a + i × b) = ~a + i × (−b). A block alternates between the pattern and its inversion every second pass (see
// VerifiedCopyPass), so every bit of both blocks holds 0 and 1 in turn, a few times a second.
struct VerifiedBlocks {
    // Aligned to 16 bytes, as the heap gives them on 64-bit systems.
    uint64_t* block[2] = {nullptr, nullptr};
    // A multiple of kVerifiedChunkBytes.
    size_t bytes = 0;
    uint64_t seed = 0;
    // Passes done; pass n reads block n % 2 and writes the other.
    uint64_t passes = 0;
};

// Checked as a whole before anything is reported; a mismatch is then located within it.
constexpr size_t kVerifiedChunkBytes = 64 * 1024;
// At most this many wrong words of one pass are described; all are counted and restored.
constexpr int kReportedMismatchesPerPass = 16;

struct MemoryMismatch {
    // Byte offset of the wrong 8-byte word in the block.
    size_t offset = 0;
    uint64_t expected = 0;
    uint64_t actual = 0;
    // Which block (0 or 1) held the word when it was found wrong.
    int block = 0;
};

// Receives each described mismatch of a pass.
struct MismatchSink {
    void (*report)(void* context, const MemoryMismatch& mismatch) = nullptr;
    void* context = nullptr;
};

// Fills block 0 with the pattern of `seed` and sets the pass count to 0. Block 1 needs no content.
void StartVerifiedBlocks(VerifiedBlocks& blocks, uint64_t seed);

// The word that pass `pass` must read at `wordIndex` of its source block (block pass % 2).
uint64_t ExpectedWord(const VerifiedBlocks& blocks, uint64_t pass, size_t wordIndex);

// One pass: copies the source block onto the destination, inverting every bit on odd passes, while checking
// every word read. A wrong word is located (by reading the chunk again against the pattern: the source for a bit
// that flipped at rest, the destination for one that flipped on its way through), described to the sink, and
// the destination's word is set to what it must be, so that one fault is counted once. Returns the number of
// wrong words found.
size_t VerifiedCopyPass(VerifiedBlocks& blocks, const MismatchSink& sink);
