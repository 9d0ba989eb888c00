#pragma once
// What the match finders report, and the byte comparison they share.
#include <cstdint>
#include <cstring>

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

}  // namespace lha
