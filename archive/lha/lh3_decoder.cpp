// -lh3-: LHA's first layout of static Huffman blocks, in an 8 KiB window.
// Each block gives its symbol count, a literal/length code whose lengths each
// follow a presence bit, and either its own code for the upper six bits of
// the distances or a flag that says to use the fixed one.
#include <array>
#include <cstring>

#include "archive/lha/decoders.h"
#include "archive/lha/huffman_decoder.h"

namespace lha {
namespace {

constexpr unsigned kChars = 286;  // the last one carries 8 more bits of length
constexpr unsigned kUppers = 128;
constexpr unsigned kLengthBase = 256 - kMinMatch;

// Three lengths of 1 open a table that is a single symbol, coded in no bits.
bool singleMark(const std::uint8_t* lengths) {
    return lengths[0] == 1 && lengths[1] == 1 && lengths[2] == 1;
}

bool readChars(BitReader& in, HuffmanDecoder& table) {
    std::array<std::uint8_t, kChars> lengths{};
    for (unsigned i = 0; i < kChars; ++i) {
        lengths[i] = static_cast<std::uint8_t>(in.get(1) ? in.get(4) + 1 : 0);
        if (i == 2 && singleMark(lengths.data())) {
            const unsigned only = in.get(9);
            if (only >= kChars) return false;
            table.buildSingle(static_cast<std::uint16_t>(only));
            return true;
        }
    }
    return table.build(lengths, 12);
}

bool readUppers(BitReader& in, HuffmanDecoder& table) {
    std::array<std::uint8_t, kUppers> lengths{};
    for (unsigned i = 0; i < kUppers; ++i) {
        lengths[i] = static_cast<std::uint8_t>(in.get(4));
        if (i == 2 && singleMark(lengths.data())) {
            table.buildSingle(static_cast<std::uint16_t>(in.get(7)));
            return true;
        }
    }
    return table.build(lengths, 8);
}

// The fixed code: one symbol of 2 bits, 2 of 4, 3 of 5, 7 of 6, 18 of 7,
// 47 of 8 and 50 of 9.
HuffmanDecoder fixedUppers() {
    std::array<std::uint8_t, kUppers> lengths{};
    unsigned s = 0;
    for (auto [count, length] : {std::pair{1u, 2}, {2u, 4}, {3u, 5}, {7u, 6}, {18u, 7}, {47u, 8}, {50u, 9}})
        for (unsigned i = 0; i < count; ++i) lengths[s++] = static_cast<std::uint8_t>(length);
    HuffmanDecoder d;
    d.build(lengths, 8);
    return d;
}

class Lh3Items {
public:
    explicit Lh3Items(BitReader& in) : in_(in) {}

    bool next(Item& item, std::uint64_t) {
        static const HuffmanDecoder fixed = fixedUppers();
        if (blockLeft_ == 0) {
            if (in_.exhausted()) return false;
            blockLeft_ = in_.get(16);
            if (blockLeft_ == 0 || !readChars(in_, chars_)) return false;
            ownUppers_ = in_.get(1);
            if (ownUppers_ && !readUppers(in_, uppers_)) return false;
        }
        --blockLeft_;
        unsigned c = chars_.decode(in_);
        if (c == kChars - 1) c += in_.get(8);
        if (c < 256) {
            item.setLiteral(c);
            return true;
        }
        const unsigned upper = (ownUppers_ ? uppers_ : fixed).decode(in_);
        item.setMatch(c - kLengthBase, (std::size_t{upper} << 6 | in_.get(6)) + 1);
        return true;
    }
    bool blockEnded() const { return blockLeft_ == 0; }

private:
    BitReader& in_;
    HuffmanDecoder chars_, uppers_;
    bool ownUppers_ = false;
    unsigned blockLeft_ = 0;
};

}  // namespace

Decoded decodeEarlyStaticHuffman(BitReader& in, OutputWindow& out) {
    std::memset(out.history(), ' ', out.window());
    Lh3Items items(in);
    const Decoded d = decodeItems(in, out, items);
    return d == Decoded::Done && !items.blockEnded() ? Decoded::PastDeclaredSize : d;
}

}  // namespace lha
