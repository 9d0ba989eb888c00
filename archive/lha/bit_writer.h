#pragma once
// MSB-first bit writer: LHA packs every code from its most significant bit.
#include <cstdint>
#include <vector>

namespace lha {

class BitWriter {
public:
    explicit BitWriter(std::vector<std::uint8_t>& out) : out_(out) {}

    // Appends the low `count` bits of `value` (count <= 32).
    void put(unsigned count, std::uint32_t value) {
        if (count == 0) return;
        acc_ = (acc_ << count) | (value & ((std::uint64_t{1} << count) - 1));
        filled_ += count;
        while (filled_ >= 8) {
            filled_ -= 8;
            out_.push_back(static_cast<std::uint8_t>(acc_ >> filled_));
        }
    }

    // Pads the last partial byte with zero bits.
    void flush() {
        if (filled_ > 0) out_.push_back(static_cast<std::uint8_t>(acc_ << (8 - filled_)));
        filled_ = 0;
        acc_ = 0;
    }

    // Hands the bits not yet forming a whole byte to the caller (fewer than 8).
    void detach(std::uint64_t& acc, unsigned& count) {
        acc = acc_ & ((std::uint64_t{1} << filled_) - 1);
        count = filled_;
        acc_ = 0;
        filled_ = 0;
    }

private:
    std::vector<std::uint8_t>& out_;
    std::uint64_t acc_ = 0;
    unsigned filled_ = 0;
};

}  // namespace lha
