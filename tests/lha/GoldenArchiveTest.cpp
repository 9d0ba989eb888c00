// The encoder's output is fixed: the same input, names and times give the
// same archive bytes on every build (Linux and Windows alike). The golden
// archives in tests/data/golden/ were written by this test with
// FZARC_UPDATE_GOLDEN=1.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

#include "archive/lha/lha_writer.h"
#include "lha/PrintMethod.h"
#include "support/TestSupport.h"

namespace fs = std::filesystem;

namespace {

struct GoldenEntry {
    std::vector<std::string> folders;  // CP932
    std::string name;                  // CP932; empty for a folder
    std::string data;
};

std::vector<GoldenEntry> entries() {
    std::string text;
    for (int i = 0; text.size() < 60000; ++i)
        text += "\x81\x79\x95\x5c\x8e\xa6\x81\x7a\x83\x5c\x81\x5b\x83\x58 " + std::to_string(i * 7 % 131) + "\r\n";
    return {
        {{"\x95\x5c\x8e\xa6"}, "", ""},                                // 表示/
        {{"\x95\x5c\x8e\xa6"}, "\x83\x5c\x81\x5b\x83\x58.txt", text},  // 表示/ソース.txt
        {{}, "random.bin", testsupport::randomBytes(70000, 77)},
        {{}, "empty.txt", ""},
        {{}, std::string(201, 'n'), "a name long enough to move the header size across 256"},
    };
}

std::string writeGolden(const fs::path& dir, const lha::Method& method) {
    const fs::path arc = dir / "golden.lzh";
    fs::remove(arc);
    lha::OutputFile out;
    EXPECT_TRUE(out.createNew(arc));
    lha::LhaWriter writer(out);
    int k = 0;
    for (const auto& e : entries()) {
        lha::EntryHeader h;
        h.folders = e.folders;
        h.name = e.name;
        h.mtime = 1700000000 + k++;
        if (e.name.empty()) {
            EXPECT_TRUE(writer.addDirectory(h));
            continue;
        }
        const fs::path src = dir / ("src" + std::to_string(k));
        testsupport::writeFile(src, e.data);
        lha::InputFile in;
        EXPECT_TRUE(in.open(src));
        EXPECT_TRUE(writer.addFile(h, in, e.data.size(), method, {}));
    }
    EXPECT_TRUE(writer.finish());
    EXPECT_TRUE(out.close());
    return testsupport::readFile(arc);
}

class GoldenArchive : public ::testing::TestWithParam<lha::Method> {};

TEST_P(GoldenArchive, IsByteIdenticalOnEveryBuild) {
    testsupport::TempDir dir;
    const std::string bytes = writeGolden(dir.path(), GetParam());
    const fs::path golden = testsupport::dataFile("golden/" + std::string(GetParam().id.substr(1, 3)) + ".lzh");
    if (std::getenv("FZARC_UPDATE_GOLDEN")) testsupport::writeFile(golden, bytes);
    ASSERT_TRUE(fs::exists(golden)) << golden;
    const std::string want = testsupport::readFile(golden);
    ASSERT_EQ(bytes.size(), want.size());
    EXPECT_TRUE(bytes == want) << "the archive differs from " << golden;
}

INSTANTIATE_TEST_SUITE_P(Methods, GoldenArchive, ::testing::Values(lha::kLh5, lha::kLh6, lha::kLh7),
                         [](const auto& p) { return std::string(p.param.id.substr(1, 3)); });

}  // namespace
