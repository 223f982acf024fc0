// The LZARI decoder: reads the bit stream of a memory block and writes the expanded bytes into a caller's buffer.
#include "i18n/Lzari.h"

#include <bit>
#include <cstring>

#if defined(__SSE2__) || defined(_M_X64)
#include <emmintrin.h>
#define KV_LZARI_SSE2 1
#endif

LzariMemory DecoderMemory;

namespace {

// The fixed position model, built at compile time, and a table that finds a position without a search: the
// positions whose scaled value x falls into a bucket of 8 values start at the bucket's entry, and since every
// position's count is at least 2, at most 4 more follow.
constexpr int kBucketShift = 3;
constexpr int kBucketFollowers = 4;

struct PositionModel {
    uint16_t total = 0;
    // As the decoder's positionCumulative, with zeros behind entry 4096 for the bucket's followers.
    uint16_t cumulative[kLzariRingSize + 1 + kBucketFollowers] = {};
    // For the bucket of x (x >> kBucketShift): the lowest i with cumulative[i] <= x for every x in the bucket.
    uint16_t bucketFirst[0x8000 >> kBucketShift] = {};
};

constexpr PositionModel MakePositionModel() {
    PositionModel model;
    for (int i = kLzariRingSize; i >= 1; --i)
        model.cumulative[i - 1] = uint16_t(model.cumulative[i] + 10000 / (i + 200));
    model.total = model.cumulative[0];
    int i = kLzariRingSize;
    for (int bucket = 0; bucket <= (model.total - 1) >> kBucketShift; ++bucket) {
        const int lastX = (bucket << kBucketShift) | ((1 << kBucketShift) - 1);
        while (i > 1 && model.cumulative[i - 1] <= lastX)
            --i;
        model.bucketFirst[bucket] = uint16_t(i);
    }
    return model;
}

constexpr PositionModel kPositions = MakePositionModel();

constexpr bool BucketsHoldFewPositions() {
    for (int bucket = 1; bucket <= (kPositions.total - 1) >> kBucketShift; ++bucket) {
        if (kPositions.bucketFirst[bucket - 1] - kPositions.bucketFirst[bucket] > kBucketFollowers)
            return false;
    }
    return true;
}
static_assert(kPositions.total == 28568 && BucketsHoldFewPositions());

// Bits most significant first, held at the top of a 64-bit window: `count` bits are unread, the bits below
// them are zero or already the next bytes' bits. Bits past the end of the source read as 1, as a file at its
// end would deliver them.
struct BitReader {
    const uint8_t* source;
    // The first byte not in the window yet; it runs past the size once the ones past the end come in, and is
    // wide enough never to wrap round into the source again.
    uint64_t position;
    uint32_t size;
    uint64_t window;
    int count;

    uint64_t NextEightBytes() const {
        uint64_t word = 0;
        if (position + 8 <= size) {
            for (int k = 0; k < 8; ++k)
                word = word << 8 | source[position + k];
            return word;
        }
        for (int k = 0; k < 8; ++k)
            word = word << 8 | ByteAt(position + k);
        return word;
    }

    // Fills the window to 56 bits or more. Bits of a byte that only partly fits come in now and again with
    // the next refill, the same bits in the same places.
    void Refill() {
        window |= NextEightBytes() >> count;
        position += uint32_t(63 - count) >> 3;
        count |= 56;
    }

    // Up to 17 bits.
    uint32_t Take(int take) {
        if (count < take)
            Refill();
        const uint32_t bits = uint32_t(window >> 1 >> (63 - take));
        window <<= take;
        count -= take;
        return bits;
    }

    uint8_t ByteAt(uint64_t index) const { return index < size ? source[index] : 0xFF; }
};

// The decoder's state that the hot loop keeps in locals of its own: a store through the output's byte pointer
// could alias any field of the decoder, so the compiler would reload them after every byte.
struct Coder {
    uint32_t low;
    uint32_t high;
    uint32_t value;
    BitReader input;
};

Coder StartCoder(const LzariDecoder& decoder) {
    const LzariMemory& memory = DecoderMemory;
    // A byte left over from an earlier decode with this object is read to its end first, as a byte is.
    const int left = decoder.bitMask ? std::countr_zero(decoder.bitMask) : 0;
    const uint64_t leftBits = left ? uint64_t(decoder.inputByte & ((1u << left) - 1)) << (64 - left) : 0;
    return {decoder.low,
            decoder.high,
            decoder.value,
            {memory.source, memory.sourcePosition, memory.sourceSize, leftBits, left}};
}

// Leaves the bit reader's fields as a reader fetching one byte at a time would: the pre-read alone takes more
// bits than a byte holds, so the last byte it fetched is one of the source's (or a byte of ones past its end).
void StoreCoder(const Coder& coder, LzariDecoder& decoder) {
    decoder.low = coder.low;
    decoder.high = coder.high;
    decoder.value = coder.value;
    const uint64_t fetched = coder.input.position - uint64_t(coder.input.count / 8);
    decoder.inputByte = coder.input.ByteAt(fetched - 1);
    decoder.bitMask = uint16_t(1u << (coder.input.count % 8));
    DecoderMemory.sourcePosition = uint32_t(fetched < coder.input.size ? fetched : coder.input.size);
}

// A source too short to hold the length field states no text: its bytes are not read past the end.
uint32_t ReadTextSize() {
    LzariMemory& memory = DecoderMemory;
    if (!memory.source || memory.sourceSize < 4)
        return 0;
    const uint8_t* bytes = memory.source;
    memory.sourcePosition = 4;
    return uint32_t(bytes[0]) | uint32_t(bytes[1]) << 8 | uint32_t(bytes[2]) << 16 | uint32_t(bytes[3]) << 24;
}

void StartModel(LzariDecoder& decoder) {
    decoder.symbolCumulative[kLzariSymbolCount] = 0;
    for (int s = kLzariSymbolCount; s >= 1; --s) {
        const int code = s - 1;
        decoder.byteToSymbol[code] = uint16_t(s);
        decoder.symbolToByte[s] = uint16_t(code);
        decoder.symbolFrequency[s] = 1;
        decoder.symbolCumulative[s - 1] = uint16_t(decoder.symbolCumulative[s] + 1);
    }
    decoder.symbolFrequency[0] = 0;
    // Near positions are likelier than far ones; the model never adapts.
    std::memcpy(decoder.positionCumulative, kPositions.cumulative, sizeof(decoder.positionCumulative));
}

void HalveFrequencies(LzariDecoder& decoder) {
    uint32_t sum = 0;
    for (int i = kLzariSymbolCount; i >= 1; --i) {
        decoder.symbolCumulative[i] = uint16_t(sum);
        decoder.symbolFrequency[i] = uint16_t((decoder.symbolFrequency[i] + 1) / 2);
        sum += decoder.symbolFrequency[i];
    }
    decoder.symbolCumulative[0] = uint16_t(sum);
}

// Adds 1 to cumulative entries 0..end-1, a block of 8 at a time; lanes at or past `end` add 0.
void CountBefore(uint16_t* cumulative, int end) {
#if KV_LZARI_SSE2
    const __m128i lanes = _mm_setr_epi16(0, 1, 2, 3, 4, 5, 6, 7);
    const __m128i limit = _mm_set1_epi16(int16_t(end));
    for (int first = 0; first < end; first += 8) {
        __m128i* block = reinterpret_cast<__m128i*>(cumulative + first);
        const __m128i inside = _mm_cmpgt_epi16(limit, _mm_add_epi16(lanes, _mm_set1_epi16(int16_t(first))));
        _mm_store_si128(block, _mm_sub_epi16(_mm_load_si128(block), inside));
    }
#else
    for (int i = 0; i < end; ++i)
        ++cumulative[i];
#endif
}

// The lowest-numbered symbol of the run of equal counts that ends at `symbol`; the sentinel 0 at entry 0 ends
// every run.
int RunStart(const uint16_t* frequency, int symbol) {
    int start = symbol;
    while (frequency[start] == frequency[start - 1])
        --start;
    return start;
}

// Keeps the symbols ordered by falling frequency: the symbol moves to the front of its run of equal counts
// before its count grows. A symbol at the front already swaps with itself.
void UpdateModel(LzariDecoder& decoder, int symbol) {
    if (decoder.symbolCumulative[0] >= kLzariFrequencyCeiling)
        HalveFrequencies(decoder);
    const int first = RunStart(decoder.symbolFrequency, symbol);
    const uint16_t codeFirst = decoder.symbolToByte[first];
    const uint16_t codeSymbol = decoder.symbolToByte[symbol];
    decoder.symbolToByte[first] = codeSymbol;
    decoder.symbolToByte[symbol] = codeFirst;
    decoder.byteToSymbol[codeFirst] = uint16_t(symbol);
    decoder.byteToSymbol[codeSymbol] = uint16_t(first);
    ++decoder.symbolFrequency[first];
    CountBefore(decoder.symbolCumulative, first);
}

// How often the interval [low, high) doubles before it holds the midpoint Q2 and more than the middle half
// around it: first the leading bits on which low and high - 1 agree, then the bits on which they straddle Q2
// as 01... and 10... .
int Doublings(uint32_t low, uint32_t high) {
    const uint32_t last = high - 1;
    const uint32_t differ = (low ^ last) & (kLzariQ4 - 1);
    const int agree = differ ? std::countl_zero(differ) - 15 : 17;
    if (agree >= 17)
        return agree;
    const uint32_t lowShifted = low << agree;
    const uint32_t lastShifted = last << agree | ((1u << agree) - 1);
    return agree + std::countl_one(uint16_t(lowShifted & ~lastShifted));
}

// Each round of the renormalisation doubles low, high and value and takes the same multiple of Q2 from them
// (Q2 when low >= Q2, Q1 before doubling when the interval lies in the middle half), and the rounds end once
// low < Q2 < high and the interval is not inside the middle half. So the end depends only on how many rounds
// run: low ends as low * 2^n modulo Q2, the distances to high and value scale by 2^n, and value takes n new
// bits. Doing the n rounds at once is the same arithmetic without a branch per bit.
void Renormalise(Coder& coder) {
    const int n = Doublings(coder.low, coder.high);
    const uint32_t low = (coder.low << n) & (kLzariQ2 - 1);
    const uint32_t range = (coder.high - coder.low) << n;
    coder.value = low + ((coder.value - coder.low) << n) + coder.input.Take(n);
    coder.low = low;
    coder.high = low + range;
}

// The coder keeps low <= value < high for any input, so x is below the total, the range is never zero and no
// product overflows. x is capped below the total all the same, since it indexes the position buckets.
uint32_t ScaledValue(const Coder& coder, uint32_t total) {
    const uint32_t x = ((coder.value - coder.low + 1) * total - 1) / (coder.high - coder.low);
    return x < total ? x : total - 1;
}

// The symbol s with cumulative[s - 1] > x >= cumulative[s]. The counts fall from symbol to symbol and the
// frequent symbols come first, so a scan from the front finds most symbols in the first blocks. No count
// exceeds 0x7FFF, so they compare as signed 16-bit lanes.
int FindSymbol(const uint16_t* cumulative, uint32_t x) {
#if KV_LZARI_SSE2
    const __m128i limit = _mm_set1_epi16(int16_t(x));
    for (int first = 1;; first += 8) {
        const __m128i block = _mm_loadu_si128(reinterpret_cast<const __m128i*>(cumulative + first));
        const unsigned above = unsigned(_mm_movemask_epi8(_mm_cmpgt_epi16(block, limit)));
        if (above != 0xFFFF)
            return first + std::countr_one(above) / 2;
    }
#else
    int s = 1;
    while (cumulative[s] > x)
        ++s;
    return s;
#endif
}

int DecodeSymbol(Coder& coder, const uint16_t* cumulative) {
    const uint32_t total = cumulative[0];
    const uint32_t x = ScaledValue(coder, total);
    const int symbol = FindSymbol(cumulative, x);
    const uint32_t range = coder.high - coder.low;
    coder.high = coder.low + range * cumulative[symbol - 1] / total;
    coder.low = coder.low + range * cumulative[symbol] / total;
    Renormalise(coder);
    return symbol;
}

// The position p with cumulative[p] > x >= cumulative[p + 1]: its bucket's first entry plus the followers that
// still lie above x. The total is a constant, so its divisions become multiplications.
int DecodePosition(Coder& coder) {
    const uint16_t* cumulative = kPositions.cumulative;
    const uint32_t x = ScaledValue(coder, kPositions.total);
    const int first = kPositions.bucketFirst[x >> kBucketShift];
    int i = first;
    for (int k = 0; k < kBucketFollowers; ++k)
        i += cumulative[first + k] > x;
    const int position = i - 1;
    const uint32_t range = coder.high - coder.low;
    coder.high = coder.low + range * cumulative[position] / kPositions.total;
    coder.low = coder.low + range * cumulative[position + 1] / kPositions.total;
    Renormalise(coder);
    return position;
}

// Where the expanded bytes go: the ring, which matches copy from, and the caller's buffer, which keeps its
// last byte free for the terminator; bytes beyond that are dropped.
struct Output {
    uint8_t* ring;
    int r;
    uint8_t* destination;
    uint32_t written;
    uint32_t capacity;

    bool Full() const { return !destination || written + 1 >= capacity; }

    // Called only while the buffer has room.
    void Literal(uint8_t byte) {
        destination[written++] = byte;
        ring[r] = byte;
        r = (r + 1) & (kLzariRingSize - 1);
    }

    // The copy reads bytes it has just written when it starts fewer than `length` bytes back, so it goes byte
    // by byte; one that neither wraps round the ring's end nor fills the buffer needs no mask and no check.
    void Match(int position, int length) {
        const int start = (r - position - 1) & (kLzariRingSize - 1);
        const uint32_t room = capacity - 1 - written;
        const uint32_t stored = uint32_t(length) < room ? uint32_t(length) : room;
        uint8_t* out = destination + written;
        if (start + length <= kLzariRingSize && r + length <= kLzariRingSize && stored == uint32_t(length)) {
            for (int k = 0; k < length; ++k)
                out[k] = ring[r + k] = ring[start + k];
            r = (r + length) & (kLzariRingSize - 1);
        } else {
            for (int k = 0; k < length; ++k) {
                const uint8_t byte = ring[(start + k) & (kLzariRingSize - 1)];
                if (uint32_t(k) < stored)
                    out[k] = byte;
                ring[r] = byte;
                r = (r + 1) & (kLzariRingSize - 1);
            }
        }
        written += stored;
    }
};

void DecodeText(LzariDecoder& decoder) {
    decoder.textSize = ReadTextSize();
    if (decoder.textSize == 0)
        return;
    Coder coder = StartCoder(decoder);
    coder.value = coder.input.Take(17);
    StartModel(decoder);
    std::memset(decoder.ring, 0x20, kLzariFirstPosition);
    LzariMemory& memory = DecoderMemory;
    Output output{decoder.ring, kLzariFirstPosition, memory.destination, memory.destinationWritten,
                  memory.destinationCapacity};
    // Once the buffer is full every further byte would be dropped, so decoding stops there instead of running
    // through a damaged length of up to 4 GiB; what is stored and the stated length come out the same.
    for (uint32_t count = 0; count < decoder.textSize && !output.Full();) {
        const int symbol = DecodeSymbol(coder, decoder.symbolCumulative);
        const int code = decoder.symbolToByte[symbol];
        UpdateModel(decoder, symbol);
        if (code < 256) {
            output.Literal(uint8_t(code));
            ++count;
            continue;
        }
        const int length = code - 253;
        output.Match(DecodePosition(coder), length);
        count += uint32_t(length);
    }
    memory.destinationWritten = output.written;
    StoreCoder(coder, decoder);
}

}  // namespace

void DecodeMemory(LzariDecoder& decoder, const uint8_t* block, uint8_t* buffer) {
    LzariMemory& memory = DecoderMemory;
    memory.source = block;
    memory.sourcePosition = 0;
    memory.destination = buffer;
    memory.destinationWritten = 0;
    decoder.low = 0;
    decoder.high = kLzariQ4;
    decoder.value = 0;
    decoder.textSize = 0;
    DecodeText(decoder);
    memory.source = nullptr;
    memory.sourcePosition = 0;
    memory.destination = nullptr;
    memory.destinationWritten = 0;
}
