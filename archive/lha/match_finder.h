#pragma once
// Hash-chain match finder for the lazy parse, over one piece of input and the
// window before it.
#include <algorithm>
#include <cstdint>
#include <cstring>
#include <vector>

#include "archive/lha/match.h"
#include "archive/lha/method.h"

namespace lha {

class MatchFinder {
public:
    explicit MatchFinder(const Method& method);

    // Starts on a new piece of input, `size` bytes at `data`, forgetting
    // every position recorded before. Positions count from `data`.
    void start(const std::uint8_t* data, std::size_t size) {
        origin_ = nextOrigin(origin_, size_, size, head_);
        data_ = data;
        size_ = size;
    }

    // Bytes a position needs ahead of it to be hashed.
    unsigned hashBytes() const { return hashBytes_; }

    // Records position `pos` (needs hashBytes() bytes available).
    void insert(std::uint64_t pos) { link(pos, hashAt(pos)); }

    // Records the positions [from, to) (each with hashBytes() bytes available).
    void insert(std::uint64_t from, std::uint64_t to) {
        // Locals: the table stores could otherwise alias the members.
        const std::uint8_t* const data = data_;
        std::uint32_t* const head = head_.data();
        std::uint32_t* const prev = prev_.data();
        const std::uint32_t origin = origin_;
        const std::uint32_t mask = mask_;
        const unsigned shift = shift_;
        const std::uint64_t fast = std::min<std::uint64_t>(to, size_ >= 4 ? size_ - 3 : 0);
        for (std::uint64_t pos = from; pos < fast; ++pos) {
            const std::uint32_t h = hashOf(load32be(data + pos) >> shift);
            prev[pos & mask] = head[h];
            head[h] = origin + static_cast<std::uint32_t>(pos);
        }
        for (std::uint64_t pos = std::max(from, fast); pos < to; ++pos) insert(pos);
    }

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
        head_[h] = origin_ + static_cast<std::uint32_t>(pos);
    }
    Match search(std::uint64_t pos, std::uint32_t h, unsigned atLeast) const;

    static std::uint32_t load32be(const std::uint8_t* p) {
        std::uint32_t v;
        std::memcpy(&v, p, 4);
        return __builtin_bswap32(v);
    }
    static std::uint32_t hashOf(std::uint32_t bytes) { return (bytes * 2654435761u) >> (32 - kHashBits); }
    // The first hashBytes bytes at `pos`, big-endian, hashed.
    std::uint32_t hashAt(std::uint64_t pos) const {
        const std::uint8_t* p = data_ + pos;
        if (pos + 4 <= size_) return hashOf(load32be(p) >> shift_);
        return hashOf((std::uint32_t{p[0]} << 16) | (std::uint32_t{p[1]} << 8) | p[2]);  // three bytes, the last
    }

    static constexpr unsigned kHashBits = 16;
    const Method method_;
    const unsigned hashBytes_;
    const unsigned shift_;  // leaves hashBytes_ bytes of four
    const std::uint32_t dictSize_;
    const std::uint32_t mask_;
    std::vector<std::uint32_t> head_;  // origin_ + position (see nextOrigin)
    std::vector<std::uint32_t> prev_;
    const std::uint8_t* data_ = nullptr;
    std::size_t size_ = 0;
    std::uint32_t origin_ = 0;
};

}  // namespace lha
