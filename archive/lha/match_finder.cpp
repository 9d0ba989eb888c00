#include "archive/lha/match_finder.h"

#include <algorithm>

namespace lha {

MatchFinder::MatchFinder(const Method& method)
    : method_(method),
      hashBytes_(method.hashBytes),
      dictSize_(1u << method.dictBits),
      mask_((1u << method.dictBits) - 1),
      head_(std::size_t{1} << kHashBits, 0),
      prev_(std::size_t{1} << method.dictBits, 0) {}

std::size_t MatchFinder::search(std::uint64_t pos, std::uint32_t h, unsigned atLeast, Match* out, std::size_t capacity,
                                unsigned chain) const {
    Match best;
    std::size_t found = 0;
    auto finish = [&] {
        if (best.distance == 0) best.length = 0;
        if (capacity == 0) out[0] = best;
        return found;
    };
    const std::uint64_t available = limit_ - pos;
    const unsigned maxLen = static_cast<unsigned>(std::min<std::uint64_t>(kMaxMatch, available));
    if (maxLen < kMinMatch || atLeast >= maxLen) return finish();
    best.length = std::max(atLeast, kMinMatch - 1);
    const std::uint8_t* cur = window_ + (pos - base_);
    std::uint32_t candidate = head_[h];
    const std::uint64_t lowest = pos > dictSize_ ? pos - dictSize_ : 0;
    while (candidate != 0 && chain-- > 0) {
        const std::uint64_t cpos = candidate - 1;
        if (cpos < lowest || cpos >= pos) break;
        const std::uint8_t* m = window_ + (cpos - base_);
        // Cheap rejection: the byte that would make this match longer must agree.
        if (m[best.length] == cur[best.length] && m[0] == cur[0] && m[1] == cur[1]) {
            unsigned len = 2;
            while (len + 8 <= maxLen) {
                std::uint64_t a, b;
                std::memcpy(&a, m + len, 8);
                std::memcpy(&b, cur + len, 8);
                if (a != b) {
                    len += static_cast<unsigned>(__builtin_ctzll(a ^ b) >> 3);
                    goto measured;
                }
                len += 8;
            }
            while (len < maxLen && m[len] == cur[len]) ++len;
        measured:
            if (len > maxLen) len = maxLen;
            if (len > best.length) {
                best.length = len;
                best.distance = static_cast<std::uint32_t>(pos - cpos);
                if (found < capacity) out[found++] = best;
                if (len >= method_.niceLength || len >= maxLen) break;
            }
        }
        candidate = prev_[cpos & mask_];
    }
    return finish();
}

}  // namespace lha
