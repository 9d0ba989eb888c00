#pragma once
// The compression methods of LHA as data: one encoder serves them all.
#include <cstdint>
#include <optional>
#include <string_view>

namespace lha {

struct Method {
    std::string_view id;        // the five characters of the header, e.g. "-lh5-"
    unsigned dictBits;          // window of 1 << dictBits bytes
    unsigned positionSymbols;   // size of the distance-class alphabet (dictBits + 1)
    unsigned positionBits;      // bits that carry the distance table's size
    // Match search effort: chain links followed, and the length that is good
    // enough to stop the search or the lazy look-ahead.
    unsigned maxChain;
    unsigned niceLength;
    unsigned lazyLength;
};

inline constexpr Method kLh5{"-lh5-", 13, 14, 4, 24, 64, 24};
inline constexpr Method kLh6{"-lh6-", 15, 16, 5, 48, 128, 48};
inline constexpr Method kLh7{"-lh7-", 16, 17, 5, 96, 256, 96};

inline constexpr std::string_view kStoredId = "-lh0-";
inline constexpr std::string_view kDirectoryId = "-lhd-";

// Looks a method up by its digit as the switches name it (5, 6 or 7).
inline std::optional<Method> methodByDigit(int digit) {
    switch (digit) {
    case 5: return kLh5;
    case 6: return kLh6;
    case 7: return kLh7;
    default: return std::nullopt;
    }
}

inline constexpr unsigned kMinMatch = 3;
inline constexpr unsigned kMaxMatch = 256;
inline constexpr unsigned kCharSymbols = 256 + kMaxMatch - kMinMatch + 1;  // 510
inline constexpr unsigned kMaxBlockSymbols = 65535;

}  // namespace lha
