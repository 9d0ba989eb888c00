#include "archive/lha/crc16.h"

#include <array>

#if defined(__x86_64__) && defined(__GNUC__)
#include <immintrin.h>
#endif

namespace lha {
namespace {

// Eight tables let the loop consume eight bytes per step (slicing-by-8).
constexpr std::array<std::array<std::uint16_t, 256>, 8> makeTables() {
    std::array<std::array<std::uint16_t, 256>, 8> t{};
    for (unsigned i = 0; i < 256; ++i) {
        std::uint16_t c = static_cast<std::uint16_t>(i);
        for (int k = 0; k < 8; ++k)
            c = (c & 1) ? static_cast<std::uint16_t>((c >> 1) ^ 0xA001) : static_cast<std::uint16_t>(c >> 1);
        t[0][i] = c;
    }
    for (unsigned i = 0; i < 256; ++i)
        for (int s = 1; s < 8; ++s) t[s][i] = static_cast<std::uint16_t>((t[s - 1][i] >> 8) ^ t[0][t[s - 1][i] & 0xFF]);
    return t;
}

constexpr auto kTables = makeTables();

std::uint16_t crc16ByTables(std::uint16_t crc, const unsigned char* p, std::size_t size) {
    while (size >= 8) {
        const std::uint32_t v = crc ^ (p[0] | (p[1] << 8));
        crc = static_cast<std::uint16_t>(kTables[7][v & 0xFF] ^ kTables[6][(v >> 8) & 0xFF] ^ kTables[5][p[2]] ^
                                         kTables[4][p[3]] ^ kTables[3][p[4]] ^ kTables[2][p[5]] ^ kTables[1][p[6]] ^
                                         kTables[0][p[7]]);
        p += 8;
        size -= 8;
    }
    while (size--) crc = static_cast<std::uint16_t>((crc >> 8) ^ kTables[0][(crc ^ *p++) & 0xFF]);
    return crc;
}

#if defined(__x86_64__) && defined(__GNUC__)
// Folding with carry-less multiplication, where the processor has it: a
// 128-bit remainder S stands for all the data so far, and each further 16
// bytes D make it S * x^128 + D, with S * x^128 brought back under 128 bits
// through the 16-bit constants x^192 and x^128 modulo the polynomial
// x^16 + x^15 + x^2 + 1. The CRC is reflected: bit i of the 16 bytes loaded
// as one little-endian number is the coefficient of x^(127 - i), and a
// product of two such numbers comes out one degree low, which the constants
// make up for by being x^191 and x^127. The remainder's 16 bytes then go
// through the tables like any data.
constexpr std::uint64_t reflectedPower(unsigned n) {  // x^n mod P, coefficient of x^d at bit 63 - d
    std::uint32_t r = 1;
    for (unsigned i = 0; i < n; ++i) {
        r <<= 1;
        if (r & 0x10000) r ^= 0x18005;
    }
    std::uint64_t reflected = 0;
    for (unsigned d = 0; d < 16; ++d)
        if (r >> d & 1) reflected |= std::uint64_t{1} << (63 - d);
    return reflected;
}

[[gnu::target("pclmul,sse2")]] inline __m128i fold(__m128i s, __m128i k) {
    return _mm_xor_si128(_mm_clmulepi64_si128(s, k, 0x00), _mm_clmulepi64_si128(s, k, 0x11));
}

[[gnu::target("pclmul,sse2")]] inline __m128i load(const unsigned char* p) {
    return _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
}

// Needs 16 bytes at least. Four remainders, each 64 bytes apart, keep the
// multiplier busy; they join into one before the last few blocks.
[[gnu::target("pclmul,sse2")]] std::uint16_t crc16ByFolding(std::uint16_t crc, const unsigned char* p,
                                                            std::size_t size) {
    const __m128i by16 =
        _mm_set_epi64x(static_cast<long long>(reflectedPower(127)), static_cast<long long>(reflectedPower(191)));
    const __m128i by64 =
        _mm_set_epi64x(static_cast<long long>(reflectedPower(511)), static_cast<long long>(reflectedPower(575)));
    __m128i s = _mm_xor_si128(load(p), _mm_cvtsi32_si128(crc));
    if (size >= 128) {
        __m128i s1 = load(p + 16), s2 = load(p + 32), s3 = load(p + 48);
        for (p += 64, size -= 64; size >= 64; p += 64, size -= 64) {
            s = _mm_xor_si128(fold(s, by64), load(p));
            s1 = _mm_xor_si128(fold(s1, by64), load(p + 16));
            s2 = _mm_xor_si128(fold(s2, by64), load(p + 32));
            s3 = _mm_xor_si128(fold(s3, by64), load(p + 48));
        }
        s = _mm_xor_si128(fold(s, by16), s1);
        s = _mm_xor_si128(fold(s, by16), s2);
        s = _mm_xor_si128(fold(s, by16), s3);
    } else {
        p += 16;
        size -= 16;
    }
    for (; size >= 16; p += 16, size -= 16) s = _mm_xor_si128(fold(s, by16), load(p));
    unsigned char rest[16];
    _mm_storeu_si128(reinterpret_cast<__m128i*>(rest), s);
    return crc16ByTables(crc16ByTables(0, rest, sizeof rest), p, size);
}

bool canFold() {
    __builtin_cpu_init();  // this may run among the static constructors
    return __builtin_cpu_supports("pclmul");
}
const bool kCanFold = canFold();
#endif

}  // namespace

std::uint16_t crc16(std::uint16_t crc, const void* data, std::size_t size) {
    auto p = static_cast<const unsigned char*>(data);
#if defined(__x86_64__) && defined(__GNUC__)
    // Short data costs the remainder's 16 bytes more than it saves.
    if (size >= 64 && kCanFold) return crc16ByFolding(crc, p, size);
#endif
    return crc16ByTables(crc, p, size);
}

}  // namespace lha
