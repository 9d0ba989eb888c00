// Every method, through our writer and back through libarchive, byte for byte.
#include <algorithm>
#include <functional>
#include <random>

#include "archive/lha/lzh_encoder.h"
#include "lha/LhaTestUtil.h"

namespace {

using testsupport::sjisText;
using testsupport::TempDir;

struct DataCase {
    const char* label;
    std::function<std::string()> make;
};

// Frequencies along the Fibonacci series force Huffman depths far past 16 bits.
std::string fibonacciSkew() {
    std::string s;
    std::uint64_t a = 1, b = 1;
    for (int sym = 0; sym < 26; ++sym) {
        s.append(static_cast<std::size_t>(a), static_cast<char>('A' + sym));
        const auto c = a + b;
        a = b;
        b = c;
    }
    // Shuffle deterministically so runs do not all become matches.
    std::mt19937 gen(7);
    std::shuffle(s.begin(), s.end(), gen);
    return s;
}

// A pattern that repeats at exactly the window's distance.
std::string farMatch(std::size_t window) {
    std::string unique = testsupport::randomBytes(window, 11);
    return unique + unique.substr(0, 300) + testsupport::randomBytes(1000, 12);
}

const std::vector<DataCase>& dataCases() {
    static const std::vector<DataCase> cases = {
        {"empty", [] { return std::string(); }},
        {"one_byte", [] { return std::string("Z"); }},
        {"repeated_1MiB", [] { return std::string(1 << 20, 'a'); }},
        {"random_1MiB", [] { return testsupport::randomBytes(1 << 20, 1); }},
        {"sjis_text", [] { return sjisText(300000); }},
        {"window_8k_minus1", [] { return sjisText(8191); }},
        {"window_8k", [] { return sjisText(8192); }},
        {"window_8k_plus1", [] { return sjisText(8193); }},
        {"window_64k_plus1", [] { return sjisText(65537); }},
        {"far_match_8k", [] { return farMatch(8192); }},
        {"far_match_32k", [] { return farMatch(32768); }},
        {"far_match_64k", [] { return farMatch(65536); }},
        {"longest_matches", [] { return std::string("xy") + std::string(5000, 'q') + "xy" + std::string(5000, 'q'); }},
        {"skewed_frequencies", fibonacciSkew},
        {"many_symbols",
         [] {  // > 65,535 symbols: several blocks of literals
             std::string s = testsupport::randomBytes(200000, 3);
             for (auto& c : s) c = static_cast<char>('a' + (static_cast<unsigned char>(c) % 4));
             return s;
         }},
        {"two_symbols",
         [] {
             std::string s;
             for (int i = 0; i < 70000; ++i) s += (i * 7919 % 13 < 6) ? 'a' : 'b';
             return s;
         }},
        // Found by the fuzzer: two byte values, no repeats, so every written
        // code length is the same (the length table's one-symbol form).
        {"fuzz_equal_code_lengths", [] { return std::string("\0\0\0\1\0\1\0\0", 8); }},
        {"fuzz_equal_code_lengths_2", [] { return std::string("\0\0\1\0\1\1\0\0\0", 9); }},
        {"text_then_noise", [] { return sjisText(100000) + testsupport::randomBytes(100000, 5); }},
    };
    return cases;
}

class RoundTrip : public ::testing::TestWithParam<std::tuple<lha::Method, std::size_t>> {};

TEST_P(RoundTrip, ReadsBackByteForByte) {
    const auto& [method, index] = GetParam();
    const auto& c = dataCases()[index];
    const std::string data = c.make();
    TempDir dir;
    std::string stored;
    const auto arc = lhatest::writeSingleFile(dir, data, method, "data.bin", &stored);
    const auto entries = lhatest::readBack(arc);
    ASSERT_EQ(entries.size(), 1u);
    EXPECT_EQ(entries[0].name, "data.bin");
    EXPECT_TRUE(entries[0].data == data) << c.label << " differs after the round trip";
    if (data.size() < 64) return;
    // Compressible input must really be compressed, incompressible stored. A
    // repeat beyond the method's window is out of its reach: noise to it.
    const std::string label = c.label;
    if (label.starts_with("far_match")) {
        const std::size_t window = std::stoul(label.substr(10)) * 1024;
        if (window > (std::size_t{1} << method.dictBits)) return;
    }
    EXPECT_EQ(stored, label.starts_with("random") ? "-lh0-" : std::string(method.id)) << label;
}

INSTANTIATE_TEST_SUITE_P(AllMethods, RoundTrip,
                         ::testing::Combine(::testing::Values(lha::kLh5, lha::kLh6, lha::kLh7),
                                            ::testing::Range<std::size_t>(0, dataCases().size())),
                         [](const auto& p) {
                             return std::string(std::get<0>(p.param).id.substr(1, 3)) + "_" +
                                    dataCases()[std::get<1>(p.param)].label;
                         });

class RoundTripLarge : public ::testing::TestWithParam<lha::Method> {};

TEST_P(RoundTripLarge, FileLargerThanEveryBufferStaysIntact) {
    // 3 MiB of mixed content crosses several pieces, window slides and output flushes.
    std::string data;
    for (int i = 0; i < 12; ++i) data += sjisText(200000 + i) + testsupport::randomBytes(60000, 100 + i);
    TempDir dir;
    const auto arc = lhatest::writeSingleFile(dir, data, GetParam());
    const auto entries = lhatest::readBack(arc);
    ASSERT_EQ(entries.size(), 1u);
    EXPECT_TRUE(entries[0].data == data);
    EXPECT_LT(std::filesystem::file_size(arc), data.size());
}

TEST_P(RoundTripLarge, RepeatsReachBackAcrossPieces) {
    // Right where the second piece begins, 2,000 bytes of noise repeat from a
    // whole window back: a piece must see the window before it. Against the
    // same file with fresh noise there, the repeat must cost next to nothing.
    // (Text around it keeps the file worth compressing.)
    const lha::Method& method = GetParam();
    const std::size_t window = std::size_t{1} << method.dictBits;
    const std::size_t size = 2 * lha::LzhEncoder::wholeLimit(method) + 1000;
    const std::size_t boundary = lha::LzhEncoder::pieceLength(size, method);
    std::string base;
    for (unsigned seed = 300; base.size() < size; ++seed)
        base += sjisText(8000) + testsupport::randomBytes(40000, seed);
    base.resize(size);
    std::uintmax_t sizes[2];
    for (const bool repeat : {false, true}) {
        std::string data = base;
        data.replace(boundary, 2000, repeat ? base.substr(boundary - window, 2000) : testsupport::randomBytes(2000, 9));
        TempDir dir;
        const auto arc = lhatest::writeSingleFile(dir, data, method);
        const auto entries = lhatest::readBack(arc);
        ASSERT_EQ(entries.size(), 1u);
        EXPECT_TRUE(entries[0].data == data);
        sizes[repeat] = std::filesystem::file_size(arc);
    }
    EXPECT_LT(sizes[1], sizes[0] - 1900) << method.id;
}

TEST_P(RoundTripLarge, SizesAroundAPieceBoundary) {
    // Up to wholeLimit a file is one piece; one byte more makes two pieces,
    // and an odd size leaves the last one a byte short.
    const lha::Method& method = GetParam();
    const std::size_t whole = lha::LzhEncoder::wholeLimit(method);
    const std::string text = sjisText(2 * whole + 1);
    for (const std::size_t size : {whole - 1, whole, whole + 1, whole + 2, 2 * whole + 1}) {
        const std::string data = text.substr(0, size);
        TempDir dir;
        const auto entries = lhatest::readBack(lhatest::writeSingleFile(dir, data, method));
        ASSERT_EQ(entries.size(), 1u);
        EXPECT_TRUE(entries[0].data == data) << method.id << " " << size;
    }
}

INSTANTIATE_TEST_SUITE_P(AllMethods, RoundTripLarge, ::testing::Values(lha::kLh5, lha::kLh6, lha::kLh7),
                         [](const auto& p) { return std::string(p.param.id.substr(1, 3)); });

}  // namespace
