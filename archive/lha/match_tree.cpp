#include "archive/lha/match_tree.h"

#include <algorithm>

namespace lha {

MatchTree::MatchTree(const Method& method)
    : niceLength_(method.niceLength),
      depth_(method.maxChain),
      dictSize_(1u << method.dictBits),
      mask_((2u << method.dictBits) - 1),
      head_(std::size_t{1} << kHashBits, 0),
      sons_(new std::uint32_t[std::size_t{4} << method.dictBits]) {}

template <bool kCollect>
std::size_t MatchTree::walk(std::uint64_t pos, Match* out) {
    const std::uint8_t* const cur = data_ + pos;
    const unsigned available = static_cast<unsigned>(std::min<std::uint64_t>(kMaxMatch, size_ - pos));
    // The tree orders positions by at most `limit` bytes: a candidate equal
    // that far replaces its node, so the walk always ends.
    const unsigned limit = std::min(niceLength_, available);
    std::uint32_t& bucket = head_[hashAt(cur)];
    std::uint32_t value = bucket;
    // The next position's bucket is a likely cache miss: start loading it now.
    if (available > kHashBytes) __builtin_prefetch(&head_[hashAt(cur + 1)]);
    const std::uint32_t origin = origin_;
    bucket = origin + static_cast<std::uint32_t>(pos);
    // Locals, kept in registers: the node stores below could otherwise alias
    // the members. A value is the address of its bytes less `base`.
    const std::uintptr_t base = reinterpret_cast<std::uintptr_t>(data_) - origin;
    std::uint32_t* const sons = sons_.get();
    const std::uint32_t mask = mask_;
    const auto children = [sons, mask](std::uint32_t v) { return &sons[2 * static_cast<std::size_t>(v & mask)]; };

    std::uint32_t* below = children(bucket);  // where the next smaller node hangs
    std::uint32_t* above = below + 1;         // where the next greater node hangs
    unsigned belowLen = 0, aboveLen = 0;      // prefix every node on that side shares
    unsigned best = kMinMatch - 1;
    std::size_t found = 0;
    // Positions before the window, and values of earlier pieces, lie below.
    const std::uint32_t floor = origin + static_cast<std::uint32_t>(pos > dictSize_ ? pos - dictSize_ : 0);
    for (unsigned steps = depth_; value >= floor && steps != 0; --steps) {
        const std::uint8_t* const m = reinterpret_cast<const std::uint8_t*>(base + value);
        std::uint32_t* const node = children(value);
        // The walk goes on to one of the two children: loading both while
        // this node's bytes are compared hides most of the wait for the next.
        __builtin_prefetch(children(node[0]));
        __builtin_prefetch(children(node[1]));
        unsigned len = std::min(belowLen, aboveLen);
        // Most nodes part at the first byte not yet known to agree.
        if (m[len] == cur[len]) {
            len = commonLength(m, cur, len + 1, limit);
            if (kCollect && len > best) {
                best = len;
                const unsigned full = len == limit ? commonLength(m, cur, len, available) : len;
                out[found++] = Match{full, static_cast<std::uint32_t>(cur - m)};
            }
            if (len == limit) {
                // Equal as far as the tree looks: pos takes the node's place.
                *below = node[0];
                *above = node[1];
                return found;
            }
        }
        if (m[len] < cur[len]) {
            *below = value;
            below = node + 1;
            belowLen = len;
            value = *below;
        } else {
            *above = value;
            above = node;
            aboveLen = len;
            value = *above;
        }
    }
    *below = *above = 0;
    return found;
}

template std::size_t MatchTree::walk<true>(std::uint64_t, Match*);
template std::size_t MatchTree::walk<false>(std::uint64_t, Match*);

}  // namespace lha
