// The LZARI decoder before it was tuned, word for word but for its names: the reference for comparison.
#include "reference/LzariReference.h"

#include <bit>

LzariMemory ReferenceDecoderMemory;

namespace {

// Reads `count` bits, most significant first. Bits past the end of the source read as 1, as a file at its end
// would deliver them. bitMask keeps the bit of inputByte read last, so 0 and 1 both mean the byte is used up.
uint32_t ReadBits(ReferenceLzariDecoder& decoder, int count) {
    uint32_t bits = 0;
    while (count > 0) {
        int left = decoder.bitMask ? std::countr_zero(decoder.bitMask) : 0;
        if (left == 0) {
            LzariMemory& memory = ReferenceDecoderMemory;
            if (memory.source && memory.sourcePosition < memory.sourceSize)
                decoder.inputByte = memory.source[memory.sourcePosition++];
            else
                decoder.inputByte = 0xFF;
            left = 8;
        }
        const int take = count < left ? count : left;
        bits = bits << take | ((decoder.inputByte >> (left - take)) & ((1u << take) - 1));
        decoder.bitMask = uint16_t(1u << (left - take));
        count -= take;
    }
    return bits;
}

// A source too short to hold the length field states no text: its bytes are not read past the end.
uint32_t ReadTextSize() {
    LzariMemory& memory = ReferenceDecoderMemory;
    if (!memory.source || memory.sourceSize < 4)
        return 0;
    const uint8_t* bytes = memory.source;
    memory.sourcePosition = 4;
    return uint32_t(bytes[0]) | uint32_t(bytes[1]) << 8 | uint32_t(bytes[2]) << 16 | uint32_t(bytes[3]) << 24;
}

// The byte is dropped once only the terminator's byte is left free; decoding is not told.
void EmitByte(uint8_t byte) {
    LzariMemory& memory = ReferenceDecoderMemory;
    if (memory.destination && memory.destinationWritten + 1 < memory.destinationCapacity)
        memory.destination[memory.destinationWritten++] = byte;
}

bool DestinationFull() {
    const LzariMemory& memory = ReferenceDecoderMemory;
    return !memory.destination || memory.destinationWritten + 1 >= memory.destinationCapacity;
}

void StartModel(ReferenceLzariDecoder& decoder) {
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
    decoder.positionCumulative[kLzariRingSize] = 0;
    for (int i = kLzariRingSize; i >= 1; --i)
        decoder.positionCumulative[i - 1] = uint16_t(decoder.positionCumulative[i] + 10000 / (i + 200));
}

void HalveFrequencies(ReferenceLzariDecoder& decoder) {
    uint32_t sum = 0;
    for (int i = kLzariSymbolCount; i >= 1; --i) {
        decoder.symbolCumulative[i] = uint16_t(sum);
        decoder.symbolFrequency[i] = uint16_t((decoder.symbolFrequency[i] + 1) / 2);
        sum += decoder.symbolFrequency[i];
    }
    decoder.symbolCumulative[0] = uint16_t(sum);
}

// Keeps the symbols ordered by falling frequency: the symbol moves to the front of its run of equal counts
// before its count grows.
void UpdateModel(ReferenceLzariDecoder& decoder, int symbol) {
    if (decoder.symbolCumulative[0] >= kLzariFrequencyCeiling)
        HalveFrequencies(decoder);
    int i = symbol;
    while (decoder.symbolFrequency[i] == decoder.symbolFrequency[i - 1])
        --i;
    if (i < symbol) {
        const uint16_t codeI = decoder.symbolToByte[i];
        const uint16_t codeSymbol = decoder.symbolToByte[symbol];
        decoder.symbolToByte[i] = codeSymbol;
        decoder.symbolToByte[symbol] = codeI;
        decoder.byteToSymbol[codeI] = uint16_t(symbol);
        decoder.byteToSymbol[codeSymbol] = uint16_t(i);
    }
    ++decoder.symbolFrequency[i];
    while (--i >= 0)
        ++decoder.symbolCumulative[i];
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
void Renormalise(ReferenceLzariDecoder& decoder) {
    const int n = Doublings(decoder.low, decoder.high);
    if (n == 0)
        return;
    const uint32_t low = (decoder.low << n) & (kLzariQ2 - 1);
    const uint32_t range = (decoder.high - decoder.low) << n;
    decoder.value = low + ((decoder.value - decoder.low) << n) + ReadBits(decoder, n);
    decoder.low = low;
    decoder.high = low + range;
}

// The index i in first..last with cumulative[i - 1] > x >= cumulative[i]; the table falls, so halve the range.
int SearchCumulative(const uint16_t* cumulative, int first, int last, uint32_t x) {
    int i = first;
    int j = last;
    while (i < j) {
        const int k = (i + j) / 2;
        if (cumulative[k] > x)
            i = k + 1;
        else
            j = k;
    }
    return i;
}

// Narrows the interval to the entry's share [cumulative[index + 1], cumulative[index]) of the total.
// The coder keeps low <= value < high for any input, so the range is never zero and no product overflows.
void Narrow(ReferenceLzariDecoder& decoder, const uint16_t* cumulative, int index) {
    const uint32_t range = decoder.high - decoder.low;
    const uint32_t total = cumulative[0];
    decoder.high = decoder.low + range * cumulative[index] / total;
    decoder.low = decoder.low + range * cumulative[index + 1] / total;
    Renormalise(decoder);
}

uint32_t ScaledValue(const ReferenceLzariDecoder& decoder, uint32_t total) {
    const uint32_t range = decoder.high - decoder.low;
    return ((decoder.value - decoder.low + 1) * total - 1) / range;
}

int DecodeSymbol(ReferenceLzariDecoder& decoder) {
    const uint32_t x = ScaledValue(decoder, decoder.symbolCumulative[0]);
    const int symbol = SearchCumulative(decoder.symbolCumulative, 1, kLzariSymbolCount, x);
    Narrow(decoder, decoder.symbolCumulative, symbol - 1);
    return symbol;
}

int DecodePosition(ReferenceLzariDecoder& decoder) {
    const uint32_t x = ScaledValue(decoder, decoder.positionCumulative[0]);
    const int position = SearchCumulative(decoder.positionCumulative, 1, kLzariRingSize, x) - 1;
    Narrow(decoder, decoder.positionCumulative, position);
    return position;
}

void StoreInRing(ReferenceLzariDecoder& decoder, int& r, uint8_t byte) {
    EmitByte(byte);
    decoder.ring[r] = byte;
    r = (r + 1) & (kLzariRingSize - 1);
}

void DecodeText(ReferenceLzariDecoder& decoder) {
    decoder.textSize = ReadTextSize();
    if (decoder.textSize == 0)
        return;
    decoder.value = ReadBits(decoder, 17);
    StartModel(decoder);
    for (int i = 0; i < kLzariFirstPosition; ++i)
        decoder.ring[i] = 0x20;
    int r = kLzariFirstPosition;
    // Once the buffer is full every further byte would be dropped, so decoding stops there instead of running
    // through a damaged length of up to 4 GiB; what is stored and the stated length come out the same.
    for (uint32_t count = 0; count < decoder.textSize && !DestinationFull();) {
        const int symbol = DecodeSymbol(decoder);
        const int code = decoder.symbolToByte[symbol];
        UpdateModel(decoder, symbol);
        if (code < 256) {
            StoreInRing(decoder, r, uint8_t(code));
            ++count;
            continue;
        }
        const int position = DecodePosition(decoder);
        const int start = (r - position - 1) & (kLzariRingSize - 1);
        const int length = code - 253;
        for (int k = 0; k < length; ++k)
            StoreInRing(decoder, r, decoder.ring[(start + k) & (kLzariRingSize - 1)]);
        count += uint32_t(length);
    }
}

}  // namespace

void ReferenceDecodeMemory(ReferenceLzariDecoder& decoder, const uint8_t* block, uint8_t* buffer) {
    LzariMemory& memory = ReferenceDecoderMemory;
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
