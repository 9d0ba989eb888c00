#include "archive/lha/optimal_parse.h"

#include <algorithm>

namespace lha {
namespace {

constexpr std::size_t kStretch = 4096;  // input planned at once
constexpr std::size_t kMaxCandidates = 64;
// After a match of takeLength or more, its last kRecheck positions are
// searched again, and every kSkipStride-th position before them is still
// recorded: later input then finds most of the text the match covered
// without paying a search at every byte.
constexpr std::size_t kRecheck = 4;
constexpr std::size_t kSkipStride = 2;
constexpr std::uint32_t kUnreached = 0xFFFFFFFF;

// Offers one match distance at every length in [from, to] to the positions
// ahead. Written without branches so that the compiler vectorises it.
void relax(std::uint32_t* __restrict cost, std::uint32_t* __restrict choice, std::uint32_t base,
           const std::uint32_t* __restrict lengthPrice, std::uint32_t tag, std::size_t from, std::size_t to) {
    for (std::size_t len = from; len <= to; ++len) {
        const std::uint32_t c = base + lengthPrice[len];
        const bool better = c < cost[len];
        cost[len] = better ? c : cost[len];
        choice[len] = better ? (tag | static_cast<std::uint32_t>(len)) : choice[len];
    }
}

}  // namespace

OptimalParser::OptimalParser(const Method& method) : method_(method), tree_(method) {}

void OptimalParser::parse(const std::uint8_t* data, std::size_t history, std::size_t length, const Prices& prices,
                          StepSink& sink) {
    data_ = data;
    end_ = history + length;
    tree_.start(data, end_);
    for (std::size_t p = 0; p < history && end_ - p >= tree_.hashBytes(); ++p) tree_.insert(p);
    for (std::uint64_t at = history; at < end_;) {
        const std::size_t n = static_cast<std::size_t>(std::min<std::uint64_t>(kStretch, end_ - at));
        // Each stretch reads the prices anew: the sink may have written a block.
        parseStretch(at, n, prices);
        sink.take(path_.data(), path_.size());
        at += n;
    }
}

// Every position offers a literal and each length of each match found there.
// Past a match of takeLength or more the search skips ahead, nearly to its
// end: long matches are common in scenario text, and searching inside them
// costs more than it gains.
void OptimalParser::parseStretch(std::uint64_t start, std::size_t n, const Prices& prices) {
    const std::uint32_t* lengthPrice = prices.symbol.data() + 256 - kMinMatch;
    Match candidates[kMaxCandidates];
    cost_.assign(n + 1, kUnreached);
    choice_.assign(n + 1, 0);
    cost_[0] = 0;
    std::size_t skipUntil = 0;
    for (std::size_t i = 0; i < n; ++i) {
        const std::uint64_t p = start + i;
        const bool canHash = end_ - p >= tree_.hashBytes();
        if (i < skipUntil) {
            if (canHash && (skipUntil - i) % kSkipStride == 0) tree_.insert(p);
            continue;
        }
        const std::uint32_t here = cost_[i];
        const std::uint8_t byte = data_[p];
        if (here + prices.symbol[byte] < cost_[i + 1]) {
            cost_[i + 1] = here + prices.symbol[byte];
            choice_[i + 1] = step::literal(byte);
        }
        if (!canHash) continue;
        const std::size_t found = tree_.collectAndInsert(p, candidates, kMaxCandidates);
        const unsigned room = static_cast<unsigned>(n - i);
        unsigned shorter = kMinMatch - 1;
        for (std::size_t k = 0; k < found && shorter < room; ++k) {
            const unsigned longest = std::min(candidates[k].length, room);
            const std::uint32_t d = candidates[k].distance - 1;
            const unsigned ps = positionSymbol(d);
            const std::uint32_t distCost = here + prices.position[ps] + (ps > 1 ? ps - 1 : 0);
            relax(cost_.data() + i, choice_.data() + i, distCost, lengthPrice, step::match(0, candidates[k].distance),
                  shorter + 1, longest);
            // The search resumes where this match reaches (at least
            // kMinMatch on): a nearer position could be reached only through
            // the literals of positions it skipped.
            if (method_.takeLength != 0 && longest >= std::max<std::size_t>(method_.takeLength, kRecheck + kMinMatch))
                skipUntil = i + longest - kRecheck;
            shorter = longest;
        }
    }
    // Walk back from the end, then put the steps in order.
    path_.clear();
    for (std::size_t at = n; at > 0; at -= step::length(choice_[at])) path_.push_back(choice_[at]);
    std::reverse(path_.begin(), path_.end());
}

}  // namespace lha
