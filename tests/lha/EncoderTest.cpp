// What the encoder writes must not depend on how the input was handed over
// or how the worker threads ran: a file alone, and a whole archive of small
// files compressed side by side.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "archive/lha/lzh_encoder.h"
#include "lha/LhaTestUtil.h"

namespace {

std::vector<std::uint8_t> encode(const std::string& data, const lha::Method& method, std::size_t writeSize) {
    std::vector<std::uint8_t> out;
    lha::LzhEncoder enc(
        method, [&](const std::uint8_t* d, std::size_t n) { out.insert(out.end(), d, d + n); }, data.size());
    const auto* bytes = reinterpret_cast<const std::uint8_t*>(data.data());
    for (std::size_t at = 0; at < data.size(); at += writeSize)
        enc.write(bytes + at, std::min(writeSize, data.size() - at));
    enc.finish();
    EXPECT_EQ(enc.bytesIn(), data.size());
    EXPECT_EQ(enc.bytesOut(), out.size());
    return out;
}

class Encoder : public ::testing::TestWithParam<lha::Method> {};

TEST_P(Encoder, OutputDoesNotDependOnWritesOrThreads) {
    // Four pieces, coded two at a time, each after the window before it and
    // with the prices of the piece two before.
    std::string data;
    for (int i = 0; data.size() <= 2 * lha::LzhEncoder::maxPiece(GetParam()); ++i)
        data += testsupport::sjisText(450000 + i) + testsupport::randomBytes(20000, 200 + i);
    const auto whole = encode(data, GetParam(), data.size());
    EXPECT_LT(whole.size(), data.size() / 2);
    for (int run = 0; run < 2; ++run) EXPECT_EQ(encode(data, GetParam(), data.size()), whole) << "run " << run;
    EXPECT_EQ(encode(data, GetParam(), 7777), whole);
    // Byte by byte across a piece boundary.
    const std::string two = data.substr(0, lha::LzhEncoder::wholeLimit(GetParam()) + 5000);
    EXPECT_EQ(encode(two, GetParam(), 1), encode(two, GetParam(), two.size()));
}

// Small files of text and noise, an empty one, folders between them, and
// files on either side of one piece: the first is compressed whole by one
// worker, the second in pieces on both.
std::vector<lhatest::ReadEntry> mixedEntries(const lha::Method& method) {
    const std::size_t piece = lha::LzhEncoder::wholeLimit(method);
    // The same text at shifted places: a worker that remembered the positions
    // of a file it compressed before would find other matches.
    auto text = [](int i, std::size_t n) { return testsupport::randomBytes(37 * i, i) + testsupport::sjisText(n); };
    std::vector<lhatest::ReadEntry> entries;
    for (int i = 0; i < 40; ++i) {
        const std::string name = "f" + std::to_string(i);
        if (i % 10 == 3) entries.push_back({"d" + std::to_string(i), "", true});
        if (i == 7)
            entries.push_back({name, "", false});
        else if (i == 20 || i == 21)
            entries.push_back({name, testsupport::sjisText(piece + i - 20), false});
        else if (i % 3 == 0)
            entries.push_back({name, testsupport::randomBytes(100 + 997 * i, i), false});
        else
            entries.push_back({name, text(i, 50 + 1511 * i), false});
    }
    return entries;
}

std::string writeArchive(const testsupport::TempDir& dir, const std::vector<lhatest::ReadEntry>& entries,
                         const lha::Method& method, unsigned threads) {
    const auto arc = dir.path() / "mixed.lzh";
    std::filesystem::remove(arc);
    lha::OutputFile out;
    EXPECT_TRUE(out.createNew(arc));
    {
        lha::LhaWriter writer(out, threads);
        for (const auto& e : entries) {
            lha::EntryHeader h;
            h.mtime = 1700000000;
            if (e.isFolder) {
                h.folders = {e.name};
                EXPECT_TRUE(writer.addDirectory(h));
                continue;
            }
            h.name = e.name;
            testsupport::writeFile(dir.path() / "src", e.data);
            lha::InputFile in;
            EXPECT_TRUE(in.open(dir.path() / "src"));
            EXPECT_TRUE(writer.addFile(h, in, e.data.size(), method, {}));
        }
        EXPECT_TRUE(writer.finish());
    }
    EXPECT_TRUE(out.close(false));
    return testsupport::readFile(arc);
}

TEST_P(Encoder, ArchiveOfManyFilesDoesNotDependOnTheWorkers) {
    const auto entries = mixedEntries(GetParam());
    testsupport::TempDir dir;
    const std::string inPlace = writeArchive(dir, entries, GetParam(), 0);
    for (unsigned threads : {1u, 2u, 2u, 2u}) EXPECT_TRUE(writeArchive(dir, entries, GetParam(), threads) == inPlace);

    const auto back = lhatest::readBack(dir.path() / "mixed.lzh");
    ASSERT_EQ(back.size(), entries.size());
    for (std::size_t i = 0; i < entries.size(); ++i) {
        EXPECT_EQ(back[i].isFolder, entries[i].isFolder) << i;
        EXPECT_TRUE(back[i].data == entries[i].data) << entries[i].name;
    }
}

TEST(LhaWriter, AbandonedWithFilesStillBeingCompressed) {
    // Stopped between two files, as a cancel or a failure stops it: the
    // writer goes with work in flight and must neither hang nor crash.
    testsupport::TempDir dir;
    testsupport::writeFile(dir.path() / "src", testsupport::sjisText(300000));
    for (const unsigned threads : {0u, 2u}) {
        lha::OutputFile out;
        ASSERT_TRUE(out.createNew(dir.path() / ("t" + std::to_string(threads) + ".lzh")));
        lha::LhaWriter writer(out, threads);
        for (int i = 0; i < 5; ++i) {
            lha::InputFile in;
            ASSERT_TRUE(in.open(dir.path() / "src"));
            lha::EntryHeader h;
            h.name = "f" + std::to_string(i);
            EXPECT_TRUE(writer.addFile(h, in, 300000, lha::kLh7, {}));
        }
    }
}

INSTANTIATE_TEST_SUITE_P(AllMethods, Encoder, ::testing::Values(lha::kLh5, lha::kLh6, lha::kLh7),
                         [](const auto& p) { return std::string(p.param.id.substr(1, 3)); });

}  // namespace
