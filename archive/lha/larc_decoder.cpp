// LArc's two methods: LZSS over a ring buffer whose matches name an absolute
// ring position. -lzs- flags each item with a bit (2 KiB ring, 11-bit
// positions); -lz5- gathers eight flags in a byte (4 KiB ring, 12-bit
// positions in two bytes), and starts from a ring prefilled with patterns.
#include <array>
#include <cstring>

#include "archive/lha/decoders.h"

namespace lha {
namespace {

// The ring position where writing starts, and the ring's contents then.
template <std::size_t Ring>
struct RingStart {
    std::size_t writeAt;
    std::array<std::uint8_t, Ring> bytes;
};

RingStart<2048> lzsStart() {
    RingStart<2048> r{2048 - 17, {}};
    r.bytes.fill(' ');
    return r;
}

RingStart<4096> lz5Start() {
    RingStart<4096> r{4096 - 18, {}};
    std::size_t i = 0;
    for (unsigned b = 0; b < 256; ++b)
        for (int k = 0; k < 13; ++k) r.bytes[i++] = static_cast<std::uint8_t>(b);
    for (unsigned b = 0; b < 256; ++b) r.bytes[i++] = static_cast<std::uint8_t>(b);
    for (unsigned b = 256; b-- > 0;) r.bytes[i++] = static_cast<std::uint8_t>(b);
    i += 128;  // zeros
    for (int k = 0; k < 110; ++k) r.bytes[i++] = ' ';
    return r;  // and 18 zeros
}

// Lays the ring out as the window's history: the byte just before the first
// one written is the ring's byte before writeAt.
template <std::size_t Ring>
void presetHistory(OutputWindow& out, const RingStart<Ring>& start) {
    std::uint8_t* h = out.history();
    for (std::size_t j = 0; j < Ring; ++j) h[j] = start.bytes[(start.writeAt + j) % Ring];
}

// Both methods: each item is a literal or (ring position, length); the
// position becomes a distance back from where the ring is written.
template <std::size_t Ring, typename ReadItem>
class RingItems {
public:
    RingItems(const RingStart<Ring>& start, ReadItem readItem) : start_(start), readItem_(readItem) {}

    bool next(Item& item, std::uint64_t produced) {
        unsigned ringPos = 0, length = 0;
        const int literal = readItem_(ringPos, length);
        if (literal >= 0) {
            item.setLiteral(static_cast<unsigned>(literal));
            return true;
        }
        const std::size_t writeAt = (start_.writeAt + produced) % Ring;
        const std::size_t distance = (writeAt + Ring - ringPos) % Ring;
        item.setMatch(length, distance == 0 ? Ring : distance);  // 0: the ring's oldest byte
        return true;
    }

private:
    const RingStart<Ring>& start_;
    ReadItem readItem_;
};

template <std::size_t Ring, typename ReadItem>
Decoded decodeRing(BitReader& in, OutputWindow& out, const RingStart<Ring>& start, ReadItem readItem) {
    if (out.window() != Ring) return Decoded::Corrupt;
    presetHistory(out, start);
    RingItems<Ring, ReadItem> items(start, readItem);
    return decodeItems(in, out, items);
}

}  // namespace

Decoded decodeLarcLzs(BitReader& in, OutputWindow& out) {
    static const auto start = lzsStart();
    return decodeRing(in, out, start, [&](unsigned& ringPos, unsigned& length) {
        if (in.get(1)) return static_cast<int>(in.get(8));
        ringPos = in.get(11);
        length = in.get(4) + 2;
        return -1;
    });
}

Decoded decodeLarcLz5(BitReader& in, OutputWindow& out) {
    static const auto start = lz5Start();
    unsigned flags = 0;  // the current flag byte, with a marker bit above its flags
    return decodeRing(in, out, start, [&](unsigned& ringPos, unsigned& length) {
        if (flags <= 1) flags = in.get(8) | 0x100;
        const bool isLiteral = flags & 1;
        flags >>= 1;
        if (isLiteral) return static_cast<int>(in.get(8));
        const unsigned low = in.get(8);
        const unsigned high = in.get(8);
        ringPos = low | (high & 0xF0) << 4;
        length = (high & 0x0F) + 3;
        return -1;
    });
}

}  // namespace lha
