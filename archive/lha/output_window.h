#pragma once
// Where a decoder writes: the history a match copies from, then the bytes it
// produces, handed to the sink in large pieces with their CRC taken on the way.
// A decoder may write up to kSlack bytes past its position (copies run eight
// bytes at a time); they are overwritten before they count.
#include <cstdint>
#include <functional>
#include <memory>

namespace lha {

// Receives decoded data; returning false stops the decoding.
using DataSink = std::function<bool(const std::uint8_t* data, std::size_t size)>;

class OutputWindow {
public:
    static constexpr std::size_t kSlack = 512;

    // `total` is the entry's declared size: no decoder may produce more.
    OutputWindow(unsigned dictBits, std::uint64_t total, const DataSink& sink);

    // The history before the first byte, which a match reaching back past the
    // start copies from: history()[0] is the byte a whole window back.
    std::uint8_t* history() { return buffer_.get(); }
    std::size_t window() const { return window_; }

    // The decoders work on these directly: bytes go to data()[pos], and once
    // pos reaches flushAt() they call flush().
    std::uint8_t* data() { return buffer_.get(); }
    std::size_t pos = 0;
    std::size_t flushAt() const { return flushAt_; }
    // Bytes still owed to the declared size, counting those up to pos.
    std::uint64_t remaining() const { return total_ - (flushed_ + (pos - window_)); }

    // Hands the new bytes to the sink and keeps the last window as history.
    // False when the sink refused them.
    bool flush();
    std::uint16_t crc() const { return crc_; }
    bool sinkRefused() const { return sinkRefused_; }

private:
    std::unique_ptr<std::uint8_t[]> buffer_;  // left uninitialised: the decoders preset the history
    std::size_t window_;
    std::size_t flushAt_;
    std::uint64_t total_;
    std::uint64_t flushed_ = 0;
    std::uint16_t crc_ = 0;
    bool sinkRefused_ = false;
    const DataSink& sink_;
};

}  // namespace lha
