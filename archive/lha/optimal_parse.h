#pragma once
// The optimal parse: the cheapest sequence of literals and matches through a
// piece of input, by the bit prices of the last block's codes.
#include <array>
#include <cstdint>
#include <utility>
#include <vector>

#include "archive/lha/match_tree.h"
#include "archive/lha/parser.h"

namespace lha {

class OptimalParser final : public Parser {
public:
    explicit OptimalParser(const Method& method);

    void parse(const std::uint8_t* data, std::size_t history, std::size_t length, const Prices& prices,
               StepSink& sink) override;

private:
    // Returns the stretch's steps, in order.
    std::pair<const std::uint32_t*, std::size_t> parseStretch(std::uint64_t start, std::size_t n, const Prices& prices);

    const Method method_;
    MatchTree tree_;
    std::vector<Match> candidates_;
    // relax() reads and writes this far past the last length it offers.
    static constexpr std::size_t kRelaxSlack = 7;
    std::array<std::uint32_t, kMaxMatch + 1 + kRelaxSlack> lengthPrice_{};
    const std::uint8_t* data_ = nullptr;
    std::uint64_t end_ = 0;
    // Cheapest cost of reaching each position of a stretch, and the step that gets there.
    std::vector<std::uint32_t> cost_;
    std::vector<std::uint32_t> choice_;
};

}  // namespace lha
