#pragma once
// The adaptive Huffman code of -lh1- and -lh2-: a code tree whose nodes stay
// ranked by how often they were used, so that counting a symbol keeps it a
// Huffman code. Nodes live in one array, the root first and every node ahead
// of those used less; the two children of a node are neighbours. Counting a
// node first moves it to the front of the nodes of its count, then raises it.
#include <array>
#include <cstdint>

#include "archive/lha/bit_reader.h"

namespace lha {

class AdaptiveTree {
public:
    static constexpr unsigned kMaxSymbols = 314;

    // Every symbol counted once, the smaller symbols nearer the root.
    void startBalanced(unsigned symbols);
    // One symbol alone, coded in no bits; more join by addSymbol.
    void startSingle(unsigned symbol);
    // Hangs a new symbol beside the last node (the least used) and counts it.
    void addSymbol(unsigned symbol);

    unsigned decode(BitReader& in) const {
        std::int32_t link = link_[0];
        while (link >= 0) link = link_[static_cast<unsigned>(link) + 1 - in.get(1)];
        return static_cast<unsigned>(~link);
    }
    void count(unsigned symbol);

private:
    static constexpr unsigned kMaxNodes = 2 * kMaxSymbols - 1;
    static constexpr std::uint32_t kRebuildAt = 0x8000;

    void setLink(unsigned node, std::int32_t link);
    // Halves every count and builds the tree anew from the leaves.
    void rebuild();

    // A node's link is ~symbol for a leaf, else the index of its children:
    // bit 1 leads to link, bit 0 to link + 1.
    std::array<std::int32_t, kMaxNodes> link_{};
    std::array<std::uint16_t, kMaxNodes> count_{};
    std::array<std::uint16_t, kMaxNodes> parent_{};
    std::array<std::uint16_t, kMaxSymbols> leaf_{};  // the node of each symbol
    unsigned nodes_ = 0;
    std::uint32_t total_ = 0;  // symbols counted, which decides when to halve
};

}  // namespace lha
