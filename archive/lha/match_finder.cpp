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

Match MatchFinder::search(std::uint64_t pos, std::uint32_t h, unsigned atLeast) const {
    // A deferred match that is already good searches a quarter of the chain.
    unsigned chain = atLeast >= method_.goodLength ? method_.maxChain / 4 : method_.maxChain;
    const std::uint64_t available = size_ - pos;
    const unsigned maxLen = static_cast<unsigned>(std::min<std::uint64_t>(kMaxMatch, available));
    if (maxLen < kMinMatch || atLeast >= maxLen) return {};
    Match best;
    best.length = std::max(atLeast, kMinMatch - 1);
    const std::uint8_t* cur = data_ + pos;
    std::uint32_t candidate = head_[h];
    const std::uint64_t lowest = pos > dictSize_ ? pos - dictSize_ : 0;
    while (candidate >= origin_ && chain-- > 0) {
        const std::uint64_t cpos = candidate - origin_;
        if (cpos < lowest || cpos >= pos) break;
        const std::uint8_t* m = data_ + cpos;
        // Cheap rejection: the byte that would make this match longer must agree.
        if (m[best.length] == cur[best.length] && m[0] == cur[0] && m[1] == cur[1]) {
            const unsigned len = commonLength(m, cur, 2, maxLen);
            if (len > best.length) {
                best.length = len;
                best.distance = static_cast<std::uint32_t>(pos - cpos);
                if (len >= method_.niceLength || len >= maxLen) break;
            }
        }
        candidate = prev_[cpos & mask_];
    }
    if (best.distance == 0) best.length = 0;
    return best;
}

}  // namespace lha
