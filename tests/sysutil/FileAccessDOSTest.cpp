// Listing and deleting folder trees, links and odd names included.
#include <gtest/gtest.h>

#include <filesystem>
#include <set>

#include "support/FakeDialogs.h"
#include "support/TestSupport.h"
#include "sysutil/FileAccessDOS.h"

namespace fs = std::filesystem;

namespace {

using testsupport::TempDir;

std::set<std::string> split(const std::string& joined) {
    std::set<std::string> out;
    std::size_t start = 0;
    while (!joined.empty() && start <= joined.size()) {
        const auto bar = joined.find('|', start);
        out.insert(joined.substr(start, bar == std::string::npos ? std::string::npos : bar - start));
        if (bar == std::string::npos) break;
        start = bar + 1;
    }
    return out;
}

TEST(SerchSubDirectory, ListsEveryFolderAtAnyDepth) {
    TempDir d;
    fs::create_directories(d.path() / "a" / "b c" / testsupport::u8("深い"));
    fs::create_directories(d.path() / ".hidden" / "inner");
    fs::create_directories(d.path() / "empty");
    testsupport::writeFile(d.path() / "a" / "file.txt", "x");
    sysutil::FileAccessDOS dos;
    const auto got = split(dos.SerchSubDirectory(d.str()));
    const std::set<std::string> want{d.str("a"),       d.str("a/b c"),         d.str("a/b c/深い"),
                                     d.str(".hidden"), d.str(".hidden/inner"), d.str("empty")};
    EXPECT_EQ(got, want);
}

TEST(SerchSubDirectory, NothingBelowGivesEmptyText) {
    TempDir d;
    sysutil::FileAccessDOS dos;
    EXPECT_EQ(dos.SerchSubDirectory(d.str()), "");
    EXPECT_EQ(dos.SerchSubDirectory(d.str("missing")), "");
}

TEST(SerchSubDirectory, LinkLoopDoesNotHang) {
    TempDir d;
    fs::create_directories(d.path() / "a");
    if (!testsupport::tryDirectorySymlink(d.path(), d.path() / "a" / "loop"))
        GTEST_SKIP() << "this platform made no folder link here";
    sysutil::FileAccessDOS dos;
    const auto got = split(dos.SerchSubDirectory(d.str()));
    EXPECT_EQ(got, (std::set<std::string>{d.str("a"), d.str("a/loop")}));
}

TEST(SerchSubDirectory, UnreadableSubfolderIsSkipped) {
    if (testsupport::runningAsRoot()) GTEST_SKIP() << "root reads every folder; permission denial cannot be tested";
#if defined(_WIN32)
    GTEST_SKIP() << "folder permissions are ACLs on Windows; not staged here";
#endif
    TempDir d;
    fs::create_directories(d.path() / "locked" / "inside");
    fs::permissions(d.path() / "locked", fs::perms::none);
    sysutil::FileAccessDOS dos;
    EXPECT_EQ(dos.SerchSubDirectory(d.str()), d.str("locked"));
    fs::permissions(d.path() / "locked", fs::perms::owner_all);
}

TEST(SerchSubDirectory, ServesEventsWhileWaiting) {
    TempDir d;
    for (int i = 0; i < 300; ++i) fs::create_directories(d.path() / std::to_string(i) / "x" / "y");
    int pumped = 0;
    sysutil::FileAccessDOS dos(nullptr, [&] { ++pumped; });
    EXPECT_EQ(split(dos.SerchSubDirectory(d.str())).size(), 900u);
    EXPECT_GE(pumped, 1);
}

TEST(DelTree, RemovesTheTreeButNotWhatLinksPointAt) {
    TempDir d;
    fs::create_directories(d.path() / "outside");
    testsupport::writeFile(d.path() / "outside" / "keep.txt", "precious");
    fs::create_directories(d.path() / "victim" / "sub");
    testsupport::writeFile(d.path() / "victim" / "sub" / "f.txt", "x");
    if (!testsupport::tryDirectorySymlink(d.path() / "outside", d.path() / "victim" / "link"))
        GTEST_SKIP() << "this platform made no folder link here";
    fakes::FakeDialogs dialogs;
    dialogs.answers = {sysutil::MsgAnswer::Yes};
    sysutil::FileAccessDOS dos(&dialogs);
    dos.DelTree(d.str("victim"), false);
    EXPECT_FALSE(fs::exists(d.path() / "victim"));
    EXPECT_EQ(testsupport::readFile(d.path() / "outside" / "keep.txt"), "precious");
    ASSERT_EQ(dialogs.asked.size(), 1u);
    EXPECT_EQ(dialogs.asked[0].text, "本当によろしいですか？");
    EXPECT_EQ(dialogs.asked[0].icon, sysutil::MsgIcon::Exclamation);
    EXPECT_EQ(dialogs.asked[0].defaultButton, sysutil::MsgAnswer::No);
}

TEST(DelTree, NoKeepsEverythingAndAMissingFolderSaysNothing) {
    TempDir d;
    fs::create_directories(d.path() / "victim");
    fakes::FakeDialogs dialogs;
    dialogs.answers = {sysutil::MsgAnswer::No};
    sysutil::FileAccessDOS dos(&dialogs);
    dos.DelTree(d.str("victim"), false);
    EXPECT_TRUE(fs::exists(d.path() / "victim"));
    dos.DelTree(d.str("missing"), false);
    EXPECT_EQ(dialogs.asked.size(), 1u);
    dos.DelTree(d.str("victim"), true);
    EXPECT_FALSE(fs::exists(d.path() / "victim"));
    EXPECT_EQ(dialogs.asked.size(), 1u);
}

}  // namespace
