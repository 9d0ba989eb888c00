#include "archive/lha/huffman.h"

#include <algorithm>

namespace lha {

std::vector<std::uint8_t> limitedCodeLengths(std::span<const std::uint32_t> freq, unsigned maxBits) {
    std::vector<std::uint8_t> lengths(freq.size(), 0);
    std::vector<std::uint32_t> order;  // used symbols, least frequent first
    for (std::uint32_t s = 0; s < freq.size(); ++s)
        if (freq[s] != 0) order.push_back(s);
    const std::size_t n = order.size();
    if (n < 2) return lengths;
    std::stable_sort(order.begin(), order.end(), [&](auto a, auto b) { return freq[a] < freq[b]; });

    // Huffman's algorithm with two queues: the sorted leaves and the inner
    // nodes, which are created in non-decreasing weight order.
    std::vector<std::uint64_t> weight(2 * n - 1);
    std::vector<std::size_t> parent(2 * n - 1, 0);
    for (std::size_t i = 0; i < n; ++i) weight[i] = freq[order[i]];
    std::size_t leaf = 0, inner = n, next = n;
    auto takeSmallest = [&]() {
        if (leaf < n && (inner >= next || weight[leaf] <= weight[inner])) return leaf++;
        return inner++;
    };
    while (next < 2 * n - 1) {
        const std::size_t a = takeSmallest();
        const std::size_t b = takeSmallest();
        weight[next] = weight[a] + weight[b];
        parent[a] = parent[b] = next;
        ++next;
    }
    // Depths, root last: a node's depth is its parent's plus one.
    std::vector<unsigned> depth(2 * n - 1, 0);
    for (std::size_t i = 2 * n - 2; i-- > 0;) depth[i] = depth[parent[i]] + 1;

    // Count the leaves per length, folding everything deeper than maxBits in,
    // then restore Kraft's equality by lengthening the deepest short codes.
    std::vector<std::uint32_t> perLength(maxBits + 1, 0);
    for (std::size_t i = 0; i < n; ++i) ++perLength[std::min<unsigned>(depth[i], maxBits)];
    std::uint64_t kraft = 0;
    for (unsigned l = 1; l <= maxBits; ++l) kraft += std::uint64_t{perLength[l]} << (maxBits - l);
    while (kraft > (std::uint64_t{1} << maxBits)) {
        --perLength[maxBits];
        for (unsigned l = maxBits - 1; l > 0; --l) {
            if (perLength[l] != 0) {
                --perLength[l];
                perLength[l + 1] += 2;
                break;
            }
        }
        --kraft;
    }
    // Shortest codes to the most frequent symbols.
    std::size_t i = n;
    for (unsigned l = 1; l <= maxBits; ++l)
        for (std::uint32_t k = 0; k < perLength[l]; ++k) lengths[order[--i]] = static_cast<std::uint8_t>(l);
    return lengths;
}

std::vector<std::uint16_t> canonicalCodes(std::span<const std::uint8_t> lengths) {
    std::uint32_t count[17] = {};
    for (auto l : lengths) ++count[l];
    count[0] = 0;
    std::uint32_t next[17] = {};
    std::uint32_t code = 0;
    for (int bits = 1; bits <= 16; ++bits) {
        code = (code + count[bits - 1]) << 1;
        next[bits] = code;
    }
    std::vector<std::uint16_t> codes(lengths.size(), 0);
    for (std::size_t s = 0; s < lengths.size(); ++s)
        if (lengths[s] != 0) codes[s] = static_cast<std::uint16_t>(next[lengths[s]]++);
    return codes;
}

}  // namespace lha
