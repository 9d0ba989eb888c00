#pragma once
// The decoders, one per kind of coding. Each fills the window with exactly the
// bytes the entry declares, or says why it could not; the caller checks what
// the decoders share (the CRC, and that the data was not overrun).
#include "archive/lha/bit_reader.h"
#include "archive/lha/method.h"
#include "archive/lha/output_window.h"

namespace lha {

enum class Decoded {
    Done,
    Corrupt,           // no valid stream of this method
    PastDeclaredSize,  // the stream goes on after the declared size
    Stopped,           // the sink refused the data
};

Decoded decodeStaticHuffman(const Format& format, BitReader& in, OutputWindow& out);  // -lh4- to -lhx-
Decoded decodeAdaptiveHuffman(BitReader& in, OutputWindow& out);                      // -lh1-
Decoded decodeDynamicHuffman(BitReader& in, OutputWindow& out);                       // -lh2-
Decoded decodeEarlyStaticHuffman(BitReader& in, OutputWindow& out);                   // -lh3-
Decoded decodeLarcLzs(BitReader& in, OutputWindow& out);                              // -lzs-
Decoded decodeLarcLz5(BitReader& in, OutputWindow& out);                              // -lz5-
Decoded decodePmarc1(BitReader& in, OutputWindow& out);                               // -pm1-
Decoded decodePmarc2(BitReader& in, OutputWindow& out);                               // -pm2-

// One step of an LZ77 stream: a literal byte, or `length` bytes copied from
// `distance` back.
struct Item {
    unsigned length = 0;  // 0 for a literal
    std::size_t distance = 0;
    std::uint8_t literal = 0;

    void setLiteral(unsigned byte) {
        length = 0;
        literal = static_cast<std::uint8_t>(byte);
    }
    void setMatch(unsigned len, std::size_t dist) {
        length = len;
        distance = dist;
    }
};

// The loop every LZ77 decoder shares: `source.next(item, produced)` reads the
// next item (false: the stream is corrupt), given the bytes produced so far;
// the loop writes it, hands full windows on, and stops at the declared size.
// A source that keeps state over the output (PMarc's recency lists) sees each
// item's bytes through `source.wrote(bytes, n)`; one that declares
// kLastMatchMayOverrun has a last match cut at the declared size.
// No method copies more at once (-lh2- and -lh3- reach 287).
inline constexpr unsigned kLongestItem = OutputWindow::kSlack - 8;

template <typename Source>
Decoded decodeItems(BitReader& in, OutputWindow& out, Source& source) {
    std::uint8_t* const buf = out.data();
    std::size_t pos = out.pos;
    const std::uint64_t total = out.remaining();
    std::uint64_t remaining = total;
    Item item;
    while (remaining > 0) {
        if (pos >= out.flushAt()) {
            // The window is full: hand it on, unless the input is long gone.
            if (in.exhausted()) return Decoded::Corrupt;
            out.pos = pos;
            if (!out.flush()) return Decoded::Stopped;
            pos = out.pos;
        }
        if (!source.next(item, total - remaining)) return Decoded::Corrupt;
        std::uint8_t* const at = buf + pos;
        if (item.length == 0) {
            *at = item.literal;
            ++pos;
            --remaining;
        } else {
            if (item.distance == 0 || item.distance > out.window() || item.length > kLongestItem)
                return Decoded::Corrupt;
            if (item.length > remaining) {
                // -pm1- writers may end on a match that runs past the end.
                if constexpr (!requires { Source::kLastMatchMayOverrun; }) return Decoded::PastDeclaredSize;
                item.length = static_cast<unsigned>(remaining);
            }
            // Overlapping as LZ77 does; eight bytes at a time where the source
            // is that far back (the window's slack takes the overshoot).
            const std::uint8_t* from = at - item.distance;
            if (item.distance >= 8) {
                for (unsigned i = 0; i < item.length; i += 8) __builtin_memcpy(at + i, from + i, 8);
            } else {
                for (unsigned i = 0; i < item.length; ++i) at[i] = from[i];
            }
            pos += item.length;
            remaining -= item.length;
        }
        if constexpr (requires { source.wrote(at, 1u); }) source.wrote(at, item.length == 0 ? 1u : item.length);
    }
    out.pos = pos;
    return Decoded::Done;
}

}  // namespace lha
