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
    }

    // Pads the last partial byte with zero bits.
    void flush() {
        drainWholeBytes();
        if (filled_ > 0) out_.push_back(static_cast<std::uint8_t>(acc_ << (8 - filled_)));
        filled_ = 0;
        acc_ = 0;
    }

    // Hands the bits not yet forming a whole byte to the caller (fewer than 8).
    void detach(std::uint64_t& acc, unsigned& count) {
        drainWholeBytes();
        acc = acc_ & ((std::uint64_t{1} << filled_) - 1);
        count = filled_;
        acc_ = 0;
        filled_ = 0;
    }

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
};

}  // namespace lha
