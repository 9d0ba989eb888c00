#pragma once
// Streaming LZ77 + static-Huffman encoder for -lh5-, -lh6- and -lh7-.
// Input arrives in pieces through write(); compressed bytes leave through the
// sink in pieces too, so no file is ever held whole in memory.
#include <array>
#include <cstdint>
#include <deque>
#include <functional>
#include <future>
#include <memory>
#include <vector>

#include "archive/lha/block_writer.h"
#include "archive/lha/method.h"
#include "archive/lha/parser.h"

namespace lha {

class LzhEncoder {
public:
    using Sink = std::function<void(const std::uint8_t* data, std::size_t size)>;

    // Input parsed at once, after the window before it.
    static constexpr std::size_t kPieceSize = 1024 * 1024;

    LzhEncoder(const Method& method, Sink sink);

    void write(const std::uint8_t* data, std::size_t size);
    void finish();  // encodes what is left and flushes the last bits

    std::uint64_t bytesIn() const { return total_; }
    std::uint64_t bytesOut() const { return produced_; }

private:
    void startParse(bool final);
    void finishOldestParse();
    void updatePrices(const std::vector<std::uint8_t>& charLen, const std::vector<std::uint8_t>& posLen);
    void slideWindow();
    void emitLiteral(std::uint8_t c);
    void emitMatch(unsigned length, std::uint32_t distance);
    void writeBlock();
    void drainOutput(bool all);

    const Method method_;
    Sink sink_;
    // The input is parsed in pieces on worker threads, at most two at a time.
    // A piece starts once the one two before it has been encoded, with the
    // prices of the blocks written by then, so the output never depends on
    // how the threads were scheduled.
    struct Piece {
        std::vector<std::uint8_t> data;  // the window before it, then its own bytes
        std::vector<std::uint32_t> steps;
        std::future<void> done;
    };
    std::array<std::unique_ptr<Parser>, 2> parsers_;
    std::deque<std::unique_ptr<Piece>> pieces_;
    std::uint64_t piecesStarted_ = 0;
    Prices prices_;

    // Sliding input window: buffer_[0] is absolute position base_. It holds
    // at most the window before the input not yet parsed, and one piece.
    std::size_t bufferLimit() const { return (std::size_t{1} << method_.dictBits) + kPieceSize; }
    std::vector<std::uint8_t> buffer_;
    std::uint64_t base_ = 0;
    std::uint64_t end_ = 0;  // absolute end of the buffered input
    std::uint64_t pos_ = 0;  // next position to encode
    std::uint64_t total_ = 0;

    Block block_;  // the symbols of the block being gathered

    std::vector<std::uint8_t> out_;
    std::uint64_t bitAcc_ = 0;
    unsigned bitCount_ = 0;
    std::uint64_t produced_ = 0;
};

}  // namespace lha
