#pragma once
// Lazy matching on hash chains: a match found at p is deferred one byte to see
// whether p + 1 starts a longer one. Fast, and blind to prices.
#include <array>

#include "archive/lha/match_finder.h"
#include "archive/lha/parser.h"

namespace lha {

class LazyParser final : public Parser {
public:
    explicit LazyParser(const Method& method) : method_(method), finder_(method) {}

    void parse(const std::uint8_t* data, std::size_t history, std::size_t length, const Prices& prices,
               StepSink& sink) override;

private:
    const Method method_;
    MatchFinder finder_;
    std::array<std::uint32_t, 4096> steps_;  // handed to the sink when full
};

}  // namespace lha
