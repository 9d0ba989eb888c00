// -lh1- (LHarc): LZSS in a 4 KiB window, literals and match lengths under an
// adaptive Huffman code that follows their frequencies, and the upper six bits
// of each distance under a fixed code.
#include <array>
#include <cstring>

#include "archive/lha/decoders.h"
#include "archive/lha/huffman_decoder.h"

namespace lha {
namespace {

constexpr unsigned kMaxLength = 60;
constexpr unsigned kSymbols = 256 + kMaxLength - kMinMatch + 1;  // 314
constexpr unsigned kNodes = 2 * kSymbols - 1;                    // leaves and inner nodes
constexpr unsigned kRoot = kNodes - 1;
constexpr std::uint16_t kRebuildAt = 0x8000;

// The code tree with its nodes kept in order of frequency, so that a node
// whose count grows past its neighbours' swaps towards the root and the code
// stays a Huffman code. A child index of kNodes or more is a leaf (the symbol
// plus kNodes).
class AdaptiveCode {
public:
    AdaptiveCode() {
        for (unsigned s = 0; s < kSymbols; ++s) {
            freq_[s] = 1;
            child_[s] = static_cast<std::uint16_t>(s + kNodes);
            parent_[s + kNodes] = static_cast<std::uint16_t>(s);
        }
        for (unsigned i = 0, n = kSymbols; n <= kRoot; i += 2, ++n) {
            freq_[n] = freq_[i] + freq_[i + 1];
            child_[n] = static_cast<std::uint16_t>(i);
            parent_[i] = parent_[i + 1] = static_cast<std::uint16_t>(n);
        }
        freq_[kNodes] = 0xFFFF;  // stops the search for a place to swap to
        parent_[kRoot] = 0;
    }

    unsigned decode(BitReader& in) {
        unsigned node = child_[kRoot];
        while (node < kNodes) node = child_[node + in.get(1)];
        const unsigned symbol = node - kNodes;
        count(symbol);
        return symbol;
    }

private:
    void count(unsigned symbol) {
        if (freq_[kRoot] == kRebuildAt) rebuild();
        unsigned node = parent_[symbol + kNodes];
        do {
            const std::uint16_t f = ++freq_[node];
            if (f > freq_[node + 1]) {
                // Swap with the last node of a smaller count.
                unsigned to = node + 1;
                while (f > freq_[to + 1]) ++to;
                freq_[node] = freq_[to];
                freq_[to] = f;
                const unsigned a = child_[node];
                const unsigned b = child_[to];
                setParent(a, to);
                setParent(b, node);
                child_[to] = static_cast<std::uint16_t>(a);
                child_[node] = static_cast<std::uint16_t>(b);
                node = to;
            }
            node = parent_[node];
        } while (node != 0);
    }

    void setParent(unsigned child, unsigned parent) {
        parent_[child] = static_cast<std::uint16_t>(parent);
        if (child < kNodes) parent_[child + 1] = static_cast<std::uint16_t>(parent);
    }

    // Halves every count and builds the tree anew from the leaves.
    void rebuild() {
        unsigned leaves = 0;
        for (unsigned n = 0; n < kNodes; ++n) {
            if (child_[n] >= kNodes) {
                freq_[leaves] = static_cast<std::uint16_t>((freq_[n] + 1) / 2);
                child_[leaves] = child_[n];
                ++leaves;
            }
        }
        for (unsigned i = 0, n = kSymbols; n < kNodes; i += 2, ++n) {
            const auto f = static_cast<std::uint16_t>(freq_[i] + freq_[i + 1]);
            unsigned at = n;
            while (f < freq_[at - 1]) --at;
            std::memmove(&freq_[at + 1], &freq_[at], (n - at) * sizeof freq_[0]);
            std::memmove(&child_[at + 1], &child_[at], (n - at) * sizeof child_[0]);
            freq_[at] = f;
            child_[at] = static_cast<std::uint16_t>(i);
        }
        for (unsigned n = 0; n < kNodes; ++n) setParent(child_[n], n);
    }

    std::array<std::uint16_t, kNodes + 1> freq_{};
    std::array<std::uint16_t, kNodes> child_{};
    std::array<std::uint16_t, kNodes + kSymbols> parent_{};
};

// The upper six bits of a distance: one code of 3 bits, 3 of 4, 8 of 5,
// 12 of 6, 24 of 7 and 16 of 8.
HuffmanDecoder upperDistanceCode() {
    std::array<std::uint8_t, 64> lengths{};
    unsigned s = 0;
    for (auto [count, length] : {std::pair{1u, 3}, {3u, 4}, {8u, 5}, {12u, 6}, {24u, 7}, {16u, 8}})
        for (unsigned i = 0; i < count; ++i) lengths[s++] = static_cast<std::uint8_t>(length);
    HuffmanDecoder d;
    d.build(lengths, 8);
    return d;
}

}  // namespace

Decoded decodeAdaptiveHuffman(BitReader& in, OutputWindow& out) {
    std::memset(out.history(), ' ', out.window());
    static const HuffmanDecoder upper = upperDistanceCode();
    AdaptiveCode code;
    std::uint8_t* const buf = out.data();
    std::size_t pos = out.pos;
    std::uint64_t remaining = out.remaining();
    while (remaining > 0) {
        if (pos >= out.flushAt())
            if (auto d = makeRoom(in, out, pos); d != Decoded::Done) return d;
        const unsigned c = code.decode(in);
        if (c < 256) {
            buf[pos++] = static_cast<std::uint8_t>(c);
            --remaining;
            continue;
        }
        const unsigned length = c - 256 + kMinMatch;
        const std::size_t distance = (std::size_t{upper.decode(in)} << 6 | in.get(6)) + 1;
        if (!copyMatch(buf, pos, remaining, distance, length)) return Decoded::PastDeclaredSize;
    }
    out.pos = pos;
    return Decoded::Done;
}

}  // namespace lha
