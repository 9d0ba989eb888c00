#pragma once
// Canonical Huffman decoding for LHA's code tables: codes of up to 16 bits,
// assigned shorter first and by symbol within a length (the same rule as
// canonicalCodes). Short codes take one table lookup, longer ones two.
#include <cstdint>
#include <span>
#include <vector>

#include "archive/lha/bit_reader.h"

namespace lha {

class HuffmanDecoder {
public:
    // `tableBits` is the width of the first lookup; longer codes go on to a
    // second table. False when the lengths are not a complete prefix code
    // (over-full, or with gaps a stream could fall into).
    bool build(std::span<const std::uint8_t> lengths, unsigned tableBits);
    // The table form that codes a single symbol in no bits at all.
    void buildSingle(std::uint16_t symbol);

    unsigned decode(BitReader& in) const {
        std::uint32_t e = table_[in.peek(rootBits_)];
        if (e & kLink) {
            in.skip(rootBits_);
            e = table_[(e >> 8) + in.peek(subBits_)];
        }
        in.skip(e & 0x7F);
        return e >> 8;
    }

private:
    // An entry holds symbol << 8 | code length, or, for a code longer than
    // the first lookup, the second table's start << 8 | kLink.
    static constexpr std::uint32_t kLink = 0x80;
    std::vector<std::uint32_t> table_;
    unsigned rootBits_ = 1;
    unsigned subBits_ = 0;
};

}  // namespace lha
