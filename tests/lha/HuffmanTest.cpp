// Code lengths the decoders accept: at most 16 bits and exactly complete.
#include <gtest/gtest.h>

#include <numeric>

#include "archive/lha/huffman.h"

namespace {

std::uint64_t kraftSum(const std::vector<std::uint8_t>& lengths) {
    std::uint64_t sum = 0;
    for (auto l : lengths)
        if (l) sum += std::uint64_t{1} << (16 - l);
    return sum;
}

struct FreqCase {
    const char* label;
    std::vector<std::uint32_t> freq;
};

std::vector<FreqCase> cases() {
    std::vector<std::uint32_t> fib(40);
    fib[0] = fib[1] = 1;
    for (std::size_t i = 2; i < fib.size(); ++i) fib[i] = fib[i - 1] + fib[i - 2];
    std::vector<std::uint32_t> wide(510, 1);
    wide[0] = 65000;
    std::vector<std::uint32_t> pair{0, 0, 5, 0, 9};
    std::vector<std::uint32_t> flat(19, 3);
    return {{"fibonacci", fib}, {"one_dominant", wide}, {"two_used", pair}, {"flat", flat}};
}

class HuffmanLengths : public ::testing::TestWithParam<FreqCase> {};

TEST_P(HuffmanLengths, AreLimitedAndComplete) {
    const auto& c = GetParam();
    const auto len = lha::limitedCodeLengths(c.freq, 16);
    for (std::size_t s = 0; s < len.size(); ++s) {
        EXPECT_LE(len[s], 16);
        EXPECT_EQ(len[s] == 0, c.freq[s] == 0) << "symbol " << s;
    }
    EXPECT_EQ(kraftSum(len), 1u << 16);
    // More frequent symbols never get longer codes.
    for (std::size_t a = 0; a < len.size(); ++a)
        for (std::size_t b = 0; b < len.size(); ++b)
            if (c.freq[a] > c.freq[b] && c.freq[b] > 0) {
                EXPECT_LE(len[a], len[b]);
            }
}

INSTANTIATE_TEST_SUITE_P(Frequencies, HuffmanLengths, ::testing::ValuesIn(cases()),
                         [](const auto& p) { return std::string(p.param.label); });

TEST(HuffmanLengths, FewerThanTwoSymbolsGetNoCodes) {
    std::vector<std::uint32_t> one(10, 0);
    one[4] = 100;
    const auto len = lha::limitedCodeLengths(one, 16);
    EXPECT_TRUE(std::all_of(len.begin(), len.end(), [](auto l) { return l == 0; }));
}

TEST(CanonicalCodes, ArePrefixFree) {
    const std::vector<std::uint8_t> len{2, 1, 3, 3, 0};
    const auto code = lha::canonicalCodes(len);
    EXPECT_EQ(code[1], 0b0);
    EXPECT_EQ(code[0], 0b10);
    EXPECT_EQ(code[2], 0b110);
    EXPECT_EQ(code[3], 0b111);
}

}  // namespace
