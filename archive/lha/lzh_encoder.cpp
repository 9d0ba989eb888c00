#include "archive/lha/lzh_encoder.h"

#include <algorithm>

namespace lha {
namespace {

constexpr std::size_t kOutFlush = 64 * 1024;

}  // namespace

std::size_t LzhEncoder::pieceLength(std::uint64_t size, const Format& format) {
    if (size <= wholeLimit(format)) return static_cast<std::size_t>(std::max<std::uint64_t>(size, 1));
    const std::uint64_t pieces = 2 * ((size + 2 * kMaxPiece - 1) / (2 * kMaxPiece));
    return static_cast<std::size_t>((size + pieces - 1) / pieces);
}

LzhEncoder::LzhEncoder(const Method& method, Workers& workers, Sink sink, std::uint64_t size)
    : method_(method), workers_(workers), sink_(std::move(sink)), pieceLength_(pieceLength(size, method)) {
    out_.reserve(kOutFlush * 2);
}

LzhEncoder::LzhEncoder(const Method& method, Sink sink, std::uint64_t size)
    : method_(method),
      ownWorkers_(std::make_unique<Workers>()),
      workers_(*ownWorkers_),
      sink_(std::move(sink)),
      pieceLength_(pieceLength(size, method)) {
    out_.reserve(kOutFlush * 2);
}

LzhEncoder::~LzhEncoder() {
    for (; appended_ < posted_; ++appended_) {
        try {
            workers_.wait(piece(appended_).ticket);
        } catch (...) {  // stopped already: what went wrong was told then
        }
    }
}

void LzhEncoder::restart(Sink sink, std::uint64_t size) {
    while (appended_ < posted_) workers_.wait(piece(appended_++).ticket);
    sink_ = std::move(sink);
    pieceLength_ = pieceLength(size, method_);
    posted_ = appended_ = 0;
    total_ = produced_ = 0;
    pieces_[0].data.clear();
    pieces_[0].history = 0;
    out_.clear();
    bits_.clear();
}

void LzhEncoder::write(const std::uint8_t* data, std::size_t size) {
    total_ += size;
    while (size > 0) {
        Piece& p = piece(posted_);
        const std::size_t limit = p.history + pieceLength_;
        if (p.data.size() == limit) {
            post();
            continue;
        }
        const std::size_t n = std::min(limit - p.data.size(), size);
        p.data.insert(p.data.end(), data, data + n);
        data += n;
        size -= n;
    }
}

void LzhEncoder::finish() {
    if (piece(posted_).data.size() > piece(posted_).history) post();
    while (appended_ < posted_) appendOldest();
    bits_.flush();
    drainOutput(true);
}

// Hands the piece being filled to a worker, and starts the next one with the
// window before it.
void LzhEncoder::post() {
    if (posted_ - appended_ == 2) appendOldest();
    Piece& p = piece(posted_);
    if (posted_ >= 2)
        p.prices = piece(posted_ - 2).prices;
    else
        p.prices.setInitial(method_);
    p.ticket = workers_.post([&p, &method = method_](PieceCoder& coder) {
        p.out.clear();
        p.bits = coder.code(method, p.data.data(), p.history, p.data.size() - p.history, p.prices, p.out);
    });
    ++posted_;
    Piece& next = piece(posted_);
    const std::size_t window = std::min(p.data.size(), std::size_t{1} << method_.dictBits);
    next.data.assign(p.data.end() - static_cast<std::ptrdiff_t>(window), p.data.end());
    next.history = window;
}

void LzhEncoder::appendOldest() {
    Piece& p = piece(appended_);
    workers_.wait(p.ticket);
    ++appended_;
    bits_.append(p.out.data(), p.bits);
    drainOutput(false);
}

void LzhEncoder::drainOutput(bool all) {
    if (out_.empty() || (!all && out_.size() < kOutFlush)) return;
    sink_(out_.data(), out_.size());
    produced_ += out_.size();
    out_.clear();
}

}  // namespace lha
