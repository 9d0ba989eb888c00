#pragma once
// MSB-first bit reader over one entry's compressed data. Past the end it
// hands out zero bits, as the last byte of a stream is padded with them, and
// counts them, so a decoder can tell a stream that ran past its end.
#include <bit>
#include <cstdint>
#include <cstring>
#include <vector>

#include "archive/lha/byte_source.h"

namespace lha {

class BitReader {
public:
    // Reads the `length` bytes at `offset` of `source`.
    BitReader(ByteSource& source, std::uint64_t offset, std::uint64_t length);

    // The next n bits (1 to 32) as an unsigned number, not consumed yet.
    std::uint32_t peek(unsigned n) {
        if (count_ < n) refill();
        return static_cast<std::uint32_t>(bits_ >> (64 - n));
    }
    // Consumes n bits already peeked.
    void skip(unsigned n) {
        bits_ <<= n;
        count_ -= n;
    }
    std::uint32_t get(unsigned n) {
        if (n == 0) return 0;
        const std::uint32_t v = peek(n);
        skip(n);
        return v;
    }

    // The stream consumed bits beyond its data.
    bool overran() const { return counted_ * 8 - count_ > length_ * 8; }
    // Well past the end: whatever a decoder reads now is made-up zeros.
    bool exhausted() const { return padding_ > 16; }
    // The archive could not be read (as opposed to ending early).
    bool readFailed() const { return source_.failed(); }

private:
    // Eight bytes at once while the buffer has them: whole bytes count, the
    // rest are the stream's own next bits, which a later refill ORs in again.
    void refill() {
        if (end_ - at_ < 8) return refillByBytes();
        std::uint64_t word;
        std::memcpy(&word, buffer_.data() + at_, 8);
        if constexpr (std::endian::native == std::endian::little) word = __builtin_bswap64(word);
        bits_ |= word >> count_;
        const unsigned take = (63 - count_) >> 3;
        at_ += take;
        counted_ += take;
        count_ += take * 8;
    }
    void refillByBytes();
    bool fillBuffer();

    ByteSource& source_;
    std::uint64_t next_;       // file offset of the bytes after the buffer
    std::uint64_t remaining_;  // data bytes not yet in the buffer
    std::uint64_t length_;
    std::vector<std::uint8_t> buffer_;
    std::size_t at_ = 0;
    std::size_t end_ = 0;
    std::uint64_t bits_ = 0;     // left-aligned; bits below count_ are zero or the stream's next bits
    unsigned count_ = 0;         // valid bits in bits_
    std::uint64_t counted_ = 0;  // bytes moved into bits_, padding included
    std::uint64_t padding_ = 0;  // zero bytes made up past the end
};

}  // namespace lha
