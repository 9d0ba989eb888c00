// Listing and deleting folder trees, links and odd names included.
#include <gtest/gtest.h>

#include <filesystem>
#include <set>

#include "support/FakeDialogs.h"
#include "support/TestSupport.h"
#include "sysutil/FileAccessDOS.h"
#include "sysutil/PathRules.h"

#if !defined(_WIN32)
#include <unistd.h>
#endif

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
#if defined(_WIN32)
    GTEST_SKIP() << "folder permissions are ACLs on Windows; not staged here";
#endif
    TempDir d;
    fs::create_directories(d.path() / "locked" / "inside");
    fs::permissions(d.path() / "locked", fs::perms::none);
    testsupport::AsOrdinaryUser user(d.path());
    sysutil::FileAccessDOS dos;
    EXPECT_EQ(dos.SerchSubDirectory(d.str()), d.str("locked"));
    fs::permissions(d.path() / "locked", fs::perms::owner_all);
}

TEST(SerchSubDirectory, ServesEventsWhileWaiting) {
    TempDir d;
    for (int i = 0; i < 300; ++i) fs::create_directories(d.path() / std::to_string(i) / "x" / "y");
    struct Counting : fakes::FakeDialogs {
        int served = 0;
        void serveEvents() override { ++served; }
    } dialogs;
    sysutil::FileAccessDOS dos(&dialogs);
    EXPECT_EQ(split(dos.SerchSubDirectory(d.str())).size(), 900u);
    EXPECT_GE(dialogs.served, 1);
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

TEST(DelTree, NoKeepsEverythingAndAMissingFolderIsAskedAllTheSame) {
    TempDir d;
    fs::create_directories(d.path() / "victim");
    fakes::FakeDialogs dialogs;
    dialogs.answers = {sysutil::MsgAnswer::No};
    sysutil::FileAccessDOS dos(&dialogs);
    EXPECT_TRUE(dos.DelTree(d.str("victim"), false).empty());
    EXPECT_TRUE(fs::exists(d.path() / "victim"));
    EXPECT_TRUE(dos.DelTree(d.str("missing"), false).empty());
    EXPECT_EQ(dialogs.asked.size(), 2u);
    EXPECT_TRUE(dos.DelTree(d.str("victim"), true).empty());
    EXPECT_FALSE(fs::exists(d.path() / "victim"));
    EXPECT_EQ(dialogs.asked.size(), 2u);
}

#if !defined(_WIN32)
// Write-protected parts go too, as the owner may make them writable; what
// cannot go is named, and the scenario's summary stays, so it stays listed.
TEST(DelTree, WriteProtectedPartsGoAndWhatRemainsIsNamed) {
    TempDir d;
    const fs::path scenario = d.path() / "Castle";
    for (const char* f : {"Summary.tsm", "save/slot1.dat", "locked/deep/x.dat", "sealed/y.dat"})
        testsupport::writeFile(scenario / f, "x");
    fs::permissions(scenario / "locked" / "deep", fs::perms::owner_read | fs::perms::owner_exec);
    fs::permissions(scenario / "locked", fs::perms::none);
    std::vector<std::string> remains;
    const bool root = testsupport::runningAsRoot();
    {
        testsupport::AsOrdinaryUser user(d.path());
        if (root) {
            // Root's own folder inside: beyond what the ordinary user may change.
            seteuid(0);
            fs::permissions(scenario / "sealed", fs::perms::owner_all | fs::perms::group_read | fs::perms::group_exec |
                                                     fs::perms::others_read | fs::perms::others_exec);
            EXPECT_EQ(lchown((scenario / "sealed").c_str(), 0, 0), 0);
            EXPECT_EQ(seteuid(65534), 0);
        } else {
            fs::remove_all(scenario / "sealed");  // nothing here the user cannot change
        }
        sysutil::FileAccessDOS dos;
        remains = dos.DelTree(sysutil::utf8FromPath(scenario), true);
    }
    EXPECT_FALSE(fs::exists(scenario / "locked"));
    EXPECT_FALSE(fs::exists(scenario / "save"));
    if (root) {
        EXPECT_EQ(remains, (std::vector<std::string>{sysutil::utf8FromPath(scenario / "sealed" / "y.dat"),
                                                     sysutil::utf8FromPath(scenario / "Summary.tsm")}));
        EXPECT_TRUE(fs::exists(scenario / "Summary.tsm"));
    } else {
        EXPECT_TRUE(remains.empty());
        EXPECT_FALSE(fs::exists(scenario));
    }
}
#endif

}  // namespace
