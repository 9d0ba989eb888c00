#include "archive/lha/match_finder.h"

#include <algorithm>

namespace lha {

MatchFinder::MatchFinder(const Method& method)
    : method_(method),
      hashBytes_(method.hashBytes),
      shift_(32 - 8 * method.hashBytes),
      dictSize_(1u << method.dictBits),
      mask_((1u << method.dictBits) - 1),
      head_(std::size_t{1} << kHashBits, 0),
      prev_(std::size_t{1} << method.dictBits, 0) {}

Match MatchFinder::search(std::uint64_t pos, std::uint32_t h, unsigned atLeast) const {
    // A deferred match that is already good searches a quarter of the chain.
    unsigned chain = atLeast >= method_.goodLength ? method_.maxChain / 4 : method_.maxChain;
    const std::uint64_t available = size_ - pos;
    const unsigned maxLen = static_cast<unsigned>(std::min<std::uint64_t>(kMaxMatch, available));
    if (maxLen < kMinMatch || atLeast >= maxLen || chain == 0) return {};
    unsigned bestLen = std::max(atLeast, kMinMatch - 1);
    std::uint32_t bestValue = 0;
    const std::uint8_t* const cur = data_ + pos;
    // Positions before the window, and values of earlier pieces, lie below.
    const std::uint32_t floor = origin_ + static_cast<std::uint32_t>(pos > dictSize_ ? pos - dictSize_ : 0);
    // The loop keeps few registers: a value is the address of its bytes
    // less `base`, and the tables come in as locals.
    const std::uintptr_t base = reinterpret_cast<std::uintptr_t>(data_) - origin_;
    const auto bytesOf = [base](std::uint32_t value) { return reinterpret_cast<const std::uint8_t*>(base + value); };
    const std::uint32_t* const prev = prev_.data();
    const std::uint32_t mask = mask_;
    // Cheap rejection: a longer match agrees in its first two bytes and in
    // the two that end it.
    const std::uint16_t head = load16(cur);
    std::uint16_t tail = load16(cur + bestLen - 1);
    for (std::uint32_t value = head_[h]; value >= floor; value = prev[value & mask]) {
        const std::uint8_t* const m = bytesOf(value);
        if (load16(m + bestLen - 1) == tail && load16(m) == head) [[unlikely]] {
            const unsigned len = commonLength(m, cur, 2, maxLen);
            if (len > bestLen) {
                bestLen = len;
                bestValue = value;
                if (len >= method_.niceLength || len >= maxLen) break;
                tail = load16(cur + bestLen - 1);
            }
        }
        if (--chain == 0) break;
    }
    if (bestValue == 0) return {};
    return {bestLen, static_cast<std::uint32_t>(cur - bytesOf(bestValue))};
}

}  // namespace lha
