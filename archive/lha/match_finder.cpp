#include "archive/lha/match_finder.h"

#include <algorithm>

namespace lha {

MatchFinder::MatchFinder(const Method& method)
    : method_(method),
      hashBytes_(method.hashBytes),
      shift_(32 - 8 * method.hashBytes),
      dictSize_(1u << method.dictBits),
      mask_((1u << method.dictBits) - 1),
      head_(std::size_t{1} << kHashBits, 0),
      prev_(std::size_t{1} << method.dictBits, 0) {}

Match MatchFinder::search(std::uint64_t pos, std::uint32_t h, unsigned atLeast) const {
    // A deferred match that is already good searches a quarter of the chain.
    unsigned chain = atLeast >= method_.goodLength ? method_.maxChain / 4 : method_.maxChain;
    const std::uint64_t available = size_ - pos;
    const unsigned maxLen = static_cast<unsigned>(std::min<std::uint64_t>(kMaxMatch, available));
    if (maxLen < kMinMatch || atLeast >= maxLen || chain == 0) return {};
    unsigned bestLen = std::max(atLeast, kMinMatch - 1);
    std::uint64_t bestPos = pos;
    const std::uint8_t* cur = data_ + pos;
    // Positions before the window, and values of earlier pieces, lie below.
    const std::uint32_t floor = origin_ + static_cast<std::uint32_t>(pos > dictSize_ ? pos - dictSize_ : 0);
    // Cheap rejection: a longer match agrees in its first two bytes and in
    // the two that end it.
    const std::uint16_t head = load16(cur);
    std::uint16_t tail = load16(cur + bestLen - 1);
    for (std::uint32_t value = head_[h]; value >= floor; value = prev_[value & mask_]) {
        const std::uint8_t* m = data_ + (value - origin_);
        if (load16(m + bestLen - 1) == tail && load16(m) == head) {
            const unsigned len = commonLength(m, cur, 2, maxLen);
            if (len > bestLen) {
                bestLen = len;
                bestPos = value - origin_;
                if (len >= method_.niceLength || len >= maxLen) break;
                tail = load16(cur + bestLen - 1);
            }
        }
        if (--chain == 0) break;
    }
    if (bestPos == pos) return {};
    return {bestLen, static_cast<std::uint32_t>(pos - bestPos)};
}

}  // namespace lha
