// -lh1- (LHarc) and -lh2-: LZSS whose literals and match lengths follow an
// adaptive Huffman code. -lh1- (4 KiB window) codes the upper six bits of a
// distance with a fixed code; -lh2- (8 KiB) adapts that code too, and lets it
// grow by one symbol for every 64 bytes the window fills.
#include <array>
#include <cstring>

#include "archive/lha/adaptive_tree.h"
#include "archive/lha/decoders.h"
#include "archive/lha/huffman_decoder.h"

namespace lha {
namespace {

// A symbol from 256 on is a match of symbol - 253 bytes.
constexpr unsigned kLengthBase = 256 - kMinMatch;

// The upper six bits of an -lh1- distance: one code of 3 bits, 3 of 4, 8 of
// 5, 12 of 6, 24 of 7 and 16 of 8.
HuffmanDecoder upperDistanceCode() {
    std::array<std::uint8_t, 64> lengths{};
    unsigned s = 0;
    for (auto [count, length] : {std::pair{1u, 3}, {3u, 4}, {8u, 5}, {12u, 6}, {24u, 7}, {16u, 8}})
        for (unsigned i = 0; i < count; ++i) lengths[s++] = static_cast<std::uint8_t>(length);
    HuffmanDecoder d;
    d.build(lengths, 8);
    return d;
}

class Lh1Items {
public:
    explicit Lh1Items(BitReader& in) : in_(in) { chars_.startBalanced(256 + 60 - kMinMatch + 1); }

    bool next(Item& item, std::uint64_t) {
        static const HuffmanDecoder upper = upperDistanceCode();
        const unsigned c = chars_.decode(in_);
        chars_.count(c);
        if (c < 256) {
            item.setLiteral(c);
        } else {
            const std::size_t d = std::size_t{upper.decode(in_)} << 6 | in_.get(6);
            item.setMatch(c - kLengthBase, d + 1);
        }
        return true;
    }

private:
    BitReader& in_;
    AdaptiveTree chars_;
};

class Lh2Items {
public:
    explicit Lh2Items(BitReader& in) : in_(in) {
        chars_.startBalanced(kChars);
        uppers_.startSingle(0);
    }

    bool next(Item& item, std::uint64_t produced) {
        unsigned c = chars_.decode(in_);
        chars_.count(c);
        if (c == kChars - 1) c += in_.get(8);  // the longest matches carry their length in 8 bits
        if (c < 256) {
            item.setLiteral(c);
            return true;
        }
        // One more upper-bits symbol for every 64 bytes written, up to the window.
        while (produced > grownTo_ && grownTo_ < kWindow) {
            uppers_.addSymbol(static_cast<unsigned>(grownTo_ / 64));
            grownTo_ += 64;
        }
        const unsigned upper = uppers_.decode(in_);
        uppers_.count(upper);
        item.setMatch(c - kLengthBase, (std::size_t{upper} << 6 | in_.get(6)) + 1);
        return true;
    }

private:
    static constexpr unsigned kChars = 286;
    static constexpr std::uint64_t kWindow = 8192;
    BitReader& in_;
    AdaptiveTree chars_, uppers_;
    std::uint64_t grownTo_ = 64;
};

}  // namespace

Decoded decodeAdaptiveHuffman(BitReader& in, OutputWindow& out) {
    std::memset(out.history(), ' ', out.window());
    Lh1Items items(in);
    return decodeItems(in, out, items);
}

Decoded decodeDynamicHuffman(BitReader& in, OutputWindow& out) {
    std::memset(out.history(), ' ', out.window());
    Lh2Items items(in);
    return decodeItems(in, out, items);
}

}  // namespace lha
