// Archives from another archiver (jlha, levels 0, 1 and 2, CP932 names) read right.
#include "archive/ArchiveTestUtil.h"

using testsupport::TempDir;

namespace {

class ForeignArchives : public ::testing::TestWithParam<const char*> {};

TEST_P(ForeignArchives, ExtractWithTheirJapaneseNames) {
    const auto arc = testsupport::dataFile(std::string("jlha/") + GetParam());
    ASSERT_TRUE(std::filesystem::exists(arc)) << arc;
    EXPECT_TRUE(archiver::checkArchive(sysutil::utf8FromPath(arc), {}).ok());
    TempDir d;
    const auto r = archivetest::unpack(arc, d.path() / "out");
    ASSERT_TRUE(r.ok()) << r.message;
    auto want = archivetest::readTree(testsupport::dataFile("jlha/expected"));
    auto got = archivetest::readTree(d.path() / "out");
    EXPECT_EQ(archivetest::treeDifference(got, want), "");
}

INSTANTIATE_TEST_SUITE_P(Levels, ForeignArchives, ::testing::Values("level0.lzh", "level1.lzh", "level2.lzh"),
                         [](const auto& p) { return std::string(p.param).substr(0, 6); });

}  // namespace
