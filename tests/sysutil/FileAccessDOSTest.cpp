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

// A folder is passed over by the board's refresh only when it was read whole
// without the name: anything named so (any case, any kind) or unread keeps it.
TEST(SubDirectories, NoteTheFoldersThatMayHoldAName) {
    TempDir d;
    testsupport::writeFile(d.path() / "exact" / "Summary.tsm", "t");
    testsupport::writeFile(d.path() / "upper" / "SUMMARY.TSM", "t");
    fs::create_directories(d.path() / "folder" / "Summary.tsm");
    testsupport::writeFile(d.path() / "other" / "Summary.txt", "t");
    fs::create_directories(d.path() / "empty");
    testsupport::writeFile(d.path() / "target" / "Summary.tsm", "t");
    const bool linked = testsupport::tryDirectorySymlink(d.path() / "target", d.path() / "linked");
    sysutil::FileAccessDOS dos;
    const auto got = dos.SubDirectories(d.str(), "Summary.tsm");
    ASSERT_EQ(got.paths.size(), got.mayHoldNoted.size());
    std::set<std::string> noted;
    for (std::size_t i = 0; i < got.paths.size(); ++i)
        if (got.mayHoldNoted[i]) noted.insert(got.paths[i]);
    std::set<std::string> want{d.str("exact"), d.str("upper"), d.str("folder"), d.str("target")};
    if (linked) want.insert(d.str("linked"));  // not read: what lies behind the link is not ours
    EXPECT_EQ(noted, want);
    EXPECT_EQ(got.paths, dos.SubDirectories(d.str()));
}

TEST(SubDirectories, ReachTheBottomOfADeepTree) {
    TempDir d;
    fs::path deep = d.path();
    std::string rel;
    for (int level = 0; level < 80; ++level) {
        deep /= "d";
        rel += rel.empty() ? "d" : "/d";
    }
    fs::create_directories(deep);
    testsupport::writeFile(deep / "summary.tsm", "t");
    sysutil::FileAccessDOS dos;
    const auto got = dos.SubDirectories(d.str(), "Summary.tsm");
    ASSERT_EQ(got.paths.size(), 80u);
    EXPECT_EQ(got.paths.back(), d.str(rel));
    EXPECT_TRUE(got.mayHoldNoted.back());
    EXPECT_FALSE(got.mayHoldNoted.front());
}

#if !defined(_WIN32)
TEST(SubDirectories, AnUnreadableFolderMayHoldTheName) {
    TempDir d;
    testsupport::writeFile(d.path() / "locked" / "Summary.tsm", "t");
    fs::permissions(d.path() / "locked", fs::perms::owner_exec);  // searchable, not listable
    testsupport::AsOrdinaryUser user(d.path());
    sysutil::FileAccessDOS dos;
    const auto got = dos.SubDirectories(d.str(), "Summary.tsm");
    fs::permissions(d.path() / "locked", fs::perms::owner_all);
    ASSERT_EQ(got.paths, std::vector<std::string>{d.str("locked")});
    EXPECT_TRUE(got.mayHoldNoted[0]);
}
#endif

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
    EXPECT_TRUE(dos.DelTree(d.str("victim"), false).ok());
    EXPECT_TRUE(fs::exists(d.path() / "victim"));
    EXPECT_TRUE(dos.DelTree(d.str("missing"), false).ok());
    EXPECT_EQ(dialogs.asked.size(), 2u);
    EXPECT_TRUE(dos.DelTree(d.str("victim"), true).ok());
    EXPECT_FALSE(fs::exists(d.path() / "victim"));
    EXPECT_EQ(dialogs.asked.size(), 2u);
}

#if !defined(_WIN32)
// Write-protected parts go too, as the owner may make them writable; what
// cannot go is named with why, and the scenario's summary stays, so it stays
// listed.
TEST(DelTree, WriteProtectedPartsGoAndWhatRemainsIsNamed) {
    TempDir d;
    const fs::path scenario = d.path() / "Castle";
    for (const char* f : {"Summary.tsm", "save/slot1.dat", "locked/deep/x.dat", "sealed/y.dat"})
        testsupport::writeFile(scenario / f, "x");
    fs::permissions(scenario / "locked" / "deep", fs::perms::owner_read | fs::perms::owner_exec);
    fs::permissions(scenario / "locked", fs::perms::none);
    sysutil::Failure remains;
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
        EXPECT_EQ(remains.names, (std::vector<std::string>{sysutil::utf8FromPath(scenario / "sealed" / "y.dat"),
                                                           sysutil::utf8FromPath(scenario / "Summary.tsm")}));
        EXPECT_EQ(remains.code, std::errc::permission_denied);
        EXPECT_NE(remains.detail.find("アクセスが拒否されました"), std::string::npos) << remains.detail;
        EXPECT_TRUE(fs::exists(scenario / "Summary.tsm"));
    } else {
        EXPECT_TRUE(remains.ok());
        EXPECT_FALSE(fs::exists(scenario));
    }
}
#endif

}  // namespace
