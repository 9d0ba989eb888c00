// Level-2 headers: lengths never end in a zero byte, names survive, CRCs hold.
#include "archive/lha/crc16.h"
#include "archive/lha/header.h"
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

}  // namespace
