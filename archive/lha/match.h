#pragma once
// What the match finders report, and the byte comparison they share.
#include <algorithm>
#include <cstdint>
#include <cstring>
#include <vector>

namespace lha {

struct Match {
    unsigned length = 0;
    std::uint32_t distance = 0;  // 1-based: 1 means the byte just before
};

// Length of the common run of a and b, counting on from `from` (already
// known to agree) up to `limit`; compares eight bytes at a time.
inline unsigned commonLength(const std::uint8_t* a, const std::uint8_t* b, unsigned from, unsigned limit) {
    unsigned len = from;
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

// The match finders' tables hold positions offset by the origin of the piece
// they were recorded in, a value below the origin being empty: a new piece
// starts past every value recorded so far and clears nothing. This is the
// origin of the piece after one of `lastSize` bytes at `origin`; when the
// values would no longer fit, `table` is cleared and the count starts again.
inline std::uint32_t nextOrigin(std::uint32_t origin, std::size_t lastSize, std::size_t size,
                                std::vector<std::uint32_t>& table) {
    const std::uint64_t next = std::uint64_t{origin} + lastSize + 1;
    if (next + size < 0xFFFFFFFFu) return static_cast<std::uint32_t>(next);
    std::fill(table.begin(), table.end(), 0);
    return 1;
}

}  // namespace lha
