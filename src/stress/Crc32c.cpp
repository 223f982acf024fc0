// CRC-32C with the SSE4.2 crc32 instruction when the processor has it, else slicing-by-8 tables.
#include "stress/Crc32c.h"

#include <cstring>

#if defined(__x86_64__) || defined(_M_X64)
#define KV_CRC32C_X64 1
#include <nmmintrin.h>
#if defined(_MSC_VER) && !defined(__clang__)
#include <intrin.h>
#define KV_TARGET_SSE42
#else
#include <cpuid.h>
#define KV_TARGET_SSE42 __attribute__((target("sse4.2")))
#endif
#endif

namespace {

// The reflected Castagnoli polynomial.
constexpr uint32_t kPolynomial = 0x82F63B78u;

struct Tables {
    uint32_t t[8][256];
};

constexpr Tables MakeTables() {
    Tables tables{};
    for (uint32_t n = 0; n < 256; ++n) {
        uint32_t crc = n;
        for (int bit = 0; bit < 8; ++bit)
            crc = (crc & 1) ? (crc >> 1) ^ kPolynomial : crc >> 1;
        tables.t[0][n] = crc;
    }
    for (uint32_t n = 0; n < 256; ++n)
        for (int k = 1; k < 8; ++k)
            tables.t[k][n] = (tables.t[k - 1][n] >> 8) ^ tables.t[0][tables.t[k - 1][n] & 0xFF];
    return tables;
}

constexpr Tables kTables = MakeTables();

uint64_t Load64(const uint8_t* p) {
    uint64_t value;
    std::memcpy(&value, p, sizeof(value));
    return value;
}

// Works on the inverted register, as the instruction does; the callers invert at the ends.
uint32_t TableUpdate(uint32_t crc, const uint8_t* p, size_t bytes) {
    for (; bytes >= 8; bytes -= 8, p += 8) {
        const uint64_t word = Load64(p) ^ crc;
        crc = kTables.t[7][word & 0xFF] ^ kTables.t[6][(word >> 8) & 0xFF] ^ kTables.t[5][(word >> 16) & 0xFF] ^
              kTables.t[4][(word >> 24) & 0xFF] ^ kTables.t[3][(word >> 32) & 0xFF] ^
              kTables.t[2][(word >> 40) & 0xFF] ^ kTables.t[1][(word >> 48) & 0xFF] ^ kTables.t[0][word >> 56];
    }
    for (; bytes > 0; --bytes, ++p)
        crc = (crc >> 8) ^ kTables.t[0][(crc ^ *p) & 0xFF];
    return crc;
}

#ifdef KV_CRC32C_X64

bool ProcessorHasSse42() {
#if defined(_MSC_VER) && !defined(__clang__)
    int registers[4] = {};
    __cpuid(registers, 1);
    return (registers[2] & (1 << 20)) != 0;
#else
    unsigned eax = 0, ebx = 0, ecx = 0, edx = 0;
    return __get_cpuid(1, &eax, &ebx, &ecx, &edx) && (ecx & bit_SSE4_2) != 0;
#endif
}

KV_TARGET_SSE42 uint32_t InstructionUpdate(uint32_t crc, const uint8_t* p, size_t bytes) {
    uint64_t wide = crc;
    for (; bytes >= 8; bytes -= 8, p += 8)
        wide = _mm_crc32_u64(wide, Load64(p));
    crc = uint32_t(wide);
    for (; bytes > 0; --bytes, ++p)
        crc = _mm_crc32_u8(crc, *p);
    return crc;
}

// Four spans at once: each crc32 waits three cycles for its predecessor in the same span, so four independent
// chains keep the unit busy.
KV_TARGET_SSE42 void InstructionSpans(const uint8_t* first, size_t stride, size_t bytes, size_t count, uint32_t* crcs) {
    size_t span = 0;
    for (; span + 4 <= count; span += 4) {
        const uint8_t* p0 = first + span * stride;
        const uint8_t* p1 = p0 + stride;
        const uint8_t* p2 = p1 + stride;
        const uint8_t* p3 = p2 + stride;
        uint64_t c0 = 0xFFFFFFFFu, c1 = 0xFFFFFFFFu, c2 = 0xFFFFFFFFu, c3 = 0xFFFFFFFFu;
        size_t at = 0;
        for (; at + 8 <= bytes; at += 8) {
            c0 = _mm_crc32_u64(c0, Load64(p0 + at));
            c1 = _mm_crc32_u64(c1, Load64(p1 + at));
            c2 = _mm_crc32_u64(c2, Load64(p2 + at));
            c3 = _mm_crc32_u64(c3, Load64(p3 + at));
        }
        const size_t rest = bytes - at;
        crcs[span] = ~InstructionUpdate(uint32_t(c0), p0 + at, rest);
        crcs[span + 1] = ~InstructionUpdate(uint32_t(c1), p1 + at, rest);
        crcs[span + 2] = ~InstructionUpdate(uint32_t(c2), p2 + at, rest);
        crcs[span + 3] = ~InstructionUpdate(uint32_t(c3), p3 + at, rest);
    }
    for (; span < count; ++span)
        crcs[span] = ~InstructionUpdate(0xFFFFFFFFu, first + span * stride, bytes);
}

// Asked once, at first use, so that no other file's static initialisation can run before the answer is there.
bool HasInstruction() {
    static const bool has = ProcessorHasSse42();
    return has;
}

#else

constexpr bool HasInstruction() {
    return false;
}

#endif

}  // namespace

uint32_t Crc32cByTable(const void* data, size_t bytes, uint32_t crc) {
    return ~TableUpdate(~crc, static_cast<const uint8_t*>(data), bytes);
}

uint32_t Crc32c(const void* data, size_t bytes, uint32_t crc) {
#ifdef KV_CRC32C_X64
    if (HasInstruction())
        return ~InstructionUpdate(~crc, static_cast<const uint8_t*>(data), bytes);
#endif
    return Crc32cByTable(data, bytes, crc);
}

void Crc32cSpans(const uint8_t* first, size_t stride, size_t bytes, size_t count, uint32_t* crcs) {
#ifdef KV_CRC32C_X64
    if (HasInstruction()) {
        InstructionSpans(first, stride, bytes, count, crcs);
        return;
    }
#endif
    for (size_t span = 0; span < count; ++span)
        crcs[span] = Crc32cByTable(first + span * stride, bytes);
}

bool Crc32cUsesInstruction() {
    return HasInstruction();
}
