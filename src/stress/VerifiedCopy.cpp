// The verified copy's pattern, its SSE2 copy-and-compare loop and the search for a wrong word once a chunk fails.
#include "stress/VerifiedCopy.h"

#if defined(__SSE2__) || defined(_M_X64)
#include <emmintrin.h>
#define KV_VERIFIED_SSE2 1
#endif

namespace {

constexpr uint64_t kPatternStep = 0x9E3779B97F4A7C15ull;
constexpr size_t kWordBytes = sizeof(uint64_t);
constexpr size_t kChunkWords = kVerifiedChunkBytes / kWordBytes;

struct Sequence {
    uint64_t start;
    uint64_t step;
};

// Block content before pass n: the pattern on passes 0, 1, 4, 5, …, its inversion on passes 2, 3, 6, 7, …
// Pass n writes its source inverted when n is odd, so the content of each block flips every other pass.
Sequence SequenceBefore(uint64_t seed, uint64_t pass) {
    const bool inverted = ((pass >> 1) & 1) != 0;
    return inverted ? Sequence{~seed, uint64_t(0) - kPatternStep} : Sequence{seed, kPatternStep};
}

uint64_t WordOf(const Sequence& sequence, size_t index) {
    return sequence.start + uint64_t(index) * sequence.step;
}

bool InvertsOn(uint64_t pass) {
    return (pass & 1) != 0;
}

#ifdef KV_VERIFIED_SSE2
__m128i Pair(uint64_t low, uint64_t high) {
    return _mm_set_epi64x(int64_t(high), int64_t(low));
}

// Copies one chunk with streaming stores (the destination is not read again before the whole other block has
// been, so keeping it in the cache only evicts the source) and returns whether every word read was as expected.
// Four independent expected-value vectors advance by eight words each round.
template <bool kInvert>
bool CopyChunk(const uint64_t* source, uint64_t* destination, const Sequence& sequence, size_t firstWord) {
    const __m128i step8 = _mm_set1_epi64x(int64_t(sequence.step * 8));
    __m128i expected[4];
    for (int j = 0; j < 4; ++j)
        expected[j] = Pair(WordOf(sequence, firstWord + 2 * j), WordOf(sequence, firstWord + 2 * j + 1));
    const __m128i flip = _mm_set1_epi32(kInvert ? -1 : 0);
    __m128i wrong = _mm_setzero_si128();
    auto in = reinterpret_cast<const __m128i*>(source);
    auto out = reinterpret_cast<__m128i*>(destination);
    for (size_t i = 0; i < kChunkWords / 2; i += 4) {
        const __m128i a = _mm_load_si128(in + i);
        const __m128i b = _mm_load_si128(in + i + 1);
        const __m128i c = _mm_load_si128(in + i + 2);
        const __m128i d = _mm_load_si128(in + i + 3);
        wrong = _mm_or_si128(wrong, _mm_or_si128(_mm_xor_si128(a, expected[0]), _mm_xor_si128(b, expected[1])));
        wrong = _mm_or_si128(wrong, _mm_or_si128(_mm_xor_si128(c, expected[2]), _mm_xor_si128(d, expected[3])));
        _mm_stream_si128(out + i, kInvert ? _mm_xor_si128(a, flip) : a);
        _mm_stream_si128(out + i + 1, kInvert ? _mm_xor_si128(b, flip) : b);
        _mm_stream_si128(out + i + 2, kInvert ? _mm_xor_si128(c, flip) : c);
        _mm_stream_si128(out + i + 3, kInvert ? _mm_xor_si128(d, flip) : d);
        for (__m128i& e : expected)
            e = _mm_add_epi64(e, step8);
    }
    return _mm_movemask_epi8(_mm_cmpeq_epi8(wrong, _mm_setzero_si128())) == 0xFFFF;
}

// Streaming stores are weakly ordered: they must be visible before this thread reads the destination back.
void FenceStores() {
    _mm_sfence();
}
#else
template <bool kInvert>
bool CopyChunk(const uint64_t* source, uint64_t* destination, const Sequence& sequence, size_t firstWord) {
    uint64_t wrong = 0;
    uint64_t expected = WordOf(sequence, firstWord);
    for (size_t i = 0; i < kChunkWords; ++i, expected += sequence.step) {
        const uint64_t word = source[i];
        wrong |= word ^ expected;
        destination[i] = kInvert ? ~word : word;
    }
    return wrong == 0;
}

void FenceStores() {}
#endif

void Report(const MismatchSink& sink, size_t& reported, const MemoryMismatch& mismatch) {
    if (sink.report && reported < size_t(kReportedMismatchesPerPass))
        sink.report(sink.context, mismatch);
    ++reported;
}

// A chunk failed its check: each wrong word is found in the source (it was wrong at rest) or, when the source
// reads right again, in the destination (it was read or written wrong in passing). The destination's word is set
// to its due value, so the next pass starts clean.
size_t LocateAndRestore(VerifiedBlocks& blocks, size_t firstWord, const MismatchSink& sink, size_t& reported) {
    const uint64_t pass = blocks.passes;
    const int sourceIndex = int(pass & 1);
    const uint64_t* source = blocks.block[sourceIndex];
    uint64_t* destination = blocks.block[1 - sourceIndex];
    const Sequence before = SequenceBefore(blocks.seed, pass);
    const uint64_t flip = InvertsOn(pass) ? ~uint64_t(0) : 0;
    size_t found = 0;
    FenceStores();
    for (size_t i = firstWord; i < firstWord + kChunkWords; ++i) {
        const uint64_t expected = WordOf(before, i);
        const uint64_t fromSource = source[i];
        const uint64_t passedOn = destination[i] ^ flip;
        if (fromSource == expected && passedOn == expected)
            continue;
        MemoryMismatch mismatch;
        mismatch.offset = i * kWordBytes;
        mismatch.expected = expected;
        mismatch.actual = fromSource != expected ? fromSource : passedOn;
        mismatch.block = fromSource != expected ? sourceIndex : 1 - sourceIndex;
        Report(sink, reported, mismatch);
        destination[i] = expected ^ flip;
        ++found;
    }
    // The chunk failed yet both reads are right now: a word was read wrong once and written right. Count it at
    // the chunk's start, since its place is no longer known.
    if (found == 0) {
        MemoryMismatch mismatch;
        mismatch.offset = firstWord * kWordBytes;
        mismatch.block = sourceIndex;
        Report(sink, reported, mismatch);
        found = 1;
    }
    return found;
}

}  // namespace

void StartVerifiedBlocks(VerifiedBlocks& blocks, uint64_t seed) {
    blocks.seed = seed;
    blocks.passes = 0;
    const Sequence sequence = SequenceBefore(seed, 0);
    const size_t words = blocks.bytes / kWordBytes;
    uint64_t word = sequence.start;
    for (size_t i = 0; i < words; ++i, word += sequence.step)
        blocks.block[0][i] = word;
}

uint64_t ExpectedWord(const VerifiedBlocks& blocks, uint64_t pass, size_t wordIndex) {
    return WordOf(SequenceBefore(blocks.seed, pass), wordIndex);
}

size_t VerifiedCopyPass(VerifiedBlocks& blocks, const MismatchSink& sink) {
    const uint64_t pass = blocks.passes;
    const uint64_t* source = blocks.block[pass & 1];
    uint64_t* destination = blocks.block[1 - (pass & 1)];
    const Sequence sequence = SequenceBefore(blocks.seed, pass);
    const bool invert = InvertsOn(pass);
    const size_t words = blocks.bytes / kWordBytes;
    size_t wrongWords = 0;
    size_t reported = 0;
    for (size_t first = 0; first + kChunkWords <= words; first += kChunkWords) {
        const bool right = invert ? CopyChunk<true>(source + first, destination + first, sequence, first)
                                  : CopyChunk<false>(source + first, destination + first, sequence, first);
        if (!right)
            wrongWords += LocateAndRestore(blocks, first, sink, reported);
    }
    FenceStores();
    blocks.passes = pass + 1;
    return wrongWords;
}
