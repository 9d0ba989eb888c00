// RFile's line rules and encodings.
#include <gtest/gtest.h>

#include "support/TestSupport.h"
#include "sysutil/PathRules.h"
#include "sysutil/WRText.h"

namespace {

using testsupport::TempDir;

struct LineCase {
    const char* label;
    std::string bytes;
    std::string text;
};
class RFileLines : public ::testing::TestWithParam<LineCase> {};

TEST_P(RFileLines, JoinsLinesWithCrLf) {
    TempDir d;
    testsupport::writeFile(d.path() / "f.txt", GetParam().bytes);
    sysutil::WRText t;
    t.FileName = d.str("f.txt");
    EXPECT_EQ(t.RFile().value, GetParam().text);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, RFileLines,
    ::testing::Values(LineCase{"two_lines_crlf", "one\r\ntwo\r\n", "one\r\ntwo"},
                      LineCase{"no_final_end", "one\r\ntwo", "one\r\ntwo"},
                      LineCase{"empty_last_line", "one\r\n\r\n", "one\r\n"}, LineCase{"only_crlf", "\r\n", ""},
                      LineCase{"lf_only_is_one_line", "a\nb\n", "a\nb\n"}, LineCase{"cr_only", "a\rb\r", "a\r\nb"},
                      LineCase{"empty", "", ""}, LineCase{"sjis", "\x95\x5c\x8e\xa6\r\n\x83\x5c", "表示\r\nソ"},
                      LineCase{"utf8_bom", "\xEF\xBB\xBF読んでね\r\n", "読んでね"},
                      LineCase{"utf16le_bom", std::string("\xFF\xFE\x68\x88\x0d\x00\x0a\x00\x3a\x79", 10), "表\r\n示"}),
    [](const auto& p) { return std::string(p.param.label); });

TEST(RFile, MissingFolderOrHiddenGivesEmpty) {
    TempDir d;
    testsupport::writeFile(d.path() / ".hidden.txt", "secret");
    testsupport::makeHidden(d.path() / ".hidden.txt");
    sysutil::WRText t;
    testsupport::writeFile(d.path() / "inside.txt", "a file in the folder");
    for (const auto& name :
         {d.str("none.txt"), d.str(), d.str() + std::string(1, sysutil::kSeparator), d.str(".hidden.txt")}) {
        t.FileName = name;
        const auto read = t.RFile();
        EXPECT_TRUE(read.ok()) << name;
        EXPECT_EQ(read.value, "") << name;
    }
}

TEST(RFile, UnreadableFileFailsWithTheCause) {
#if defined(_WIN32)
    GTEST_SKIP() << "file permissions are ACLs on Windows; not staged here";
#endif
    TempDir d;
    testsupport::writeFile(d.path() / "locked.txt", "x");
    std::filesystem::permissions(d.path() / "locked.txt", std::filesystem::perms::none);
    testsupport::AsOrdinaryUser user(d.path());
    sysutil::WRText t;
    t.FileName = d.str("locked.txt");
    const auto read = t.RFile();
    EXPECT_EQ(read.failure.kind, sysutil::FailureKind::ReadFailed);
    EXPECT_EQ(read.failure.code, std::errc::permission_denied);
}

TEST(RFile, BinaryAndHugeFilesAreCappedNotFatal) {
    TempDir d;
    std::string bin = testsupport::randomBytes(1 << 16, 9);
    testsupport::writeFile(d.path() / "b.bin", bin);
    sysutil::WRText t;
    t.FileName = d.str("b.bin");
    EXPECT_FALSE(t.RFile().value.empty());
    EXPECT_FALSE(t.Truncated());
    // A sparse file far past the cap: read up to the cap and say so.
    const auto big = d.path() / "big.txt";
    testsupport::writeFile(big, "x");
    std::filesystem::resize_file(big, 1ull << 30);
    t.FileName = d.str("big.txt");
    const std::string text = t.RFile().value;
    EXPECT_TRUE(t.Truncated());
    EXPECT_LE(text.size(), sysutil::WRText::kMaxReadBytes * 3);
}

// Sizes at the cap and around the reserved room: all of it is read, and
// only a file longer than the cap is said to be cut.
TEST(RFile, ReadsWholeFilesUpToTheCapExactly) {
    TempDir d;
    constexpr auto cap = sysutil::WRText::kMaxReadBytes;
    for (const std::uint64_t size : {std::uint64_t{0}, std::uint64_t{15}, std::uint64_t{16}, std::uint64_t{1} << 20,
                                     (std::uint64_t{1} << 20) + 1, cap, cap + 1}) {
        const auto path = d.path() / "a.txt";
        testsupport::writeFile(path, "");
        std::filesystem::resize_file(path, size);
        sysutil::WRText t;
        t.FileName = d.str("a.txt");
        EXPECT_EQ(t.RFile().value.size(), std::min(size, cap)) << size;
        EXPECT_EQ(t.Truncated(), size > cap) << size;
    }
}

TEST(WFile, WritesAndEmptiesWText) {
    TempDir d;
    sysutil::WRText t;
    t.FileName = d.str("out.txt");
    t.WText = "表示\r\nソース";
    EXPECT_TRUE(t.WFile().ok());
    EXPECT_EQ(t.WText, "");
    EXPECT_EQ(t.RFile().value, "表示\r\nソース");
}

}  // namespace
