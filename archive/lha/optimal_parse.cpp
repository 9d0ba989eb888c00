#include "archive/lha/optimal_parse.h"

#include <algorithm>

#if defined(__x86_64__) && defined(__GNUC__)
#include <immintrin.h>
#elif defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace lha {
namespace {

constexpr std::size_t kStretch = 32768;  // input planned at once: a match cannot cross its end
// After a match of takeLength or more, the search skips ahead to its last
// kRecheck positions. Of the positions skipped, every kSkipStride-th within
// kSkipRecorded of the match's start is still recorded in the tree: later
// input then finds most of the text the match covered without a walk at every
// byte. Later text parts from a repeat mostly near its start; recording the
// rest of it too would cost a seventh more time for half a percent.
constexpr std::size_t kRecheck = 4;
constexpr std::size_t kSkipStride = 2;
constexpr std::size_t kSkipRecorded = 16;
// Costs stay below 2^31, so that they compare alike signed or not.
constexpr std::uint32_t kUnreached = 0x7FFFFFFF;

// Offers one match distance at every length in [from, to] to the positions
// ahead of `at`: cost[at + len] and choice[at + len]. Lengths go four or
// eight at a time, lanes past `to` keeping what they held: the arrays it
// reads and writes reach kRelaxSlack past the last length it offers.
using Relax = void (*)(std::uint32_t* __restrict cost, std::uint32_t* __restrict choice, std::size_t at,
                       std::uint32_t base, const std::uint32_t* __restrict lengthPrice, std::uint32_t tag,
                       std::size_t from, std::size_t to);

#if defined(__SSE2__)
void relaxBy4(std::uint32_t* __restrict cost, std::uint32_t* __restrict choice, std::size_t at, std::uint32_t base,
              const std::uint32_t* __restrict lengthPrice, std::uint32_t tag, std::size_t from, std::size_t to) {
    cost += at;
    choice += at;
    const __m128i vbase = _mm_set1_epi32(static_cast<int>(base));
    const __m128i vtag = _mm_set1_epi32(static_cast<int>(tag));
    const __m128i end = _mm_set1_epi32(static_cast<int>(to + 1));
    const __m128i four = _mm_set1_epi32(4);
    __m128i lanes = _mm_add_epi32(_mm_set1_epi32(static_cast<int>(from)), _mm_setr_epi32(0, 1, 2, 3));
    for (std::size_t len = from; len <= to; len += 4) {
        auto* const costAt = reinterpret_cast<__m128i*>(cost + len);
        auto* const choiceAt = reinterpret_cast<__m128i*>(choice + len);
        const __m128i c = _mm_add_epi32(vbase, _mm_loadu_si128(reinterpret_cast<const __m128i*>(lengthPrice + len)));
        const __m128i old = _mm_loadu_si128(costAt);
        const __m128i better = _mm_and_si128(_mm_cmplt_epi32(c, old), _mm_cmplt_epi32(lanes, end));
        _mm_storeu_si128(costAt, _mm_or_si128(_mm_and_si128(better, c), _mm_andnot_si128(better, old)));
        const __m128i step = _mm_or_si128(vtag, lanes);
        _mm_storeu_si128(
            choiceAt, _mm_or_si128(_mm_and_si128(better, step), _mm_andnot_si128(better, _mm_loadu_si128(choiceAt))));
        lanes = _mm_add_epi32(lanes, four);
    }
}
#else
void relaxBy4(std::uint32_t* __restrict cost, std::uint32_t* __restrict choice, std::size_t at, std::uint32_t base,
              const std::uint32_t* __restrict lengthPrice, std::uint32_t tag, std::size_t from, std::size_t to) {
    cost += at;
    choice += at;
    for (std::size_t len = from; len <= to; ++len) {
        const std::uint32_t c = base + lengthPrice[len];
        if (c < cost[len]) {
            cost[len] = c;
            choice[len] = tag | static_cast<std::uint32_t>(len);
        }
    }
}
#endif

#if defined(__x86_64__) && defined(__GNUC__)
// The same with AVX2, where the processor has it: the relaxation is a third
// of the optimal parse's time, and twice the lanes take half of that.
[[gnu::target("avx2")]] void relaxBy8(std::uint32_t* __restrict cost, std::uint32_t* __restrict choice, std::size_t at,
                                      std::uint32_t base, const std::uint32_t* __restrict lengthPrice,
                                      std::uint32_t tag, std::size_t from, std::size_t to) {
    cost += at;
    choice += at;
    const __m256i vbase = _mm256_set1_epi32(static_cast<int>(base));
    const __m256i vtag = _mm256_set1_epi32(static_cast<int>(tag));
    const __m256i end = _mm256_set1_epi32(static_cast<int>(to + 1));
    const __m256i eight = _mm256_set1_epi32(8);
    __m256i lanes =
        _mm256_add_epi32(_mm256_set1_epi32(static_cast<int>(from)), _mm256_setr_epi32(0, 1, 2, 3, 4, 5, 6, 7));
    for (std::size_t len = from; len <= to; len += 8) {
        auto* const costAt = reinterpret_cast<__m256i*>(cost + len);
        auto* const choiceAt = reinterpret_cast<__m256i*>(choice + len);
        const __m256i c =
            _mm256_add_epi32(vbase, _mm256_loadu_si256(reinterpret_cast<const __m256i*>(lengthPrice + len)));
        const __m256i old = _mm256_loadu_si256(costAt);
        const __m256i better = _mm256_and_si256(_mm256_cmpgt_epi32(old, c), _mm256_cmpgt_epi32(end, lanes));
        _mm256_storeu_si256(costAt, _mm256_blendv_epi8(old, c, better));
        _mm256_storeu_si256(choiceAt,
                            _mm256_blendv_epi8(_mm256_loadu_si256(choiceAt), _mm256_or_si256(vtag, lanes), better));
        lanes = _mm256_add_epi32(lanes, eight);
    }
}

Relax chooseRelax() {
    __builtin_cpu_init();  // for a first call among the static constructors
    return __builtin_cpu_supports("avx2") ? relaxBy8 : relaxBy4;
}
#else
Relax chooseRelax() {
    return relaxBy4;
}
#endif

// Chosen on first use, whenever that is.
Relax relaxHere() {
    static const Relax chosen = chooseRelax();
    return chosen;
}

}  // namespace

OptimalParser::OptimalParser(const Method& method) : method_(method), tree_(method), candidates_(tree_.depth()) {}

void OptimalParser::parse(const std::uint8_t* data, std::size_t history, std::size_t length, const Prices& prices,
                          StepSink& sink) {
    data_ = data;
    end_ = history + length;
    tree_.start(data, end_);
    for (std::size_t p = 0; p < history && end_ - p >= tree_.hashBytes(); ++p) tree_.insert(p);
    for (std::uint64_t at = history; at < end_;) {
        const std::size_t n = static_cast<std::size_t>(std::min<std::uint64_t>(kStretch, end_ - at));
        // Each stretch reads the prices anew: the sink may have written a block.
        const auto [steps, count] = parseStretch(at, n, prices);
        sink.take(steps, count);
        at += n;
    }
}

// Every position offers a literal and each length of each match found there.
// Past a match of takeLength or more the search skips ahead, nearly to its
// end: long matches are common in scenario text, and searching inside them
// costs more than it gains.
std::pair<const std::uint32_t*, std::size_t> OptimalParser::parseStretch(std::uint64_t start, std::size_t n,
                                                                         const Prices& prices) {
    // Each match length's price, and room for relax() to read past the longest.
    for (unsigned len = kMinMatch; len <= kMaxMatch; ++len) lengthPrice_[len] = prices.symbol[256 + len - kMinMatch];
    const std::uint32_t* const lengthPrice = lengthPrice_.data();
    const Relax relax = relaxHere();
    Match* const candidates = candidates_.data();
    cost_.assign(n + 1 + kRelaxSlack, kUnreached);
    choice_.assign(n + 1 + kRelaxSlack, 0);
    cost_[0] = 0;
    std::size_t skipFrom = 0, skipUntil = 0;
    for (std::size_t i = 0; i < n; ++i) {
        const std::uint64_t p = start + i;
        const bool canHash = end_ - p >= tree_.hashBytes();
        if (i < skipUntil) {
            if (canHash && i - skipFrom <= kSkipRecorded && (skipUntil - i) % kSkipStride == 0) tree_.insert(p);
            continue;
        }
        const std::uint32_t here = cost_[i];
        const std::uint8_t byte = data_[p];
        if (here + prices.symbol[byte] < cost_[i + 1]) {
            cost_[i + 1] = here + prices.symbol[byte];
            choice_[i + 1] = step::literal(byte);
        }
        if (!canHash) continue;
        const std::size_t found = tree_.collectAndInsert(p, candidates);
        const unsigned room = static_cast<unsigned>(n - i);
        unsigned shorter = kMinMatch - 1;
        for (std::size_t k = 0; k < found && shorter < room; ++k) {
            const unsigned longest = std::min(candidates[k].length, room);
            const std::uint32_t d = candidates[k].distance - 1;
            const unsigned ps = positionSymbol(d);
            const std::uint32_t distCost = here + prices.position[ps] + (ps > 1 ? ps - 1 : 0);
            relax(cost_.data(), choice_.data(), i, distCost, lengthPrice, step::match(0, candidates[k].distance),
                  shorter + 1, longest);
            // The search resumes where this match reaches (at least
            // kMinMatch on): a nearer position could be reached only through
            // the literals of positions it skipped.
            if (method_.takeLength != 0 && longest >= std::max<std::size_t>(method_.takeLength, kRecheck + kMinMatch)) {
                skipFrom = i;
                skipUntil = i + longest - kRecheck;
            }
            shorter = longest;
        }
    }
    // Walk back from the end, laying the steps down from the back of cost_,
    // which is done with: they end up in order. There are at most n of them,
    // and the walk reads choice_ only.
    std::uint32_t* const steps = cost_.data() + cost_.size();
    std::size_t count = 0;
    for (std::size_t at = n; at > 0; at -= step::length(choice_[at]))
        steps[-static_cast<std::ptrdiff_t>(++count)] = choice_[at];
    return {steps - count, count};
}

}  // namespace lha
