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

}  // namespace

Decoded decodeStaticHuffman(const Format& format, BitReader& in, OutputWindow& out) {
    std::memset(out.history(), ' ', out.window());
    HuffmanDecoder temp, chars, positions;
    std::uint8_t* const buf = out.data();
    std::size_t pos = out.pos;
    std::uint64_t remaining = out.remaining();
    unsigned blockLeft = 0;
    while (remaining > 0) {
        if (blockLeft == 0) {
            if (in.exhausted()) return Decoded::Corrupt;
            blockLeft = in.get(16);
            if (blockLeft == 0 || !readSmallTable(in, kTempSymbols, kTempBits, kTempSkipAfter, temp) ||
                !readCharTable(in, temp, chars) ||
                !readSmallTable(in, format.positionSymbols, format.positionBits, kNoSkip, positions))
                return Decoded::Corrupt;
        }
        if (pos >= out.flushAt())
            if (auto d = makeRoom(in, out, pos); d != Decoded::Done) return d;
        --blockLeft;
        const unsigned c = chars.decode(in);
        if (c < 256) {
            buf[pos++] = static_cast<std::uint8_t>(c);
            --remaining;
            continue;
        }
        const unsigned length = c - 256 + kMinMatch;
        const unsigned p = positions.decode(in);
        const std::uint32_t d = p <= 1 ? p : (1u << (p - 1) | in.get(p - 1));
        if (!copyMatch(buf, pos, remaining, std::size_t{d} + 1, length)) return Decoded::PastDeclaredSize;
    }
    out.pos = pos;
    // Symbols left in the last block would make more than the declared size.
    return blockLeft == 0 ? Decoded::Done : Decoded::PastDeclaredSize;
}

}  // namespace lha
