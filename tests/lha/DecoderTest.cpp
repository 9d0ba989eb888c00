// The decoders on streams no parse of ours makes: -lhx- reaching across its
// whole window, and the same stream under a method whose window is smaller.
#include <gtest/gtest.h>

#include "archive/lha/block_writer.h"
#include "archive/lha/crc16.h"
#include "archive/lha/header.h"
#include "archive/lha/lha_reader.h"
#include "support/TestSupport.h"

namespace {

// An archive of one entry whose data is `stream`, under `method`.
std::vector<std::uint8_t> archiveOf(std::string_view method, const std::vector<std::uint8_t>& stream,
                                    const std::string& original) {
    lha::EntryHeader h;
    h.method = method;
    h.name = "far.bin";
    h.compressedSize = static_cast<std::uint32_t>(stream.size());
    h.originalSize = static_cast<std::uint32_t>(original.size());
    h.dataCrc = lha::crc16(0, original.data(), original.size());
    auto bytes = lha::buildLevel2Header(h);
    bytes.insert(bytes.end(), stream.begin(), stream.end());
    bytes.push_back(0);
    return bytes;
}

lha::ReadStatus decode(const std::vector<std::uint8_t>& archive, std::string& out) {
    lha::MemorySource source(archive);
    lha::Reader reader(source);
    std::optional<lha::Entry> e;
    if (auto s = reader.next(e); !s || !e) return s;
    return lha::decodeEntry(source, *e, [&](const std::uint8_t* d, std::size_t n) {
        out.append(reinterpret_cast<const char*>(d), n);
        return true;
    });
}

TEST(LhxDecoder, ReachesAcrossItsWholeWindow) {
    // 700,000 bytes of noise as literals, then matches from 650,000 and
    // 1,000,000 bytes back: beyond every window but -lhx-'s.
    const lha::Format& lhx = *lha::findFormat("-lhx-");
    std::string original = testsupport::randomBytes(1000100, 21);
    std::vector<std::uint8_t> stream;
    lha::BitWriter bits(stream);
    lha::Block block(lhx);
    auto flush = [&] {
        lha::writeBlock(bits, lhx, block);
        block.clear();
    };
    for (const char c : original) {
        block.literal(static_cast<std::uint8_t>(c));
        if (block.full()) flush();
    }
    for (const auto& [distance, length] : {std::pair{650000u, 256u}, std::pair{1000000u, 100u}}) {
        block.match(length, distance);
        original += original.substr(original.size() - distance, length);
    }
    flush();
    bits.flush();

    std::string out;
    const auto s = decode(archiveOf("-lhx-", stream, original), out);
    ASSERT_TRUE(s) << s.detail;
    EXPECT_TRUE(out == original);
    // -lh7-'s 64 KiB window cannot hold that distance: refused, not misread.
    out.clear();
    EXPECT_EQ(decode(archiveOf("-lh7-", stream, original), out).error, lha::ReadError::BadData);
}

// Data cut short at every offset around the reader's 64 KiB buffer and the
// eight bytes before it, and at both ends: whether the header owns up to the
// cut or claims the whole stream, the entry is refused, never read past.
TEST(Decoder, RefusesDataCutAtEveryOffsetAroundItsBuffer) {
    const lha::Format& lh5 = *lha::findFormat("-lh5-");
    const std::string original = testsupport::randomBytes(70000, 5);
    std::vector<std::uint8_t> stream;
    lha::BitWriter bits(stream);
    lha::Block block(lh5);
    for (const char c : original) {
        block.literal(static_cast<std::uint8_t>(c));
        if (block.full()) {
            lha::writeBlock(bits, lh5, block);
            block.clear();
        }
    }
    lha::writeBlock(bits, lh5, block);
    bits.flush();
    ASSERT_GT(stream.size(), 65536u + 64);
    std::string out;
    ASSERT_TRUE(decode(archiveOf("-lh5-", stream, original), out));
    ASSERT_TRUE(out == original);

    std::vector<std::size_t> cuts;
    for (std::size_t c = 0; c <= 24; ++c) cuts.push_back(c);
    for (std::size_t c = 65536 - 24; c <= 65536 + 24; ++c) cuts.push_back(c);
    for (std::size_t c = stream.size() - 24; c < stream.size(); ++c) cuts.push_back(c);
    for (const std::size_t cut : cuts) {
        const std::vector<std::uint8_t> head(stream.begin(), stream.begin() + static_cast<std::ptrdiff_t>(cut));
        std::vector<std::uint8_t> honest = archiveOf("-lh5-", head, original);
        std::vector<std::uint8_t> claiming = archiveOf("-lh5-", stream, original);
        claiming.resize(claiming.size() - 1 - (stream.size() - cut));  // the file ends at the cut
        for (const auto* archive : {&honest, &claiming}) {
            out.clear();
            EXPECT_FALSE(decode(*archive, out)) << "cut at " << cut << (archive == &honest ? "" : ", size claimed");
        }
    }
}

}  // namespace

// The checksum of every entry's data: folded where the processor can and the
// data is long, by tables otherwise and for the tail, always as defined.
TEST(Crc16, AgreesWithTheDefinitionAtEveryLengthAndAlignment) {
    const auto bitwise = [](std::uint16_t crc, const char* p, std::size_t n) {
        for (; n > 0; --n) {
            crc ^= static_cast<std::uint8_t>(*p++);
            for (int k = 0; k < 8; ++k) crc = static_cast<std::uint16_t>(crc & 1 ? (crc >> 1) ^ 0xA001 : crc >> 1);
        }
        return crc;
    };
    EXPECT_EQ(lha::crc16(0, "123456789", 9), 0xBB3D);
    const std::string bytes = testsupport::randomBytes(1200, 7);
    for (std::size_t at = 0; at < 16; ++at)
        for (std::size_t n = 0; at + n <= bytes.size(); n += n < 300 ? 1 : 97)
            for (const std::uint16_t start : {0x0000, 0x1234, 0xFFFF})
                ASSERT_EQ(lha::crc16(start, bytes.data() + at, n), bitwise(start, bytes.data() + at, n))
                    << "from " << at << ", " << n << " bytes";
}

TEST(Crc16, RunsOnAcrossEverySplit) {
    const std::string bytes = testsupport::randomBytes(300, 8);
    for (const std::size_t n : {63, 64, 127, 128, 129, 300})
        for (std::size_t k = 0; k <= n; ++k)
            ASSERT_EQ(lha::crc16(lha::crc16(0x5A5A, bytes.data(), k), bytes.data() + k, n - k),
                      lha::crc16(0x5A5A, bytes.data(), n))
                << n << " bytes split at " << k;
}
