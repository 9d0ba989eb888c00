#pragma once
// Streaming LZ77 + static-Huffman encoder for -lh5-, -lh6- and -lh7-, for
// files bigger than one piece. Input arrives in pieces through write();
// compressed bytes leave through the sink in pieces too, so no file is ever
// held whole in memory.
#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <utility>
#include <vector>

#include "archive/lha/bit_writer.h"
#include "archive/lha/method.h"
#include "archive/lha/parser.h"
#include "archive/lha/workers.h"

namespace lha {

class LzhEncoder {
public:
    using Sink = std::function<void(const std::uint8_t* data, std::size_t size)>;

    // A file up to this size is one piece, coded whole by one worker.
    static constexpr std::size_t wholeLimit(const Format& format) {
        return (std::size_t{1} << format.dictBits) + (std::size_t{1} << 20);
    }
    // A bigger one is cut into pieces of this length (the last one may be
    // shorter), each parsed after the window before it: an even number of
    // them, so that both workers finish together, and as few as buffers of
    // maxPiece allow. The optimal parse builds its window's match tree anew
    // for each piece, a twentieth of a 1 MiB piece's time; the lazy parse's
    // hash chains cost next to nothing to rebuild, and its pieces stay small.
    static constexpr std::size_t maxPiece(const Method& method) {
        return method.optimalParse ? std::size_t{4} << 20 : std::size_t{1} << 20;
    }
    static std::size_t pieceLength(std::uint64_t size, const Method& method);

    // Codes a file of `size` bytes on `workers`, which must outlive the encoder.
    LzhEncoder(const Method& method, Workers& workers, Sink sink, std::uint64_t size);
    // Codes on two worker threads of its own.
    LzhEncoder(const Method& method, Sink sink, std::uint64_t size);
    ~LzhEncoder();  // waits for the pieces still being coded
    LzhEncoder(const LzhEncoder&) = delete;
    LzhEncoder& operator=(const LzhEncoder&) = delete;

    // Starts on another file, keeping the buffers.
    void restart(Sink sink, std::uint64_t size);

    void write(const std::uint8_t* data, std::size_t size);
    // Or, sparing a copy: room in the piece being filled (never empty) for
    // the input to be read straight into, then how much of it was filled.
    std::pair<std::uint8_t*, std::size_t> room();
    void commit(std::size_t size);
    void finish();  // codes what is left and flushes the last bits

    const Method& method() const { return method_; }
    std::uint64_t bytesIn() const { return total_; }
    std::uint64_t bytesOut() const { return produced_; }

private:
    // The input is coded in pieces on the worker threads, a few at a time:
    // each piece is parsed and written as whole blocks by one worker, and the
    // pieces' bits join in order. An optimal parse starts with the prices of
    // the last block of the piece two before it, which has been coded by
    // then, so the output never depends on how the threads were scheduled.
    struct Piece {
        // The window before it, then its own bytes: `size` of `capacity`,
        // allocated once and not cleared.
        std::unique_ptr<std::uint8_t[]> data;
        std::size_t capacity = 0;
        std::size_t size = 0;
        std::size_t history = 0;
        Prices prices;  // to start with; after its last block once coded
        std::vector<std::uint8_t> out;
        std::uint64_t bits = 0;
        std::uint64_t ticket = 0;
    };
    Piece& piece(std::uint64_t index) { return pieces_[index % (inFlight() + 1)]; }
    void startPiece(Piece& p, const std::uint8_t* window, std::size_t size);
    void post();
    void appendOldest();
    void drainOutput(bool all);

    const Method method_;
    std::unique_ptr<Workers> ownWorkers_;
    Workers& workers_;
    Sink sink_;
    // Pieces being coded, at most: the optimal parse's wait for the prices of
    // the piece two before; the lazy parse's, blind to prices, do not, and a
    // third keeps both workers busy when one piece takes longer than its
    // neighbour.
    std::size_t inFlight() const { return method_.optimalParse ? 2 : 3; }
    std::array<Piece, 4> pieces_;  // those being coded, and one filling
    std::size_t pieceLength_;
    std::uint64_t posted_ = 0;
    std::uint64_t appended_ = 0;
    std::uint64_t total_ = 0;

    std::vector<std::uint8_t> out_;
    BitWriter bits_{out_};
    std::uint64_t produced_ = 0;
};

}  // namespace lha
