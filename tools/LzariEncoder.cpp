// The LZARI compressor: greedy LZSS matching over the decoder's ring, coded with the decoder's models.
#include "LzariEncoder.h"

#include <algorithm>

namespace {

constexpr uint32_t kQ1 = 0x8000;
constexpr uint32_t kQ2 = 0x10000;
constexpr uint32_t kQ3 = 0x18000;
constexpr uint32_t kFrequencyCeiling = 0x7FFF;
constexpr int kRingSize = 4096;
constexpr int kLongestMatch = 60;
constexpr int kShortestMatch = 3;
// The ring starts with this many spaces ahead of the first byte; matches may copy from them.
constexpr size_t kInitialSpaces = kRingSize - kLongestMatch;
// Candidates tried per position: enough for text, and it bounds the time on long runs of one byte.
constexpr int kMaxChain = 1024;
constexpr int kHashBits = 15;

}  // namespace

LzariStreamWriter::LzariStreamWriter() {
    cumulative_[kSymbols] = 0;
    for (int s = kSymbols; s >= 1; --s) {
        codeSymbol_[s - 1] = uint16_t(s);
        symbolCode_[s] = uint16_t(s - 1);
        frequency_[s] = 1;
        cumulative_[s - 1] = uint16_t(cumulative_[s] + 1);
    }
    frequency_[0] = 0;
    positionCumulative_[kPositions] = 0;
    for (int i = kPositions; i >= 1; --i)
        positionCumulative_[i - 1] = uint16_t(positionCumulative_[i] + 10000 / (i + 200));
}

void LzariStreamWriter::PutLiteral(uint8_t byte) {
    PutSymbol(byte);
}

void LzariStreamWriter::PutMatch(int length, int position) {
    PutSymbol(256 - kShortestMatch + length);
    Encode(positionCumulative_, position);
}

void LzariStreamWriter::PutSymbol(int code) {
    const int symbol = codeSymbol_[code];
    Encode(cumulative_, symbol - 1);
    UpdateModel(symbol);
}

void LzariStreamWriter::UpdateModel(int symbol) {
    if (cumulative_[0] >= kFrequencyCeiling) {
        uint32_t sum = 0;
        for (int s = kSymbols; s >= 1; --s) {
            cumulative_[s] = uint16_t(sum);
            frequency_[s] = uint16_t((frequency_[s] + 1) / 2);
            sum += frequency_[s];
        }
        cumulative_[0] = uint16_t(sum);
    }
    // The lowest-numbered symbol of the run of equal counts takes this symbol's place.
    int first = symbol;
    while (frequency_[first] == frequency_[first - 1])
        --first;
    if (first < symbol) {
        std::swap(symbolCode_[first], symbolCode_[symbol]);
        codeSymbol_[symbolCode_[first]] = uint16_t(first);
        codeSymbol_[symbolCode_[symbol]] = uint16_t(symbol);
    }
    ++frequency_[first];
    for (int s = 0; s < first; ++s)
        ++cumulative_[s];
}

// The renormalisation takes its cases in the decoder's order, so both sides keep the same low and high.
void LzariStreamWriter::Encode(const uint16_t* cumulative, int index) {
    const uint32_t range = high_ - low_;
    const uint32_t total = cumulative[0];
    high_ = low_ + range * cumulative[index] / total;
    low_ = low_ + range * cumulative[index + 1] / total;
    for (;;) {
        if (low_ >= kQ2) {
            PutBitAndPending(1);
            low_ -= kQ2;
            high_ -= kQ2;
        } else if (low_ >= kQ1 && high_ <= kQ3) {
            ++pending_;
            low_ -= kQ1;
            high_ -= kQ1;
        } else if (high_ > kQ2) {
            return;
        } else {
            PutBitAndPending(0);
        }
        low_ += low_;
        high_ += high_;
    }
}

void LzariStreamWriter::PutBit(int bit) {
    if (bit)
        byte_ |= mask_;
    mask_ >>= 1;
    if (mask_ == 0) {
        out_.push_back(byte_);
        byte_ = 0;
        mask_ = 0x80;
    }
}

void LzariStreamWriter::PutBitAndPending(int bit) {
    PutBit(bit);
    for (; pending_ > 0; --pending_)
        PutBit(!bit);
}

// The interval straddles a half; two more bits put the code value in a quarter wholly inside it, whatever
// bits follow (zero padding here, then the ones the decoder reads past the end).
std::vector<uint8_t> LzariStreamWriter::Finish() {
    ++pending_;
    PutBitAndPending(low_ < kQ1 ? 0 : 1);
    if (mask_ != 0x80)
        out_.push_back(byte_);
    mask_ = 0x80;
    byte_ = 0;
    return std::move(out_);
}

namespace {

// Finds earlier occurrences through chains of positions with the same first three bytes.
class MatchFinder {
public:
    explicit MatchFinder(const std::vector<uint8_t>& history)
        : history_(history), head_(size_t(1) << kHashBits, -1), previous_(history.size(), -1) {}

    void Insert(size_t position) {
        if (position + 2 >= history_.size())
            return;
        const uint32_t hash = Hash(position);
        previous_[position] = head_[hash];
        head_[hash] = int32_t(position);
    }

    // The longest match of up to maxLength bytes ending before `position`, nearest first among equals; the
    // copy may run into the bytes it produces, as the decoder's byte-by-byte copy does.
    int Find(size_t position, int maxLength, int& distance) const {
        int best = 0;
        int chain = 0;
        for (int32_t candidate = head_[Hash(position)]; candidate >= 0 && chain < kMaxChain;
             candidate = previous_[size_t(candidate)], ++chain) {
            const size_t candidateDistance = position - size_t(candidate);
            if (candidateDistance > size_t(kRingSize))
                break;
            int length = 0;
            while (length < maxLength && history_[size_t(candidate) + length] == history_[position + length])
                ++length;
            if (length > best) {
                best = length;
                distance = int(candidateDistance);
                if (best == maxLength)
                    break;
            }
        }
        return best;
    }

private:
    uint32_t Hash(size_t position) const {
        const uint32_t key = uint32_t(history_[position]) << 16 | uint32_t(history_[position + 1]) << 8 |
                             uint32_t(history_[position + 2]);
        return (key * 2654435761u) >> (32 - kHashBits);
    }

    const std::vector<uint8_t>& history_;
    std::vector<int32_t> head_;
    std::vector<int32_t> previous_;
};

}  // namespace

std::vector<uint8_t> LzariCompress(const uint8_t* data, size_t size) {
    // The decoder's output preceded by the ring's initial spaces: a match distance here is one there.
    std::vector<uint8_t> history(kInitialSpaces + size, ' ');
    std::copy_n(data, size, history.begin() + kInitialSpaces);
    MatchFinder finder(history);
    for (size_t i = 0; i < kInitialSpaces; ++i)
        finder.Insert(i);

    LzariStreamWriter writer;
    size_t position = kInitialSpaces;
    while (position < history.size()) {
        const int maxLength = int(std::min<size_t>(kLongestMatch, history.size() - position));
        int distance = 0;
        const int length = maxLength >= kShortestMatch ? finder.Find(position, maxLength, distance) : 0;
        if (length >= kShortestMatch) {
            writer.PutMatch(length, distance - 1);
            for (int k = 0; k < length; ++k)
                finder.Insert(position + size_t(k));
            position += size_t(length);
        } else {
            writer.PutLiteral(history[position]);
            finder.Insert(position);
            ++position;
        }
    }
    return writer.Finish();
}

std::vector<uint8_t> LzariPackBlock(const uint8_t* data, size_t size) {
    const uint32_t length = uint32_t(size);
    std::vector<uint8_t> block = {uint8_t(length), uint8_t(length >> 8), uint8_t(length >> 16), uint8_t(length >> 24)};
    const std::vector<uint8_t> stream = LzariCompress(data, size);
    block.insert(block.end(), stream.begin(), stream.end());
    return block;
}
