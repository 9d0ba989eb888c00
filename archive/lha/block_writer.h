#pragma once
// One static-Huffman block as -lh4- to -lhx- store it: its code tables, then
// its literals and matches under them. The encoder gathers a block and
// writes it here; the tests write blocks no parse would make.
#include <algorithm>
#include <cstdint>
#include <vector>

#include "archive/lha/bit_writer.h"
#include "archive/lha/method.h"

namespace lha {

struct Block {
    std::vector<std::uint16_t> symbols;    // 0..255 a literal, 256.. a match of length symbol - 256 + 3
    std::vector<std::uint32_t> distances;  // distance - 1, for matches
    std::vector<std::uint32_t> charFreq;   // counted as symbols come
    std::vector<std::uint32_t> posFreq;

    explicit Block(const Format& format) : charFreq(kCharSymbols, 0), posFreq(format.positionSymbols, 0) {}
    void literal(std::uint8_t c) {
        symbols.push_back(c);
        distances.push_back(0);
        ++charFreq[c];
    }
    void match(unsigned length, std::uint32_t distance) {
        const auto code = static_cast<std::uint16_t>(256 + length - kMinMatch);
        symbols.push_back(code);
        distances.push_back(distance - 1);
        ++charFreq[code];
        ++posFreq[positionSymbol(distance - 1)];
    }
    bool full() const { return symbols.size() == kMaxBlockSymbols; }
    void clear() {
        symbols.clear();
        distances.clear();
        std::fill(charFreq.begin(), charFreq.end(), 0);
        std::fill(posFreq.begin(), posFreq.end(), 0);
    }
};

// The code lengths a block was written with.
struct BlockCodes {
    std::vector<std::uint8_t> charLen;
    std::vector<std::uint8_t> posLen;
};

BlockCodes writeBlock(BitWriter& bw, const Format& format, const Block& block);

}  // namespace lha
