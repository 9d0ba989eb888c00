#include "archive/lha/output_window.h"

#include <algorithm>
#include <cstring>

#include "archive/lha/crc16.h"

namespace lha {
namespace {

constexpr std::size_t kPiece = 256 * 1024;

}  // namespace

OutputWindow::OutputWindow(unsigned dictBits, std::uint64_t total, const DataSink& sink)
    : window_(std::size_t{1} << dictBits), total_(total), sink_(sink) {
    // At least one window of new bytes between moves, so moving the history
    // costs no more than producing it; no more than a small entry needs.
    const std::size_t room =
        std::max(window_, static_cast<std::size_t>(std::min<std::uint64_t>(kPiece, total + kSlack)));
    buffer_.reset(new std::uint8_t[window_ + room + kSlack]);
    flushAt_ = window_ + room - kSlack;
    pos = window_;
}

bool OutputWindow::flush() {
    const std::size_t fresh = pos - window_;
    if (fresh == 0) return !sinkRefused_;
    crc_ = crc16(crc_, buffer_.get() + window_, fresh);
    if (!sinkRefused_ && sink_ && !sink_(buffer_.get() + window_, fresh)) sinkRefused_ = true;
    flushed_ += fresh;
    std::memmove(buffer_.get(), buffer_.get() + fresh, window_);
    pos = window_;
    return !sinkRefused_;
}

}  // namespace lha
