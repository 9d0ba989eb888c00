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

// Both methods: read an item, either a literal or (ring position, length).
template <std::size_t Ring, typename ReadItem>
Decoded decodeRing(BitReader& in, OutputWindow& out, const RingStart<Ring>& start, ReadItem readItem) {
    if (out.window() != Ring) return Decoded::Corrupt;
    presetHistory(out, start);
    std::uint8_t* const buf = out.data();
    std::size_t pos = out.pos;
    std::uint64_t remaining = out.remaining();
    std::uint64_t written = 0;
    while (remaining > 0) {
        if (pos >= out.flushAt())
            if (auto d = makeRoom(in, out, pos); d != Decoded::Done) return d;
        unsigned ringPos = 0, length = 0;
        int literal = readItem(ringPos, length);
        if (literal >= 0) {
            buf[pos++] = static_cast<std::uint8_t>(literal);
            --remaining;
            ++written;
            continue;
        }
        const std::size_t writeAt = (start.writeAt + written) % Ring;
        std::size_t distance = (writeAt + Ring - ringPos) % Ring;
        if (distance == 0) distance = Ring;  // the ring's oldest byte
        if (!copyMatch(buf, pos, remaining, distance, length)) return Decoded::PastDeclaredSize;
        written += length;
    }
    out.pos = pos;
    return Decoded::Done;
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
