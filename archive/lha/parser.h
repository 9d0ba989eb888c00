#pragma once
// A parse turns a piece of input into literals and matches. A piece depends on
// nothing but its bytes, the window before it and the prices it is given, so
// pieces can be parsed side by side and still give the same archive.
#include <cstdint>
#include <memory>
#include <vector>

#include "archive/lha/method.h"

namespace lha {

// Bit prices of the literal/length and distance-class symbols, from the codes
// of the last block written.
struct Prices {
    std::vector<std::uint32_t> symbol;    // kCharSymbols entries
    std::vector<std::uint32_t> position;  // method.positionSymbols entries

    // Before the first block: bytes at 8 bits, matches a little dearer.
    void setInitial(const Format& format);
    // From the code lengths of a block just written. A symbol the block did
    // not use costs a little more than its rarest.
    void setFrom(const std::vector<std::uint8_t>& charLen, const std::vector<std::uint8_t>& posLen);
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

// Takes the steps of a parse in order, a few thousand at a time. Between two
// calls it may write blocks and so change the prices the parse reads.
class StepSink {
public:
    virtual void take(const std::uint32_t* steps, std::size_t count) = 0;

protected:
    ~StepSink() = default;
};

class Parser {
public:
    virtual ~Parser() = default;
    // Parses data[history, history + length); data[0, history) is the window
    // before it, at most a dictionary long. Recorded positions of an earlier
    // parse are forgotten without clearing any table.
    virtual void parse(const std::uint8_t* data, std::size_t history, std::size_t length, const Prices& prices,
                       StepSink& sink) = 0;
};

// The method's parse: lazy on hash chains, or optimal on a match tree.
std::unique_ptr<Parser> makeParser(const Method& method);

}  // namespace lha
