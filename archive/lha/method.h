#pragma once
// The compression methods of LHA as data: one encoder serves them all.
#include <bit>
#include <cstdint>
#include <optional>
#include <string_view>

namespace lha {

struct Method {
    std::string_view id;       // the five characters of the header, e.g. "-lh5-"
    unsigned dictBits;         // window of 1 << dictBits bytes
    unsigned positionSymbols;  // size of the distance-class alphabet (dictBits + 1)
    unsigned positionBits;     // bits that carry the distance table's size
    // Match search effort: chain links followed, and the length that is good
    // enough to stop the search or the lazy look-ahead.
    unsigned maxChain;
    unsigned niceLength;
    unsigned lazyLength;
    unsigned goodLength;  // a deferred match this long searches a quarter of the chain
    unsigned hashBytes;   // bytes that key the match chains (3 or 4)
    // Lazy matching looks one byte ahead; the optimal parse finds the cheapest
    // path through every match of a stretch of input, at a few times the cost.
    // For the optimal parse maxChain bounds the depth of the match tree, and a
    // match of takeLength or more spares the search most of its bytes.
    bool optimalParse;
    unsigned takeLength;
};

// Tuned on Shift-JIS scenario text (bench/): -lh5- for speed, as the program
// uses it; -lh7- for size. Chains keyed on four bytes hold far fewer
// candidates, and the 3-byte matches they give up seldom pay in a big window.
inline constexpr Method kLh5{"-lh5-", 13, 14, 4, 64, 96, 48, 12, 3, false, 0};
inline constexpr Method kLh6{"-lh6-", 15, 16, 5, 256, 256, 128, 32, 4, false, 0};
inline constexpr Method kLh7{"-lh7-", 16, 17, 5, 16, 64, 0, 0, 4, true, 32};

inline constexpr std::string_view kStoredId = "-lh0-";
inline constexpr std::string_view kDirectoryId = "-lhd-";

// Looks a method up by its digit as the switches name it (5, 6 or 7).
inline std::optional<Method> methodByDigit(int digit) {
    switch (digit) {
        case 5:
            return kLh5;
        case 6:
            return kLh6;
        case 7:
            return kLh7;
        default:
            return std::nullopt;
    }
}

inline constexpr unsigned kMinMatch = 3;
inline constexpr unsigned kMaxMatch = 256;
inline constexpr unsigned kCharSymbols = 256 + kMaxMatch - kMinMatch + 1;  // 510
inline constexpr unsigned kMaxBlockSymbols = 65535;

// The distance class of a match: how many bits `d` (distance - 1) needs. A
// class above 1 is followed by its class - 1 low bits of d.
constexpr unsigned positionSymbol(std::uint32_t d) {
    return static_cast<unsigned>(std::bit_width(d));
}

}  // namespace lha
