// -lh4- to -lh7- and -lhx-: blocks of literals and matches under static
// Huffman codes, each block led by its code tables. One decoder; the method's
// window and distance alphabet are data.
#include <cstring>

#include "archive/lha/decoders.h"
#include "archive/lha/huffman_decoder.h"

namespace lha {
namespace {

// Every distance class must reach no farther back than the window holds.
constexpr bool distancesFitWindows() {
    for (const auto& f : kFormats)
        if (f.coding == Coding::StaticHuffman && f.positionSymbols > f.dictBits + 1) return false;
    return true;
}
static_assert(distancesFitWindows());

constexpr unsigned kCharTableBits = 12;
constexpr unsigned kSmallTableBits = 8;

// The temp and position tables: their size in `sizeBits` bits, then 3 bits
// per length up to 6 and a run of 1-bits ended by a 0-bit for longer ones.
// After entry `skipAfter`, 2 bits count lengths of zero that follow.
bool readSmallTable(BitReader& in, unsigned symbols, unsigned sizeBits, unsigned skipAfter, HuffmanDecoder& table) {
    const unsigned n = in.get(sizeBits);
    if (n == 0) {  // one symbol, coded in no bits
        const unsigned only = in.get(sizeBits);
        if (only >= symbols) return false;
        table.buildSingle(static_cast<std::uint16_t>(only));
        return true;
    }
    if (n > symbols) return false;
    std::uint8_t lengths[32] = {};
    for (unsigned i = 0; i < n;) {
        unsigned length = in.get(3);
        if (length == 7)
            while (in.get(1))
                if (++length > kMaxCodeBits) return false;
        lengths[i++] = static_cast<std::uint8_t>(length);
        if (i == skipAfter) i += in.get(2);
    }
    return table.build({lengths, symbols}, kSmallTableBits);
}

// The literal/length table, its lengths coded with the temp table: 0 to 2
// are runs of zero lengths (1, 3 to 18, 20 to 531), 3 and up a length + 2.
bool readCharTable(BitReader& in, const HuffmanDecoder& temp, HuffmanDecoder& table) {
    const unsigned n = in.get(kCharBits);
    if (n == 0) {
        const unsigned only = in.get(kCharBits);
        if (only >= kCharSymbols) return false;
        table.buildSingle(static_cast<std::uint16_t>(only));
        return true;
    }
    if (n > kCharSymbols) return false;
    std::uint8_t lengths[kCharSymbols] = {};
    for (unsigned i = 0; i < n;) {
        const unsigned c = temp.decode(in);
        if (c > 2) {
            lengths[i++] = static_cast<std::uint8_t>(c - 2);
            continue;
        }
        const unsigned zeros = c == 0 ? 1 : c == 1 ? in.get(4) + 3 : in.get(kCharBits) + 20;
        if (zeros > n - i) return false;
        i += zeros;
    }
    return table.build({lengths, kCharSymbols}, kCharTableBits);
}

// The items of one stream: a block's symbol count and tables, then its symbols.
class StaticHuffmanItems {
public:
    StaticHuffmanItems(const Format& format, BitReader& in) : format_(format), in_(in) {}

    bool next(Item& item, std::uint64_t) {
        if (blockLeft_ == 0 && !startBlock()) return false;
        --blockLeft_;
        const unsigned c = chars_.decode(in_);
        if (c < 256) {
            item.setLiteral(c);
            return true;
        }
        const unsigned p = positions_.decode(in_);
        const std::uint32_t d = p <= 1 ? p : (1u << (p - 1) | in_.get(p - 1));
        item.setMatch(c - 256 + kMinMatch, std::size_t{d} + 1);
        return true;
    }
    // Symbols left in the last block would make more than the declared size.
    bool blockEnded() const { return blockLeft_ == 0; }

private:
    [[gnu::noinline]] bool startBlock() {
        if (in_.exhausted()) return false;
        blockLeft_ = in_.get(16);
        return blockLeft_ != 0 && readSmallTable(in_, kTempSymbols, kTempBits, kTempSkipAfter, temp_) &&
               readCharTable(in_, temp_, chars_) &&
               readSmallTable(in_, format_.positionSymbols, format_.positionBits, kNoSkip, positions_);
    }

    const Format& format_;
    BitReader& in_;
    HuffmanDecoder temp_, chars_, positions_;
    unsigned blockLeft_ = 0;
};

}  // namespace

Decoded decodeStaticHuffman(const Format& format, BitReader& in, OutputWindow& out) {
    std::memset(out.history(), ' ', out.window());
    StaticHuffmanItems items(format, in);
    const Decoded d = decodeItems(in, out, items);
    return d == Decoded::Done && !items.blockEnded() ? Decoded::PastDeclaredSize : d;
}

}  // namespace lha
