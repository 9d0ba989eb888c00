#pragma once
// Binary-tree match finder for the optimal parse. Each hash bucket holds the
// window's positions as a binary search tree ordered by the bytes that follow
// them, newest at the root; one walk down the tree both reports the matches at
// a position and re-roots the tree there. Against hash chains it reaches the
// longest match after visiting far fewer candidates, and it never compares a
// prefix twice: every node below a turn shares the bytes already compared.
#include <cstdint>
#include <memory>
#include <vector>

#include "archive/lha/match.h"
#include "archive/lha/method.h"

namespace lha {

class MatchTree {
public:
    explicit MatchTree(const Method& method);

    // Starts on a new piece of input, `size` bytes at `data`, forgetting
    // every position recorded before. Positions count from `data`.
    void start(const std::uint8_t* data, std::size_t size) {
        origin_ = nextOrigin(origin_, size_, size, head_);
        data_ = data;
        size_ = size;
    }

    // Bytes a position needs ahead of it to be hashed.
    static constexpr unsigned hashBytes() { return kHashBytes; }

    // Nodes a walk visits at most, and so the most matches it reports.
    unsigned depth() const { return depth_; }

    // Every match that is longer than all before it, shortest and nearest
    // first, into `out` (room for depth() of them); records `pos`. A match
    // that reaches the method's nice length is the last one and is measured
    // out to the longest possible length.
    std::size_t collectAndInsert(std::uint64_t pos, Match* out) { return walk<true>(pos, out); }

    // Records `pos` only (inside a match the parse has already chosen).
    void insert(std::uint64_t pos) { walk<false>(pos, nullptr); }

private:
    template <bool kCollect>
    std::size_t walk(std::uint64_t pos, Match* out);
    std::uint32_t hashAt(const std::uint8_t* p) const {
        std::uint32_t v = (std::uint32_t{p[0]} << 24) | (std::uint32_t{p[1]} << 16) | (std::uint32_t{p[2]} << 8) | p[3];
        return (v * 2654435761u) >> (32 - kHashBits);
    }
    // The two children of a recorded value's node: [0] sorts below it, [1]
    // above. Origins are aligned, so the value masked is its position masked.
    std::uint32_t* children(std::uint32_t value) { return &sons_[2 * static_cast<std::size_t>(value & mask_)]; }

    static constexpr unsigned kHashBytes = 4;
    static constexpr unsigned kHashBits = 16;
    const unsigned niceLength_;
    const unsigned depth_;  // nodes visited at most per walk
    const std::uint32_t dictSize_;
    // Node slots for two windows, so that a node a whole window back never
    // shares its slot with the position being inserted.
    const std::uint32_t mask_;
    std::vector<std::uint32_t> head_;  // origin_ + position (see nextOrigin)
    // Same encoding, two per slot. Left uninitialised: a node's children are
    // written when it is recorded, and only nodes of this piece are visited.
    std::unique_ptr<std::uint32_t[]> sons_;
    const std::uint8_t* data_ = nullptr;
    std::size_t size_ = 0;
    std::uint32_t origin_ = 0;
};

}  // namespace lha
