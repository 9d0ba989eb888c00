#pragma once
// Hash-chain match finder over a sliding window, for the lazy parse. Positions
// are absolute offsets into the input stream, so the tables never need
// rebasing when the buffer slides.
#include <algorithm>
#include <cstdint>
#include <vector>

#include "archive/lha/match.h"
#include "archive/lha/method.h"

namespace lha {

class MatchFinder {
public:
    explicit MatchFinder(const Method& method);

    // `window` points at absolute position `base`; bytes up to `limit` (absolute) are valid.
    void setWindow(const std::uint8_t* window, std::uint64_t base, std::uint64_t limit) {
        window_ = window;
        base_ = base;
        limit_ = limit;
    }

    // Forgets every position, for a new piece of input.
    void reset() { std::fill(head_.begin(), head_.end(), 0); }

    // Bytes a position needs ahead of it to be hashed.
    unsigned hashBytes() const { return hashBytes_; }

    // Records position `pos` (needs hashBytes() bytes available).
    void insert(std::uint64_t pos) { link(pos, hashAt(pos)); }

    // Longest match at `pos` longer than `atLeast`; records `pos` afterwards.
    Match findAndInsert(std::uint64_t pos, unsigned atLeast) {
        const std::uint32_t h = hashAt(pos);
        const Match m = search(pos, h, atLeast);
        link(pos, h);
        return m;
    }

private:
    void link(std::uint64_t pos, std::uint32_t h) {
        prev_[pos & mask_] = head_[h];
        head_[h] = static_cast<std::uint32_t>(pos + 1);
    }
    Match search(std::uint64_t pos, std::uint32_t h, unsigned atLeast) const;

    std::uint32_t hashAt(std::uint64_t pos) const {
        const std::uint8_t* p = window_ + (pos - base_);
        std::uint32_t v = (std::uint32_t{p[0]} << 16) | (std::uint32_t{p[1]} << 8) | p[2];
        if (hashBytes_ == 4) v = (v << 8) | p[3];
        return (v * 2654435761u) >> (32 - kHashBits);
    }

    static constexpr unsigned kHashBits = 16;
    const Method method_;
    const unsigned hashBytes_;
    const std::uint32_t dictSize_;
    const std::uint32_t mask_;
    std::vector<std::uint32_t> head_;  // absolute position + 1, 0 when empty
    std::vector<std::uint32_t> prev_;
    const std::uint8_t* window_ = nullptr;
    std::uint64_t base_ = 0;
    std::uint64_t limit_ = 0;
};

}  // namespace lha
