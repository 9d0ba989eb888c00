#include "archive/lha/match_tree.h"

#include <algorithm>

namespace lha {

MatchTree::MatchTree(const Method& method)
    : niceLength_(method.niceLength),
      depth_(method.maxChain),
      dictSize_(1u << method.dictBits),
      mask_((2u << method.dictBits) - 1),
      head_(std::size_t{1} << kHashBits, 0),
      sons_(std::size_t{4} << method.dictBits, 0) {}

std::size_t MatchTree::walk(std::uint64_t pos, Match* out, std::size_t capacity) {
    const std::uint8_t* cur = data_ + pos;
    const unsigned available = static_cast<unsigned>(std::min<std::uint64_t>(kMaxMatch, size_ - pos));
    // The tree orders positions by at most `limit` bytes: a candidate equal
    // that far replaces its node, so the walk always ends.
    const unsigned limit = std::min(niceLength_, available);
    std::uint32_t& bucket = head_[hashAt(cur)];
    std::uint32_t candidate = bucket;
    // The next position's bucket is a likely cache miss: start loading it now.
    if (available > kHashBytes) __builtin_prefetch(&head_[hashAt(cur + 1)]);
    bucket = origin_ + static_cast<std::uint32_t>(pos);

    std::uint32_t* below = children(pos);  // where the next smaller node hangs
    std::uint32_t* above = below + 1;      // where the next greater node hangs
    unsigned belowLen = 0, aboveLen = 0;   // prefix every node on that side shares
    unsigned best = kMinMatch - 1;
    std::size_t found = 0;
    const std::uint64_t lowest = pos > dictSize_ ? pos - dictSize_ : 0;
    for (unsigned steps = depth_;; --steps) {
        const std::uint64_t cpos = std::uint64_t{candidate} - origin_;
        if (candidate < origin_ || cpos < lowest || steps == 0) {
            *below = *above = 0;
            return found;
        }
        const std::uint8_t* m = data_ + cpos;
        const unsigned len = commonLength(m, cur, std::min(belowLen, aboveLen), limit);
        std::uint32_t* node = children(cpos);
        if (len > best && found < capacity) {
            best = len;
            const unsigned full = len == limit ? commonLength(m, cur, len, available) : len;
            out[found++] = Match{full, static_cast<std::uint32_t>(pos - cpos)};
        }
        if (len == limit) {
            // Equal as far as the tree looks: pos takes the node's place.
            *below = node[0];
            *above = node[1];
            return found;
        }
        if (m[len] < cur[len]) {
            *below = candidate;
            below = node + 1;
            belowLen = len;
            candidate = *below;
        } else {
            *above = candidate;
            above = node;
            aboveLen = len;
            candidate = *above;
        }
    }
}

}  // namespace lha
