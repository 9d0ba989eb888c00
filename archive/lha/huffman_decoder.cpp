#include "archive/lha/huffman_decoder.h"

#include <algorithm>

#include "archive/lha/method.h"

namespace lha {

bool HuffmanDecoder::build(std::span<const std::uint8_t> lengths, unsigned tableBits) {
    unsigned count[kMaxCodeBits + 1] = {};
    unsigned maxLength = 0;
    for (auto l : lengths) {
        if (l > kMaxCodeBits) return false;
        ++count[l];
        maxLength = std::max<unsigned>(maxLength, l);
    }
    // Complete: the codes fill the whole code space, no more, no less.
    std::uint32_t space = 0;
    for (unsigned l = 1; l <= kMaxCodeBits; ++l) space += count[l] << (kMaxCodeBits - l);
    if (space != (1u << kMaxCodeBits)) return false;

    rootBits_ = std::min(tableBits, maxLength);
    subBits_ = maxLength - rootBits_;
    std::uint32_t next[kMaxCodeBits + 2] = {};
    for (unsigned l = 1; l <= kMaxCodeBits; ++l) next[l + 1] = (next[l] + count[l]) << 1;

    // First-level entries, then one second-level table per long-code prefix,
    // each 2^subBits_ wide: simple, and small at LHA's alphabet sizes.
    table_.assign(std::size_t{1} << rootBits_, 0);
    for (std::uint32_t s = 0; s < lengths.size(); ++s) {
        const unsigned l = lengths[s];
        if (l == 0) continue;
        const std::uint32_t code = next[l]++;
        if (l <= rootBits_) {
            const unsigned spread = rootBits_ - l;
            const std::uint32_t entry = s << 8 | l;
            std::fill_n(table_.begin() + (code << spread), std::size_t{1} << spread, entry);
            continue;
        }
        const std::uint32_t prefix = code >> (l - rootBits_);
        if (!(table_[prefix] & kLink)) {
            table_[prefix] = static_cast<std::uint32_t>(table_.size()) << 8 | kLink;
            table_.resize(table_.size() + (std::size_t{1} << subBits_));
        }
        const std::uint32_t start = table_[prefix] >> 8;
        const unsigned rest = l - rootBits_;  // bits of the code after the prefix
        const unsigned spread = subBits_ - rest;
        const std::uint32_t low = code & ((1u << rest) - 1);
        std::fill_n(table_.begin() + start + (low << spread), std::size_t{1} << spread, s << 8 | rest);
    }
    return true;
}

void HuffmanDecoder::buildSingle(std::uint16_t symbol) {
    rootBits_ = 1;
    subBits_ = 0;
    table_.assign(2, std::uint32_t{symbol} << 8);
}

}  // namespace lha
