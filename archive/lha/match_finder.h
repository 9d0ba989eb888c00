#pragma once
// Hash-chain match finder over a sliding window. Positions are absolute offsets
// into the input stream, so the tables never need rebasing when the buffer slides.
#include <cstdint>
#include <cstring>
#include <vector>

#include "archive/lha/method.h"

namespace lha {

struct Match {
    unsigned length = 0;
    std::uint32_t distance = 0;  // 1-based: 1 means the byte just before
};

class MatchFinder {
public:
    explicit MatchFinder(const Method& method);

    // `window` points at absolute position `base`; bytes up to `limit` (absolute) are valid.
    void setWindow(const std::uint8_t* window, std::uint64_t base, std::uint64_t limit) {
        window_ = window;
        base_ = base;
        limit_ = limit;
    }

    // Records position `pos` (needs kMinMatch bytes available).
    void insert(std::uint64_t pos) {
        const std::uint32_t h = hashAt(pos);
        prev_[pos & mask_] = head_[h];
        head_[h] = static_cast<std::uint32_t>(pos + 1);
    }

    // Longest match at `pos` longer than `atLeast`, searching the chain first
    // (call before insert(pos)).
    Match find(std::uint64_t pos, unsigned atLeast) const;

private:
    std::uint32_t hashAt(std::uint64_t pos) const {
        const std::uint8_t* p = window_ + (pos - base_);
        const std::uint32_t v = (std::uint32_t{p[0]} << 16) | (std::uint32_t{p[1]} << 8) | p[2];
        return (v * 2654435761u) >> (32 - kHashBits);
    }

    static constexpr unsigned kHashBits = 16;
    const Method method_;
    const std::uint32_t dictSize_;
    const std::uint32_t mask_;
    std::vector<std::uint32_t> head_;  // absolute position + 1, 0 when empty
    std::vector<std::uint32_t> prev_;
    const std::uint8_t* window_ = nullptr;
    std::uint64_t base_ = 0;
    std::uint64_t limit_ = 0;
};

}  // namespace lha
