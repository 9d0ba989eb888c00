#include "archive/lha/lzh_encoder.h"

#include <algorithm>
#include <cstring>
#include <system_error>

#include "archive/lha/bit_writer.h"
#include "archive/lha/block_writer.h"

namespace lha {
namespace {

constexpr std::size_t kOutFlush = 64 * 1024;

}  // namespace

LzhEncoder::LzhEncoder(const Method& method, Sink sink) : method_(method), sink_(std::move(sink)), block_(method) {
    // Before the first block: bytes at 8 bits, matches a little dearer.
    prices_.symbol.resize(kCharSymbols);
    for (unsigned s = 0; s < kCharSymbols; ++s) prices_.symbol[s] = s < 256 ? 8 : 8 + std::min(4u, (s - 256) / 16);
    prices_.position.assign(method.positionSymbols, 4);
    block_.symbols.reserve(kMaxBlockSymbols);
    block_.distances.reserve(kMaxBlockSymbols);
    out_.reserve(kOutFlush * 2);
}

void LzhEncoder::write(const std::uint8_t* data, std::size_t size) {
    total_ += size;
    while (size > 0) {
        const std::size_t held = static_cast<std::size_t>(end_ - base_);
        const std::size_t room = bufferLimit() - held;
        if (room == 0) {
            startParse(false);
            slideWindow();
            continue;
        }
        const std::size_t n = std::min(room, size);
        // Grows as input comes: a small file never pays for a whole piece.
        if (buffer_.size() < held + n) buffer_.resize(std::min(bufferLimit(), std::max(held + n, 2 * buffer_.size())));
        std::memcpy(buffer_.data() + (end_ - base_), data, n);
        end_ += n;
        data += n;
        size -= n;
    }
}

void LzhEncoder::finish() {
    startParse(true);
    while (!pieces_.empty()) finishOldestParse();
    if (!block_.symbols.empty()) writeBlock();
    BitWriter bw(out_);
    // Flush the bit accumulator kept between blocks.
    bw.put(bitCount_, static_cast<std::uint32_t>(bitAcc_));
    bw.flush();
    bitCount_ = 0;
    bitAcc_ = 0;
    drainOutput(true);
}

void LzhEncoder::slideWindow() {
    const std::uint64_t keep = std::uint64_t{1} << method_.dictBits;
    const std::uint64_t newBase = pos_ > keep ? pos_ - keep : 0;
    if (newBase <= base_) return;
    const std::size_t shift = static_cast<std::size_t>(newBase - base_);
    std::memmove(buffer_.data(), buffer_.data() + shift, static_cast<std::size_t>(end_ - newBase));
    base_ = newBase;
}

// Hands the input not yet parsed, with the window before it, to a parser.
void LzhEncoder::startParse(bool final) {
    if (pos_ == end_) return;
    if (pieces_.size() == parsers_.size()) finishOldestParse();
    const std::uint64_t from = pos_ - std::min<std::uint64_t>(pos_ - base_, std::uint64_t{1} << method_.dictBits);
    auto piece = std::make_unique<Piece>();
    piece->data.assign(buffer_.begin() + static_cast<std::ptrdiff_t>(from - base_),
                       buffer_.begin() + static_cast<std::ptrdiff_t>(end_ - base_));
    const auto history = static_cast<std::size_t>(pos_ - from);
    const auto length = static_cast<std::size_t>(end_ - pos_);
    auto& slot = parsers_[piecesStarted_++ % parsers_.size()];
    if (!slot) slot = makeParser(method_);  // a small file needs only one
    Parser& parser = *slot;
    Piece& p = *piece;
    // A file that fits one piece is parsed right here, without a thread.
    const auto policy = final && pieces_.empty() ? std::launch::deferred : std::launch::async;
    auto work = [&parser, &p, history, length, prices = prices_] {
        parser.parse(p.data.data(), history, length, prices, p.steps);
    };
    try {
        p.done = std::async(policy, work);
    } catch (const std::system_error&) {
        p.done = std::async(std::launch::deferred, work);  // no thread to be had: parse when needed
    }
    pieces_.push_back(std::move(piece));
    pos_ = end_;
}

// Encodes the steps of the oldest piece once its parse is done.
void LzhEncoder::finishOldestParse() {
    Piece& piece = *pieces_.front();
    piece.done.get();
    for (const std::uint32_t s : piece.steps) {
        const unsigned length = step::length(s);
        if (length == 1)
            emitLiteral(static_cast<std::uint8_t>(step::payload(s)));
        else
            emitMatch(length, step::payload(s));
    }
    pieces_.pop_front();
}

void LzhEncoder::updatePrices(const std::vector<std::uint8_t>& charLen, const std::vector<std::uint8_t>& posLen) {
    // A symbol the last block did not use costs a little more than its rarest.
    const unsigned charMax = *std::max_element(charLen.begin(), charLen.end());
    const unsigned posMax = *std::max_element(posLen.begin(), posLen.end());
    for (unsigned s = 0; s < kCharSymbols; ++s) prices_.symbol[s] = charLen[s] ? charLen[s] : std::max(charMax + 2, 9u);
    for (unsigned p = 0; p < prices_.position.size(); ++p)
        prices_.position[p] = posLen[p] ? posLen[p] : std::max(posMax + 2, 5u);
}

void LzhEncoder::emitLiteral(std::uint8_t c) {
    block_.literal(c);
    if (block_.full()) writeBlock();
}

void LzhEncoder::emitMatch(unsigned length, std::uint32_t distance) {
    block_.match(length, distance);
    if (block_.full()) writeBlock();
}

void LzhEncoder::writeBlock() {
    BitWriter bw(out_);
    // Resume the bits left over from the previous block.
    bw.put(bitCount_, static_cast<std::uint32_t>(bitAcc_));
    bitCount_ = 0;
    bitAcc_ = 0;

    const auto codes = lha::writeBlock(bw, method_, block_);
    updatePrices(codes.charLen, codes.posLen);
    // Keep the partial byte for the next block: blocks follow bit by bit.
    bw.detach(bitAcc_, bitCount_);

    block_.clear();
    drainOutput(false);
}

void LzhEncoder::drainOutput(bool all) {
    if (out_.empty() || (!all && out_.size() < kOutFlush)) return;
    sink_(out_.data(), out_.size());
    produced_ += out_.size();
    out_.clear();
}

}  // namespace lha
