#pragma once
// The compression methods of LHA as data: one table says how each is coded,
// the decoders read it, and the encoder adds its search effort to the three
// methods it writes.
#include <bit>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string_view>

namespace lha {

enum class Coding {
    Stored,           // -lh0-, -lz4-, -pm0-
    Directory,        // -lhd-: a folder, no data
    StaticHuffman,    // -lh4- to -lh7-, -lhx-: blocks of static Huffman codes
    AdaptiveHuffman,  // -lh1-: LZSS with an adaptive Huffman code (LHarc)
    DynamicHuffman,   // -lh2-: adaptive codes for lengths and distances, the distances growing with the output
    EarlyStaticHuffman,  // -lh3-: blocks of static Huffman codes in LHA's first layout
    LarcLzs,          // -lzs-: LArc's 2 KiB LZSS, flag bits
    LarcLz5,          // -lz5-: LArc's 4 KiB LZSS, flag bytes
    Pmarc1,           // -pm1-: PMarc's byte runs and copies, bytes coded by their recency
    Pmarc2,           // -pm2-: PMarc's small Huffman codes over recency and copies
};

struct Format {
    std::string_view id;  // the five characters of the header, e.g. "-lh5-"
    Coding coding;
    unsigned dictBits;         // window of 1 << dictBits bytes
    unsigned positionSymbols;  // size of the distance-class alphabet (static Huffman)
    unsigned positionBits;     // bits that carry the distance table's size (static Huffman)

    friend constexpr bool operator==(const Format&, const Format&) = default;
};

// -lh4- is -lh5-'s coding for a 4 KiB window; its distance table can still
// name 8 KiB, so it decodes in -lh5-'s. -lhx- is -lh7-'s coding with a larger
// window (Japanese Windows archiver libraries write it). -pm1- reaches 10,816
// bytes back, in a window of 16 KiB.
inline constexpr Format kFormats[] = {
    {"-lh0-", Coding::Stored, 0, 0, 0},
    {"-lz4-", Coding::Stored, 0, 0, 0},
    {"-pm0-", Coding::Stored, 0, 0, 0},
    {"-lhd-", Coding::Directory, 0, 0, 0},
    {"-lh1-", Coding::AdaptiveHuffman, 12, 0, 0},
    {"-lh2-", Coding::DynamicHuffman, 13, 0, 0},
    {"-lh3-", Coding::EarlyStaticHuffman, 13, 0, 0},
    {"-lh4-", Coding::StaticHuffman, 13, 14, 4},
    {"-lh5-", Coding::StaticHuffman, 13, 14, 4},
    {"-lh6-", Coding::StaticHuffman, 15, 16, 5},
    {"-lh7-", Coding::StaticHuffman, 16, 17, 5},
    {"-lhx-", Coding::StaticHuffman, 20, 21, 5},
    {"-lzs-", Coding::LarcLzs, 11, 0, 0},
    {"-lz5-", Coding::LarcLz5, 12, 0, 0},
    {"-pm1-", Coding::Pmarc1, 14, 0, 0},
    {"-pm2-", Coding::Pmarc2, 13, 0, 0},
};

// The format named by a header's method field; nullptr for one we cannot read.
constexpr const Format* findFormat(std::string_view id) {
    for (const auto& f : kFormats)
        if (f.id == id) return &f;
    return nullptr;
}

struct Method : Format {
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

    friend constexpr bool operator==(const Method&, const Method&) = default;
};

// Tuned on Shift-JIS scenario text (bench/): -lh5- for speed, as the program
// uses it; -lh7- for size. Chains keyed on four bytes hold far fewer
// candidates, and the 3-byte matches they give up seldom pay in a big window.
// In -lh5-'s small window a match of 16 seldom has a longer one a byte on:
// looking for it anyway cost a fourteenth of the time and saved nothing.
inline constexpr Method kLh5{*findFormat("-lh5-"), 80, 96, 16, 12, 3, false, 0};
inline constexpr Method kLh6{*findFormat("-lh6-"), 256, 256, 128, 32, 4, false, 0};
inline constexpr Method kLh7{*findFormat("-lh7-"), 24, 64, 0, 0, 4, true, 32};

// Whether a file is worth compressing: one bigger than kSampledAbove is
// stored unless three samples of it, each parsed quickly in the method's
// window, shrink by at least 1/kSampleSaving. Whether there is anything to
// gain shows long before the method's own parse would find all of it; a
// smaller file is simply compressed.
inline constexpr std::size_t kSampledAbove = 256 * 1024;
inline constexpr std::size_t kSampleSize = 16 * 1024;
inline constexpr unsigned kSampleSaving = 64;  // 1.5%
constexpr Method sampleMethod(const Method& method) {
    Method quick = method;
    quick.maxChain = 8;
    quick.niceLength = 32;
    quick.lazyLength = 16;
    quick.goodLength = 8;
    quick.optimalParse = false;
    return quick;
}

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

// The layout of a static-Huffman block's code-length tables, as both
// directions read and write them.
inline constexpr unsigned kMaxCodeBits = 16;
inline constexpr unsigned kCharBits = 9;      // bits that carry the literal/length table's size
inline constexpr unsigned kTempSymbols = 19;  // 3 run codes + lengths 1..16
inline constexpr unsigned kTempBits = 5;
// Where a small table's 2-bit count of zero lengths follows: after the temp
// table's third entry; the position table has none.
inline constexpr unsigned kTempSkipAfter = 3;
inline constexpr unsigned kNoSkip = 0;  // no entry is numbered 0 once read

// The distance class of a match: how many bits `d` (distance - 1) needs. A
// class above 1 is followed by its class - 1 low bits of d.
constexpr unsigned positionSymbol(std::uint32_t d) {
    return static_cast<unsigned>(std::bit_width(d));
}

}  // namespace lha
