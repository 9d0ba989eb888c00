// Level-2 headers: lengths never end in a zero byte, names survive, CRCs hold;
// and the search for a self-extractor's archive reads no header over and over.
#include <cstring>
#include <optional>

#include "archive/lha/crc16.h"
#include "archive/lha/header.h"
#include "archive/lha/lha_reader.h"
#include "lha/LhaTestUtil.h"

namespace {

TEST(Crc16, MatchesTheArcCheckValue) {
    // CRC-16/ARC of "123456789" is 0xBB3D.
    EXPECT_EQ(lha::crc16(0, "123456789", 9), 0xBB3D);
    // Split input gives the same result as whole input.
    EXPECT_EQ(lha::crc16(lha::crc16(0, "12345", 5), "6789", 4), 0xBB3D);
}

TEST(Level2Header, LengthNeverHasALowZeroByte) {
    // Vary the name length across two full turns of the low byte.
    for (std::size_t n = 1; n < 520; ++n) {
        lha::EntryHeader h;
        h.method = "-lh5-";
        h.name = std::string(n, 'n');
        const auto bytes = lha::buildLevel2Header(h);
        const std::size_t declared = bytes[0] | (bytes[1] << 8);
        ASSERT_EQ(declared, bytes.size());
        ASSERT_NE(bytes[0], 0) << "name length " << n;
    }
}

TEST(Level2Header, HeaderCrcCoversTheWholeHeader) {
    lha::EntryHeader h;
    h.method = "-lh5-";
    h.name = "Summary.tsm";
    h.folders = {"a", "b"};
    auto bytes = lha::buildLevel2Header(h);
    // The common extension (type 0) follows the fixed part; zero its CRC and recompute.
    ASSERT_EQ(bytes[26], 0x00);
    const std::uint16_t stored = static_cast<std::uint16_t>(bytes[27] | (bytes[28] << 8));
    bytes[27] = bytes[28] = 0;
    EXPECT_EQ(lha::crc16(0, bytes.data(), bytes.size()), stored);
}

TEST(Level2Header, LongNamesReadBackAtEveryLength) {
    // Lengths around the point where the header size's low byte would be 0.
    testsupport::TempDir dir;
    for (std::size_t n : {200u, 201u, 202u, 203u, 204u, 205u}) {
        const std::string name(n, 'x');
        const auto arc = lhatest::writeSingleFile(dir, "content", lha::kLh5, name);
        const auto entries = lhatest::readBack(arc);
        ASSERT_EQ(entries.size(), 1u);
        EXPECT_EQ(entries[0].name, name);
        EXPECT_EQ(entries[0].data, "content");
    }
}

// Counts the bytes a reader asks for.
class CountingSource : public lha::MemorySource {
public:
    using MemorySource::MemorySource;
    std::size_t readAt(std::uint64_t offset, void* buffer, std::size_t count) override {
        read += count;
        return MemorySource::readAt(offset, buffer, count);
    }
    std::uint64_t read = 0;
};

void put16(std::vector<std::uint8_t>& v, std::size_t at, std::size_t x) {
    v[at] = static_cast<std::uint8_t>(x);
    v[at + 1] = static_cast<std::uint8_t>(x >> 8);
}

// A program full of level-1 headers, 32 bytes apart, whose extension chains
// all join and run on to `end`, far past the part of the file the search
// keeps at hand: each header looks whole, and each reaches over the next.
std::vector<std::uint8_t> overlappingHeaders(std::size_t headers, std::size_t end) {
    constexpr std::size_t kApart = 32, kBase = 27, kFirst = 32;
    std::vector<std::uint8_t> f(end + 64, 0x90);
    const std::size_t last = kFirst + (headers - 1) * kApart;
    for (std::size_t i = 0; i < headers; ++i) {
        const std::size_t p = kFirst + i * kApart;
        std::uint8_t* h = f.data() + p;
        std::memcpy(h + 2, "-lh0-", 5);
        const auto packed = static_cast<std::uint32_t>(end - p - kBase);  // the extensions, no data
        for (int b = 0; b < 4; ++b) h[7 + b] = static_cast<std::uint8_t>(packed >> (8 * b));
        std::memset(h + 11, 0, 8);
        h[15 + 2] = 0x21;  // a date with a month and a day
        h[19] = 0x20;
        h[20] = 1;  // level 1
        h[21] = 0;  // no name
        h[22] = h[23] = 0;
        h[24] = 'M';
        put16(f, p + 25, p == last ? 0xFFF0 : kApart);  // the first extension's size
        h[0] = kBase - 2;
        unsigned sum = 0;
        for (std::size_t k = 2; k < kBase; ++k) sum += h[k];
        h[1] = static_cast<std::uint8_t>(sum);
        if (p != last) f[p + kBase] = 0x3F;  // a comment, over the next header
    }
    // Comments of 0xFFF0 bytes from the last header on, up to `end`.
    std::size_t at = last + kBase;
    while (at + 0xFFF0 < end) {
        f[at] = 0x3F;
        put16(f, at + 0xFFF0 - 2, at + 2 * 0xFFF0 < end ? 0xFFF0 : 0);
        at += 0xFFF0;
    }
    return f;
}

TEST(SelfExtractorSearch, ReadsEachHeaderAFewTimesAtMost) {
    // The search keeps the first 320 KiB; the chains run on for 600 KiB more.
    const auto file = overlappingHeaders(128, 960 * 1024);
    CountingSource source(file);
    lha::Reader reader(source);
    std::optional<lha::Entry> e;
    (void)reader.next(e);
    // Read again from every header, the chains came to 150 MiB.
    EXPECT_LT(source.read, 2 * file.size() + (10u << 20));
}

}  // namespace
