#include "archive/lha/lzh_encoder.h"

#include <algorithm>
#include <cstring>

namespace lha {
namespace {

constexpr std::size_t kOutFlush = 64 * 1024;

}  // namespace

std::size_t LzhEncoder::pieceLength(std::uint64_t size, const Method& method) {
    if (size <= wholeLimit(method)) return static_cast<std::size_t>(std::max<std::uint64_t>(size, 1));
    const std::uint64_t pair = 2 * maxPiece(method);
    const std::uint64_t pieces = 2 * ((size + pair - 1) / pair);
    return static_cast<std::size_t>((size + pieces - 1) / pieces);
}

LzhEncoder::LzhEncoder(const Method& method, Workers& workers, Sink sink, std::uint64_t size)
    : method_(method), workers_(workers), sink_(std::move(sink)), pieceLength_(pieceLength(size, method)) {
    out_.reserve(kOutFlush * 2);
    startPiece(pieces_[0], nullptr, 0);
}

LzhEncoder::LzhEncoder(const Method& method, Sink sink, std::uint64_t size)
    : method_(method),
      ownWorkers_(std::make_unique<Workers>()),
      workers_(*ownWorkers_),
      sink_(std::move(sink)),
      pieceLength_(pieceLength(size, method)) {
    out_.reserve(kOutFlush * 2);
    startPiece(pieces_[0], nullptr, 0);
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
    startPiece(pieces_[0], nullptr, 0);
    out_.clear();
    bits_.clear();
}

// Starts a piece after `size` bytes of window. Its buffer holds all of it
// from the first: one that doubled its way up would touch twice the memory.
void LzhEncoder::startPiece(Piece& p, const std::uint8_t* window, std::size_t size) {
    const std::size_t need = size + pieceLength_;
    if (p.capacity < need) {
        p.data = std::make_unique_for_overwrite<std::uint8_t[]>(need);
        p.capacity = need;
    }
    if (size > 0) std::memcpy(p.data.get(), window, size);
    p.size = p.history = size;
}

std::pair<std::uint8_t*, std::size_t> LzhEncoder::room() {
    if (piece(posted_).size == piece(posted_).history + pieceLength_) post();
    Piece& p = piece(posted_);
    return {p.data.get() + p.size, p.history + pieceLength_ - p.size};
}

void LzhEncoder::commit(std::size_t size) {
    piece(posted_).size += size;
    total_ += size;
}

void LzhEncoder::write(const std::uint8_t* data, std::size_t size) {
    while (size > 0) {
        const auto [to, room] = this->room();
        const std::size_t n = std::min(room, size);
        std::memcpy(to, data, n);
        commit(n);
        data += n;
        size -= n;
    }
}

void LzhEncoder::finish() {
    if (piece(posted_).size > piece(posted_).history) post();
    while (appended_ < posted_) appendOldest();
    bits_.flush();
    drainOutput(true);
}

// Hands the piece being filled to a worker, and starts the next one with the
// window before it.
void LzhEncoder::post() {
    if (posted_ - appended_ == inFlight()) appendOldest();
    Piece& p = piece(posted_);
    if (method_.optimalParse && posted_ >= 2)
        p.prices = piece(posted_ - 2).prices;
    else
        p.prices.setInitial(method_);
    p.ticket = workers_.post([&p, &method = method_](PieceCoder& coder) {
        p.out.clear();
        p.bits = coder.code(method, p.data.get(), p.history, p.size - p.history, p.prices, p.out);
    });
    ++posted_;
    const std::size_t window = std::min(p.size, std::size_t{1} << method_.dictBits);
    startPiece(piece(posted_), p.data.get() + p.size - window, window);
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
