#pragma once
// MSB-first bit writer: LHA packs every code from its most significant bit.
#include <cstdint>
#include <vector>

namespace lha {

class BitWriter {
public:
    explicit BitWriter(std::vector<std::uint8_t>& out) : out_(out) {}

    // Appends the low `count` bits of `value` (count <= 32). Whole bytes leave
    // four at a time: this runs once or twice for every symbol encoded.
    [[gnu::always_inline]] void put(unsigned count, std::uint32_t value) {
        acc_ = (acc_ << count) | (value & ((std::uint64_t{1} << count) - 1));
        filled_ += count;
        if (filled_ >= 32) {
            filled_ -= 32;
            const auto word = static_cast<std::uint32_t>(acc_ >> filled_);
            const std::uint8_t bytes[4] = {static_cast<std::uint8_t>(word >> 24), static_cast<std::uint8_t>(word >> 16),
                                           static_cast<std::uint8_t>(word >> 8), static_cast<std::uint8_t>(word)};
            out_.insert(out_.end(), bytes, bytes + 4);
        }
        written_ += count;
    }

    // Appends `bits` bits written by another writer (its bytes, the last one
    // padded): pieces coded apart follow one another bit by bit.
    void append(const std::uint8_t* bytes, std::uint64_t bits) {
        if (filled_ % 8 == 0) {  // on a byte boundary: the bytes go as they are
            drainWholeBytes();
            const std::size_t whole = static_cast<std::size_t>(bits / 8);
            out_.insert(out_.end(), bytes, bytes + whole);
            written_ += bits - bits % 8;
            bytes += whole;
            bits %= 8;
        }
        for (; bits >= 32; bits -= 32, bytes += 4)
            put(32, std::uint32_t{bytes[0]} << 24 | std::uint32_t{bytes[1]} << 16 | std::uint32_t{bytes[2]} << 8 |
                        bytes[3]);
        for (; bits >= 8; bits -= 8) put(8, *bytes++);
        if (bits > 0) put(static_cast<unsigned>(bits), *bytes >> (8 - bits));
    }

    // Pads the last partial byte with zero bits.
    void flush() {
        drainWholeBytes();
        if (filled_ > 0) out_.push_back(static_cast<std::uint8_t>(acc_ << (8 - filled_)));
        filled_ = 0;
        acc_ = 0;
    }

    // Forgets the bits not yet written out, to start another stream.
    void clear() {
        acc_ = 0;
        filled_ = 0;
        written_ = 0;
    }

    // Bits put since the writer began, padding not counted.
    std::uint64_t bitsWritten() const { return written_; }

private:
    void drainWholeBytes() {
        while (filled_ >= 8) {
            filled_ -= 8;
            out_.push_back(static_cast<std::uint8_t>(acc_ >> filled_));
        }
    }

    std::vector<std::uint8_t>& out_;
    std::uint64_t acc_ = 0;
    unsigned filled_ = 0;
    std::uint64_t written_ = 0;
};

}  // namespace lha
