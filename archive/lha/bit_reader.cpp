#include "archive/lha/bit_reader.h"

#include <algorithm>

namespace lha {
namespace {

constexpr std::size_t kBufferSize = 64 * 1024;

}  // namespace

BitReader::BitReader(ByteSource& source, std::uint64_t offset, std::uint64_t length)
    : source_(source),
      next_(offset),
      remaining_(length),
      length_(length),
      buffer_(static_cast<std::size_t>(std::min<std::uint64_t>(length, kBufferSize)) + 8) {}

bool BitReader::fillBuffer() {
    if (remaining_ == 0) return false;
    const auto want = static_cast<std::size_t>(std::min<std::uint64_t>(remaining_, buffer_.size() - 8));
    const std::size_t got = source_.readAt(next_, buffer_.data(), want);
    next_ += got;
    remaining_ = got == want ? remaining_ - got : 0;  // a short read ends the data here
    at_ = 0;
    end_ = got;
    return got != 0;
}

// Byte by byte near the end of the buffer, and zero bytes past the data.
void BitReader::refillByBytes() {
    while (count_ <= 56) {
        ++counted_;
        if (at_ == end_ && !fillBuffer()) {
            ++padding_;
            count_ += 8;
            continue;
        }
        bits_ |= std::uint64_t{buffer_[at_++]} << (56 - count_);
        count_ += 8;
    }
}

}  // namespace lha
