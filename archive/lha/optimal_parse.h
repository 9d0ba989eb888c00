#pragma once
// The optimal parse: the cheapest sequence of literals and matches through a
// piece of input, by the bit prices of the last block's codes. A piece depends
// on nothing but its bytes, the window before it and the prices it is given,
// so pieces can be parsed side by side and still give the same archive.
#include <cstdint>
#include <vector>

#include "archive/lha/match_tree.h"
#include "archive/lha/method.h"

namespace lha {

// Bit prices of the literal/length and distance-class symbols.
struct Prices {
    std::vector<std::uint32_t> symbol;    // kCharSymbols entries
    std::vector<std::uint32_t> position;  // method.positionSymbols entries
};

// One step of a parse, packed in 32 bits: the length (1 for a literal) below,
// and above it the literal's byte or the match's distance.
namespace step {
inline constexpr unsigned kLengthBits = 9;
constexpr std::uint32_t literal(std::uint8_t byte) {
    return std::uint32_t{byte} << kLengthBits | 1u;
}
constexpr std::uint32_t match(unsigned length, std::uint32_t distance) {
    return distance << kLengthBits | length;
}
constexpr unsigned length(std::uint32_t s) {
    return s & ((1u << kLengthBits) - 1);
}
constexpr std::uint32_t payload(std::uint32_t s) {
    return s >> kLengthBits;
}  // byte or distance
}  // namespace step

class OptimalParser {
public:
    explicit OptimalParser(const Method& method);

    // Parses data[history, history + length); data[0, history) is the window
    // before it, at most a dictionary long. Appends the steps to `out`.
    void parse(const std::uint8_t* data, std::size_t history, std::size_t length, const Prices& prices,
               std::vector<std::uint32_t>& out);

private:
    void parseStretch(std::uint64_t start, std::size_t n, const Prices& prices, std::vector<std::uint32_t>& out);

    const Method method_;
    MatchTree tree_;
    const std::uint8_t* data_ = nullptr;
    std::uint64_t end_ = 0;
    // Cheapest cost of reaching each position of a stretch, and the step that gets there.
    std::vector<std::uint32_t> cost_;
    std::vector<std::uint32_t> choice_;
    std::vector<std::uint32_t> path_;
};

}  // namespace lha
