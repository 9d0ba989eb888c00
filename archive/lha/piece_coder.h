#pragma once
// Parses a piece of input and codes it as static-Huffman blocks, the last one
// closed at the piece's end, so that pieces coded apart join bit by bit. Each
// worker thread keeps one for a whole archive: its parsers keep their tables
// and its block its buffers, so a piece or a small file costs no setup.
#include <cstdint>
#include <memory>
#include <optional>
#include <utility>
#include <vector>

#include "archive/lha/bit_writer.h"
#include "archive/lha/block_writer.h"
#include "archive/lha/parser.h"

namespace lha {

class PieceCoder final : private StepSink {
public:
    // Codes data[history, history + length), data[0, history) being the window
    // before it, and appends the bits to `out` (the last byte padded); returns
    // how many there are. The parse starts with `prices`; every block written
    // updates them.
    std::uint64_t code(const Method& method, const std::uint8_t* data, std::size_t history, std::size_t length,
                       Prices& prices, std::vector<std::uint8_t>& out);

private:
    void take(const std::uint32_t* steps, std::size_t count) override;
    void writeBlock();
    Parser& parserFor(const Method& method);

    std::vector<std::pair<Method, std::unique_ptr<Parser>>> parsers_;
    std::optional<Block> block_;
    // While a piece is being coded:
    const Method* method_ = nullptr;
    Prices* prices_ = nullptr;
    BitWriter* bits_ = nullptr;
    std::size_t priced_ = 0;  // the block's symbols when the prices were last set
};

}  // namespace lha
