#pragma once
// What the match finders report, and the byte comparison they share.
#include <algorithm>
#include <cstdint>
#include <cstring>
#include <vector>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace lha {

struct Match {
    unsigned length = 0;
    std::uint32_t distance = 0;  // 1-based: 1 means the byte just before
};

// Length of the common run of a and b, counting on from `from` (already
// known to agree) up to `limit`; compares sixteen or eight bytes at a time.
inline unsigned commonLength(const std::uint8_t* a, const std::uint8_t* b, unsigned from, unsigned limit) {
    unsigned len = from;
#if defined(__SSE2__)
    while (len + 16 <= limit) {
        const __m128i x = _mm_loadu_si128(reinterpret_cast<const __m128i*>(a + len));
        const __m128i y = _mm_loadu_si128(reinterpret_cast<const __m128i*>(b + len));
        const unsigned differ = ~static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(x, y))) & 0xFFFF;
        if (differ != 0) return len + static_cast<unsigned>(__builtin_ctz(differ));
        len += 16;
    }
#endif
    while (len + 8 <= limit) {
        std::uint64_t x, y;
        std::memcpy(&x, a + len, 8);
        std::memcpy(&y, b + len, 8);
        if (x != y) return len + static_cast<unsigned>(__builtin_ctzll(x ^ y) >> 3);
        len += 8;
    }
    while (len < limit && a[len] == b[len]) ++len;
    return len;
}

// Two bytes as one number, for cheap comparisons.
inline std::uint16_t load16(const std::uint8_t* p) {
    std::uint16_t v;
    std::memcpy(&v, p, 2);
    return v;
}

// The match finders' tables hold positions offset by the origin of the piece
// they were recorded in, a value below the origin being empty: a new piece
// starts past every value recorded so far and clears nothing. Origins are
// multiples of kOriginAlign, more than any window the encoder writes, so a
// value masked to a window is its position masked alike.
inline constexpr std::uint32_t kOriginAlign = 1u << 20;

// The origin of the piece after one of `lastSize` bytes at `origin`. When
// the values would no longer fit, `table` is cleared and the count starts again.
inline std::uint32_t nextOrigin(std::uint32_t origin, std::size_t lastSize, std::size_t size,
                                std::vector<std::uint32_t>& table) {
    const std::uint64_t next = (std::uint64_t{origin} + lastSize + kOriginAlign) & ~std::uint64_t{kOriginAlign - 1};
    if (next + size < 0xFFFFFFFFu) return static_cast<std::uint32_t>(next);
    std::fill(table.begin(), table.end(), 0);
    return kOriginAlign;
}

}  // namespace lha
