// The verified copy: clean passes find nothing and turn every bit over, a bit flipped at rest or on its way is
// found at its offset in either direction and counted once, and a storm of faults is counted whole.
#include <gtest/gtest.h>

#include <cstdlib>
#include <vector>

#include "stress/VerifiedCopy.h"

namespace {

constexpr size_t kBytes = 4 * kVerifiedChunkBytes;
constexpr size_t kWords = kBytes / sizeof(uint64_t);

struct Blocks {
    std::vector<uint64_t> memory[2] = {std::vector<uint64_t>(kWords), std::vector<uint64_t>(kWords)};
    VerifiedBlocks blocks;
    std::vector<MemoryMismatch> found;
    MismatchSink sink = {
        [](void* context, const MemoryMismatch& mismatch) { static_cast<Blocks*>(context)->found.push_back(mismatch); },
        this};

    explicit Blocks(uint64_t seed) {
        blocks.block[0] = memory[0].data();
        blocks.block[1] = memory[1].data();
        blocks.bytes = kBytes;
        StartVerifiedBlocks(blocks, seed);
    }
    size_t Pass() { return VerifiedCopyPass(blocks, sink); }
    // The block the next pass reads.
    uint64_t* Source() { return blocks.block[blocks.passes & 1]; }
    uint64_t* LastDestination() { return blocks.block[blocks.passes & 1]; }
};

}  // namespace

TEST(VerifiedCopy, CleanPassesFindNothingAndEveryBitHoldsZeroAndOne) {
    Blocks b(0x0123456789ABCDEFull);
    std::vector<uint64_t> ones[2] = {std::vector<uint64_t>(kWords, 0), std::vector<uint64_t>(kWords, 0)};
    std::vector<uint64_t> zeros[2] = {std::vector<uint64_t>(kWords, ~0ull), std::vector<uint64_t>(kWords, ~0ull)};
    for (int pass = 0; pass < 6; ++pass) {
        ASSERT_EQ(b.Pass(), 0u) << "pass " << pass;
        for (int k = 0; k < 2; ++k) {
            for (size_t i = 0; i < kWords; ++i) {
                ones[k][i] |= b.memory[k][i];
                zeros[k][i] &= b.memory[k][i];
            }
        }
    }
    EXPECT_TRUE(b.found.empty());
    for (int k = 0; k < 2; ++k) {
        for (size_t i = 0; i < kWords; ++i) {
            ASSERT_EQ(ones[k][i], ~0ull) << "block " << k << " word " << i << " never held a 1 in some bit";
            ASSERT_EQ(zeros[k][i], 0ull) << "block " << k << " word " << i << " never held a 0 in some bit";
        }
    }
    // The pattern depends on the position, so a word written to the wrong place reads wrong.
    EXPECT_NE(ExpectedWord(b.blocks, 0, 1), ExpectedWord(b.blocks, 0, 2));
}

TEST(VerifiedCopy, ABitFlippedAtRestIsFoundInBothDirectionsAtItsOffsetAndCountedOnce) {
    for (int pass = 0; pass < 4; ++pass) {
        Blocks b(0xFEEDFACECAFEBEEFull + pass);
        for (int i = 0; i < pass; ++i)
            ASSERT_EQ(b.Pass(), 0u);
        const size_t word = kWords / 2 + 3;
        const uint64_t expected = ExpectedWord(b.blocks, b.blocks.passes, word);
        ASSERT_EQ(b.Source()[word], expected);
        // One bit that holds 1 turns to 0, another that holds 0 turns to 1.
        int one = 0, zero = 0;
        while (!(expected >> one & 1))
            ++one;
        while (expected >> zero & 1)
            ++zero;
        b.Source()[word] ^= (1ull << one) | (1ull << zero);

        EXPECT_EQ(b.Pass(), 1u) << "pass " << pass;
        ASSERT_EQ(b.found.size(), 1u);
        EXPECT_EQ(b.found[0].offset, word * 8);
        EXPECT_EQ(b.found[0].expected, expected);
        EXPECT_EQ(b.found[0].actual, expected ^ (1ull << one) ^ (1ull << zero));
        EXPECT_EQ(b.found[0].block, pass & 1);
        EXPECT_EQ(b.Pass(), 0u) << "the copy was restored, so the fault counts once";
        EXPECT_EQ(b.Pass(), 0u);
    }
}

TEST(VerifiedCopy, AWordWrittenWrongIsFoundWhenTheNextPassReadsIt) {
    Blocks b(42);
    ASSERT_EQ(b.Pass(), 0u);
    const size_t word = kWords - 1;
    b.LastDestination()[word] ^= 1ull << 63;
    EXPECT_EQ(b.Pass(), 1u);
    ASSERT_EQ(b.found.size(), 1u);
    EXPECT_EQ(b.found[0].offset, word * 8);
    EXPECT_EQ(b.found[0].block, 1);
    EXPECT_EQ(b.found[0].actual ^ b.found[0].expected, 1ull << 63);
}

TEST(VerifiedCopy, ManyWrongWordsAreAllCountedAndTheFirstOnesDescribed) {
    Blocks b(7);
    for (size_t i = 0; i < 100; ++i)
        b.Source()[i * 997 % kWords] ^= 0x10;
    EXPECT_EQ(b.Pass(), 100u);
    EXPECT_EQ(b.found.size(), size_t(kReportedMismatchesPerPass));
    EXPECT_EQ(b.Pass(), 0u);
}
