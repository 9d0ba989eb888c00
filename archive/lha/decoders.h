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
Decoded decodeLarcLzs(BitReader& in, OutputWindow& out);                              // -lzs-
Decoded decodeLarcLz5(BitReader& in, OutputWindow& out);                              // -lz5-

// Copies `length` bytes from `distance` back (1 to the window) to buf[pos],
// overlapping as LZ77 does, and moves on; false, copying nothing, when that
// would go past the declared size. May write up to 7 bytes past its end
// (the window's slack).
inline bool copyMatch(std::uint8_t* buf, std::size_t& pos, std::uint64_t& remaining, std::size_t distance,
                      unsigned length) {
    if (length > remaining) return false;
    std::uint8_t* at = buf + pos;
    const std::uint8_t* from = at - distance;
    if (distance >= 8) {
        for (unsigned i = 0; i < length; i += 8) __builtin_memcpy(at + i, from + i, 8);
    } else {
        for (unsigned i = 0; i < length; ++i) at[i] = from[i];
    }
    pos += length;
    remaining -= length;
    return true;
}

// Called when the window is full: hands it on, unless the input is long gone.
inline Decoded makeRoom(const BitReader& in, OutputWindow& out, std::size_t& pos) {
    if (in.exhausted()) return Decoded::Corrupt;
    out.pos = pos;
    if (!out.flush()) return Decoded::Stopped;
    pos = out.pos;
    return Decoded::Done;
}

}  // namespace lha
