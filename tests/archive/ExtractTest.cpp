// Put away then take out, through real files: names, bytes, times, merging,
// and failures that must leave nothing behind.
#include <chrono>
#include <functional>
#include <stdexcept>
#include <utility>

#if !defined(_WIN32)
#include <fcntl.h>
#include <sched.h>
#include <signal.h>
#include <sys/fsuid.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#endif

#include "archive/ArchiveBuilder.h"
#include "archive/ArchiveReader.h"
#include "archive/ArchiveTestUtil.h"
#include "archive/Archiver.h"
#include "archive/WorkFolders.h"
#include "lha/PrintMethod.h"
#include "sysutil/Processes.h"
#include "sysutil/WorkFolder.h"

namespace fs = std::filesystem;
using archivetest::q;
using archivetest::Tree;
using testsupport::TempDir;

namespace {

const Tree kScenario = {
    {"Summary.tsm", "title=古城\r\n"},
    {"読んでね.txt", "\x95\x5c\x8e\xa6\x83\x5c\x81\x5b\x83\x58\r\n"},
    {"表示/ソース/能力.txt", std::string(5000, 'x')},
    {"data/random.bin", testsupport::randomBytes(200000, 4)},
    {"data/empty.dat", ""},
    {"empty folder/", ""},
    {"a/b/c/d/e/f/g/deep.txt", "deep"},
    {"emoji 😀.txt", "outside CP932"},
    // CP932 holds these, but reads them back as other characters ("～", "－"),
    // and a decomposed か + ゛ (as macOS stores it) would come back composed.
    {"波〜線.txt", "wave dash"},
    {"マイナス−.txt", "minus sign"},
    {"か\xE3\x82\x99.txt", "decomposed"},
};

class PutAwayTakeOut : public ::testing::TestWithParam<const char*> {};

TEST_P(PutAwayTakeOut, RestoresTheFolderExactly) {
    TempDir d;
    archivetest::makeTree(d.path() / "Castle", kScenario);
    const auto arc = d.path() / "Castle.LZH";
    auto r = archivetest::pack(arc, d.path() / "Castle", *lha::methodByDigit(GetParam()[2] - '0'));
    ASSERT_TRUE(r.ok()) << r.message;
    EXPECT_TRUE(archiver::checkArchive(sysutil::utf8FromPath(arc), {}).ok());
    r = archiver::testArchive(sysutil::utf8FromPath(arc), {});
    EXPECT_TRUE(r.ok()) << r.message;
    fs::create_directories(d.path() / "board");
    r = archivetest::unpack(arc, d.path() / "board" / "Castle");
    ASSERT_TRUE(r.ok()) << r.message;
    EXPECT_EQ(archivetest::treeDifference(archivetest::readTree(d.path() / "board" / "Castle"),
                                          archivetest::readTree(d.path() / "Castle")),
              "");
    // Nothing but the destination appeared on the board: no staging left over.
    EXPECT_EQ(std::distance(fs::directory_iterator(d.path() / "board"), fs::directory_iterator()), 1);
}

INSTANTIATE_TEST_SUITE_P(Methods, PutAwayTakeOut, ::testing::Values("-o5", "-o6", "-o7"),
                         [](const auto& p) { return std::string(p.param + 1); });

TEST(TakeOut, RestoresModificationTimes) {
    TempDir d;
    archivetest::makeTree(d.path() / "src", {{"old.txt", "x"}});
    const auto when = fs::file_time_type::clock::now() - std::chrono::hours(24 * 400);
    fs::last_write_time(d.path() / "src" / "old.txt", when);
    ASSERT_TRUE(archivetest::pack(d.path() / "t.lzh", d.path() / "src").ok());
    ASSERT_TRUE(archivetest::unpack(d.path() / "t.lzh", d.path() / "out").ok());
    const auto got = fs::last_write_time(d.path() / "out" / "old.txt");
    EXPECT_LT(std::chrono::abs(got - when), std::chrono::seconds(1));
}

// Enough data that the disk starts writing it while later entries are still
// being decoded (on a second thread): every byte still comes out right.
TEST(TakeOut, ManyMegabytesComeOutWhole) {
    TempDir d;
    std::string text;
    for (int i = 0; text.size() < (9u << 20); ++i) text += "scenario line " + std::to_string(i % 7919) + "\r\n";
    archivetest::makeTree(d.path() / "src", {{"a.txt", text}, {"b/c.txt", text.substr(0, 3u << 20)}, {"d.txt", "d"}});
    ASSERT_TRUE(archivetest::pack(d.path() / "t.lzh", d.path() / "src").ok());
    const auto r = archivetest::unpack(d.path() / "t.lzh", d.path() / "out");
    ASSERT_TRUE(r.ok()) << r.message;
    EXPECT_EQ(
        archivetest::treeDifference(archivetest::readTree(d.path() / "out"), archivetest::readTree(d.path() / "src")),
        "");
}

TEST(TakeOut, ReplacesSameNamedFilesAndLeavesTheRest) {
    TempDir d;
    archivetest::makeTree(d.path() / "src", {{"Summary.tsm", "new"}, {"sub/a.txt", "new a"}});
    ASSERT_TRUE(archivetest::pack(d.path() / "t.lzh", d.path() / "src").ok());
    archivetest::makeTree(
        d.path() / "dest",
        {{"SUMMARY.TSM", "old"}, {"sub/A.TXT", "old a"}, {"mine.txt", "keep"}, {"sub/b.txt", "keep b"}});
    const auto r = archivetest::unpack(d.path() / "t.lzh", d.path() / "dest");
    ASSERT_TRUE(r.ok()) << r.message;
    EXPECT_EQ(archivetest::readTree(d.path() / "dest"), (Tree{{"Summary.tsm", "new"},
                                                              {"sub/", ""},
                                                              {"sub/a.txt", "new a"},
                                                              {"mine.txt", "keep"},
                                                              {"sub/b.txt", "keep b"}}));
}

TEST(TakeOut, FileWhereAFolderStandsIsRefusedBeforeAnythingMoves) {
    TempDir d;
    archivetest::makeTree(d.path() / "src", {{"a.txt", "new"}, {"clash", "file in the archive"}});
    ASSERT_TRUE(archivetest::pack(d.path() / "t.lzh", d.path() / "src").ok());
    archivetest::makeTree(d.path() / "dest", {{"a.txt", "old"}, {"clash/inside.txt", "keep"}});
    const auto before = archivetest::readTree(d.path() / "dest");
    EXPECT_FALSE(archivetest::unpack(d.path() / "t.lzh", d.path() / "dest").ok());
    EXPECT_EQ(archivetest::readTree(d.path() / "dest"), before);
}

TEST(TakeOut, MakesTheDestinationButNeverTheFoldersAboveIt) {
    TempDir d;
    archivetest::makeTree(d.path() / "src", {{"a.txt", "a"}});
    ASSERT_TRUE(archivetest::pack(d.path() / "t.lzh", d.path() / "src").ok());
    const auto r = archivetest::unpack(d.path() / "t.lzh", d.path() / "no" / "engine" / "Castle");
    EXPECT_FALSE(r.ok());
    EXPECT_FALSE(fs::exists(d.path() / "no"));
}

// Stopped half-way by a cancel or by an error thrown from the progress report.
class TakeOutStopped : public ::testing::TestWithParam<bool> {};

TEST_P(TakeOutStopped, LeavesNothingBehind) {
    const bool throws = GetParam();
    TempDir d;
    archivetest::makeTree(d.path() / "src", {{"a.bin", testsupport::randomBytes(3 << 20, 1)}, {"b.txt", "b"}});
    ASSERT_TRUE(archivetest::pack(d.path() / "t.lzh", d.path() / "src").ok());
    int calls = 0;
    fs::create_directories(d.path() / "board");
    const auto r =
        archiver::extractArchive(sysutil::utf8FromPath(d.path() / "t.lzh"),
                                 sysutil::utf8FromPath(d.path() / "board" / "t"), [&](const sysutil::ProgressInfo&) {
                                     if (++calls < 3) return true;
                                     if (throws) throw std::runtime_error("report failed");
                                     return false;
                                 });
    EXPECT_EQ(r.error, throws ? archiver::ArchiveError::WriteFailed : archiver::ArchiveError::Cancelled);
    EXPECT_TRUE(archivetest::readTree(d.path() / "board").empty());
}

INSTANTIATE_TEST_SUITE_P(CancelOrThrow, TakeOutStopped, ::testing::Bool(),
                         [](const auto& p) { return std::string(p.param ? "throws" : "cancelled"); });

TEST(PutAway, NeverOverwritesAndLeavesNoPartialArchive) {
    TempDir d;
    archivetest::makeTree(d.path() / "src", {{"a.bin", testsupport::randomBytes(3 << 20, 2)}});
    testsupport::writeFile(d.path() / "fridge" / "t.lzh", "precious");
    auto r = archivetest::pack(d.path() / "fridge" / "t.lzh", d.path() / "src");
    EXPECT_EQ(r.error, archiver::ArchiveError::AlreadyExists);
    EXPECT_EQ(testsupport::readFile(d.path() / "fridge" / "t.lzh"), "precious");
    // Cancelled half-way: no archive and no temporary file in the fridge.
    int calls = 0;
    r = archiver::createArchive(sysutil::utf8FromPath(d.path() / "fridge" / "new.lzh"),
                                sysutil::utf8FromPath(d.path() / "src"), lha::kLh5,
                                [&](const sysutil::ProgressInfo&) { return ++calls < 4; });
    EXPECT_EQ(r.error, archiver::ArchiveError::Cancelled);
    EXPECT_EQ(archivetest::readTree(d.path() / "fridge"), (Tree{{"t.lzh", "precious"}}));
}

// Stopped half-way through a big compressible file, by a cancel or by an
// error thrown from the progress report, while pieces of it are still being
// parsed: no archive, no temporary file, and nothing hangs.
class PutAwayStopped : public ::testing::TestWithParam<std::tuple<lha::Method, bool>> {};

TEST_P(PutAwayStopped, LeavesTheFridgeAsItWas) {
    const auto& [method, throws] = GetParam();
    TempDir d;
    std::string text;
    for (int i = 0; text.size() < (5u << 20); ++i) text += "scenario line " + std::to_string(i % 9973) + "\r\n";
    archivetest::makeTree(d.path() / "src", {{"big.txt", text}});
    fs::create_directories(d.path() / "fridge");
    int calls = 0;
    const auto r =
        archiver::createArchive(sysutil::utf8FromPath(d.path() / "fridge" / "new.lzh"),
                                sysutil::utf8FromPath(d.path() / "src"), method, [&](const sysutil::ProgressInfo& p) {
                                    if (p.bytesDone < (3u << 20)) return true;
                                    if (throws) throw std::runtime_error("report failed");
                                    return ++calls > 1000;
                                });
    EXPECT_EQ(r.error, throws ? archiver::ArchiveError::WriteFailed : archiver::ArchiveError::Cancelled);
    EXPECT_TRUE(archivetest::readTree(d.path() / "fridge").empty());
}

INSTANTIATE_TEST_SUITE_P(Methods, PutAwayStopped,
                         ::testing::Combine(::testing::Values(lha::kLh5, lha::kLh7), ::testing::Bool()),
                         [](const auto& p) {
                             return std::string(std::get<0>(p.param).id.substr(1, 3)) +
                                    (std::get<1>(p.param) ? "_throws" : "_cancelled");
                         });

TEST(PutAway, ProgressCountsEntriesAndBytes) {
    TempDir d;
    archivetest::makeTree(d.path() / "src", {{"a.txt", std::string(100000, 'a')}, {"sub/b.txt", "bb"}});
    sysutil::ProgressInfo last;
    const auto r =
        archiver::createArchive(sysutil::utf8FromPath(d.path() / "t.lzh"), sysutil::utf8FromPath(d.path() / "src"),
                                lha::kLh5, [&](const sysutil::ProgressInfo& p) {
                                    last = p;
                                    return true;
                                });
    ASSERT_TRUE(r.ok());
    EXPECT_EQ(last.entriesTotal, 3u);
    EXPECT_EQ(last.entriesDone, 3u);
    EXPECT_EQ(last.bytesTotal, 100002u);
    EXPECT_EQ(last.bytesDone, 100002u);
}

TEST(CheckArchive, AnswersOnlyForExtractableLhaArchives) {
    TempDir d;
    testsupport::writeFile(d.path() / "text.lzh", "just some text, not an archive at all");
    testsupport::writeFile(d.path() / "empty.lzh", "");
    archivetest::makeTree(d.path() / "src", {{"a.txt", "a"}});
    ASSERT_TRUE(archivetest::pack(d.path() / "ok.lzh", d.path() / "src").ok());
    for (const char* name : {"text.lzh", "empty.lzh", "missing.lzh", "ok.lzh"})
        EXPECT_EQ(archiver::checkArchive(d.str(name), {}).ok(), std::string(name) == "ok.lzh") << name;
    EXPECT_EQ(archiver::Unlha32Archiver().getVersion(), 100);
}

TEST(ListArchive, ShowsNamesSizesAndFolders) {
    TempDir d;
    archivetest::makeTree(d.path() / "src", {{"表示/ソ.txt", "12345"}});
    ASSERT_TRUE(archivetest::pack(d.path() / "t.lzh", d.path() / "src").ok());
    const std::string out = archivetest::listing(d.path() / "t.lzh");
    EXPECT_NE(out.find("表示/\n"), std::string::npos) << out;
    EXPECT_NE(out.find("5  "), std::string::npos) << out;
    EXPECT_NE(out.find("表示/ソ.txt\n"), std::string::npos) << out;
}

#if !defined(_WIN32)
// A take out into an existing folder whose last move fails (into a folder
// made read-only) puts back every file it replaced. Some folders cannot say
// which files a move replaces: one the user may write to but not list, one
// holding two names Windows takes for one. Refused before anything moves.
struct HardMerge {
    const char* label;
    Tree archive;
    Tree folder;
    std::function<void(const fs::path&)> prepare;
};
void PrintTo(const HardMerge& m, std::ostream* os) {
    *os << m.label;
}
class HardMerges : public ::testing::TestWithParam<HardMerge> {};

TEST_P(HardMerges, FailWithTheFolderAsItWas) {
    TempDir d;
    Tree archive = GetParam().archive;
    archive["zz/new.txt"] = "n";
    archivetest::makeTree(d.path() / "src", archive);
    ASSERT_TRUE(archivetest::pack(d.path() / "t.lzh", d.path() / "src").ok());
    const fs::path castle = d.path() / "Castle";
    archivetest::makeTree(castle, GetParam().folder);
    archivetest::makeTree(castle, {{"Summary.tsm", "t"}, {"zz/keep.txt", "k"}});
    const Tree before = archivetest::readTree(castle);
    GetParam().prepare(castle);
    fs::permissions(castle / "zz", fs::perms::owner_read | fs::perms::owner_exec);
    archiver::ArchiveResult r;
    {
        testsupport::AsOrdinaryUser user(d.path());
        r = archiver::extractArchive(sysutil::utf8FromPath(d.path() / "t.lzh"), sysutil::utf8FromPath(castle), {});
    }
    testsupport::run("chmod -R u+rwx " + q(castle));
    EXPECT_FALSE(r.ok());
    EXPECT_EQ(archivetest::treeDifference(archivetest::readTree(castle), before), "");
}

INSTANTIATE_TEST_SUITE_P(Folders, HardMerges,
                         ::testing::Values(HardMerge{"not_listable",
                                                     {{"sub/save.dat", "new"}},
                                                     {{"sub/save.dat", "old"}},
                                                     [](const fs::path& at) {
                                                         fs::permissions(at / "sub", fs::perms::owner_write |
                                                                                         fs::perms::owner_exec);
                                                     }},
                                           HardMerge{"two_names_windows_takes_for_one",
                                                     {{"a.txt", "new"}},
                                                     {{"a.txt", "old a"}, {"A.txt", "old A"}},
                                                     [](const fs::path&) {}}),
                         [](const auto& p) { return std::string(p.param.label); });

// A folder 450 levels deep: deeper than any path the system takes whole.
void makeDeepTree(const fs::path& root, int levels) {
    fs::create_directories(root);
    int fd = open(root.c_str(), O_RDONLY | O_DIRECTORY);
    for (int i = 0; i < levels && fd >= 0; ++i) {
        mkdirat(fd, "level-deep", 0755);
        const int next = openat(fd, "level-deep", O_RDONLY | O_DIRECTORY);
        close(fd);
        fd = next;
    }
    const int file = openat(fd, "bottom.txt", O_WRONLY | O_CREAT, 0644);
    EXPECT_GE(file, 0);
    EXPECT_EQ(write(file, "x", 1), 1);
    close(file);
    close(fd);
}

// A put away that cannot read all of its folder must not make an archive
// that silently lacks part of it: it fails, names the folder, leaves nothing.
struct Unreadable {
    const char* label;
    std::function<void(const fs::path& src)> spoil;
    const char* named;  // what the message names
};

class PutAwayUnreadable : public ::testing::TestWithParam<Unreadable> {};

TEST_P(PutAwayUnreadable, FailsNamingTheFolderAndLeavesNoArchive) {
    TempDir d;
    archivetest::makeTree(d.path() / "src", {{"Summary.tsm", "t"}, {"save/slot1.dat", "s"}});
    fs::create_directories(d.path() / "fridge");
    GetParam().spoil(d.path() / "src");
    archiver::ArchiveResult r;
    {
        testsupport::AsOrdinaryUser user(d.path());
        r = archiver::createArchive(sysutil::utf8FromPath(d.path() / "fridge" / "t.lzh"), d.str("src"), lha::kLh5, {});
    }
    EXPECT_FALSE(r.ok());
    EXPECT_NE(r.message.find(GetParam().named), std::string::npos) << r.message;
    EXPECT_TRUE(fs::is_empty(d.path() / "fridge"));
    testsupport::run("chmod -R u+rwx " + q(d.path()) + " && rm -rf " + q(d.path() / "src"));
}

INSTANTIATE_TEST_SUITE_P(
    Walks, PutAwayUnreadable,
    ::testing::Values(Unreadable{"unreadable_subfolder",
                                 [](const fs::path& src) { fs::permissions(src / "save", fs::perms::none); },
                                 "save」を読み込めません"},
                      Unreadable{"deeper_than_the_path_limit",
                                 [](const fs::path& src) { makeDeepTree(src / "deep", 450); }, "名前が長すぎます"}),
    [](const auto& p) { return std::string(p.param.label); });

// A take out into an existing folder that fails half-way leaves the folder
// exactly as it was: the files it had replaced come back, the new ones go.
TEST(TakeOut, FailingIntoAnExistingFolderLeavesItAsItWas) {
    TempDir d;
    archivetest::makeTree(d.path() / "src",
                          {{"Summary.tsm", "new"}, {"a.txt", "new a"}, {"locked/z.txt", "new z"}, {"b/new.txt", "n"}});
    ASSERT_TRUE(archivetest::pack(d.path() / "t.lzh", d.path() / "src").ok());
    archivetest::makeTree(d.path() / "dest",
                          {{"SUMMARY.TSM", "old"}, {"A.TXT", "old a"}, {"locked/z.txt", "old z"}, {"mine.txt", "m"}});
    fs::permissions(d.path() / "dest" / "locked", fs::perms::owner_read | fs::perms::owner_exec);
    const auto before = archivetest::readTree(d.path() / "dest");
    archiver::ArchiveResult r;
    {
        testsupport::AsOrdinaryUser user(d.path());
        r = archiver::extractArchive(sysutil::utf8FromPath(d.path() / "t.lzh"), d.str("dest"), {});
    }
    EXPECT_FALSE(r.ok());
    // The cause of the first failure, not what the clean-up after it said.
    EXPECT_NE(r.message.find("z.txt\r\nアクセスが拒否されました"), std::string::npos) << r.message;
    EXPECT_EQ(archivetest::readTree(d.path() / "dest"), before);
    fs::permissions(d.path() / "dest" / "locked", fs::perms::owner_all);
}

// The destination on a file system of its own (a mount point): renames from
// a staging folder beside it would cross file systems. One that reports no
// size at all (ramfs, as FUSE file systems may) is not taken for full.
class OwnFileSystem : public ::testing::TestWithParam<const char*> {};

TEST_P(OwnFileSystem, TakesOutIntoItsMountPointAndANewFolderOnIt) {
    TempDir d;
    archivetest::makeTree(d.path() / "src", {{"Summary.tsm", "new"}, {"a.txt", "new a"}});
    ASSERT_TRUE(archivetest::pack(d.path() / "t.lzh", d.path() / "src").ok());
    const fs::path dest = d.path() / "dest";
    fs::create_directories(dest);
    // A mount of this test process's own, gone with it.
    if (unshare(CLONE_NEWNS) != 0 || mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0 ||
        mount(GetParam(), dest.c_str(), GetParam(), 0, std::string(GetParam()) == "tmpfs" ? "size=8m" : nullptr) != 0)
        GTEST_SKIP() << "no mount namespace here (needs root)";
    archivetest::makeTree(dest, {{"SUMMARY.TSM", "old"}, {"mine.txt", "m"}});
    auto r = archiver::extractArchive(sysutil::utf8FromPath(d.path() / "t.lzh"), d.str("dest"), {});
    ASSERT_TRUE(r.ok()) << r.message;
    r = archiver::extractArchive(sysutil::utf8FromPath(d.path() / "t.lzh"), d.str("dest/New"), {});
    ASSERT_TRUE(r.ok()) << r.message;
    EXPECT_EQ(archivetest::readTree(dest), (Tree{{"Summary.tsm", "new"},
                                                 {"a.txt", "new a"},
                                                 {"mine.txt", "m"},
                                                 {"New/", ""},
                                                 {"New/Summary.tsm", "new"},
                                                 {"New/a.txt", "new a"}}));
    umount(dest.c_str());
}

INSTANTIATE_TEST_SUITE_P(TakeOut, OwnFileSystem, ::testing::Values("tmpfs", "ramfs"),
                         [](const auto& p) { return std::string(p.param); });

// What a killed run left behind (a work folder named exactly as FZARC names
// them, holding its marker, or nothing at all) goes at the next run in that
// folder, whatever process now has the number in its name (numbers start
// again after a reboot). The work of a running program stays, and so does
// anything that only looks like FZARC's: another kind, a name that is not all
// digits, a folder without the marker, one holding beside it something FZARC
// never makes there, a link.
TEST(Leftovers, OnlyWhatADeadRunOfOursLeftGoes) {
    TempDir d;
    const std::string dead = "2147483646";                 // beyond any process id the system hands out
    const std::string reused = std::to_string(getppid());  // a live process's, not the run's
    const fs::path fridge = d.path() / "fridge", castle = d.path() / "board" / "Castle";
    const Tree ours = {{".fzarc-archive-" + dead + "-1/.fzarc-work", ""},
                       {".fzarc-archive-" + dead + "-1/archive.lzh", "half an archive"},
                       {".fzarc-archive-" + reused + "-1/.fzarc-work", ""},
                       {".fzarc-archive-" + reused + "-1/archive.lzh", "half an archive"},
                       {".fzarc-staging-" + dead + "-7/.fzarc-work", ""},
                       {".fzarc-staging-" + dead + "-7/tree/Castle/big.bin", "x"},
                       {".fzarc-staging-" + dead + "-7/journal.tmp", "half a journal"},
                       {".fzarc-settings-" + dead + "-5/.fzarc-work", ""},
                       {".fzarc-settings-" + dead + "-5/fzarc.ini", "half the settings"},
                       {".fzarc-staging-" + dead + "-8/", ""}};  // killed right after it was made
    const Tree notOurs = {{".fzarc-backup-2024-01.LZH", "the user's"},
                          {".fzarc-notes-" + dead + "-mine/notes.txt", "the user's"},
                          {".fzarc-staging-" + dead + "-9/notes.txt", "no marker"},
                          {".fzarc-staging-" + dead + "-10x/.fzarc-work", ""},
                          {".fzarc-archive-" + dead + "-4/.fzarc-work", ""},
                          {".fzarc-archive-" + dead + "-4/novel.txt", "the user's"},
                          {".fzarc-staging-" + dead + "-12/.fzarc-work", ""},
                          {".fzarc-staging-" + dead + "-12/tree/a.txt", "the user's"},
                          {".fzarc-staging-" + dead + "-12/mine.txt", "the user's"},
                          {".fzarc-settings-" + dead + "-3.tmp", "a file"},
                          {"elsewhere/.fzarc-work", "behind a link"}};
    std::vector<sysutil::WorkFolder> running;  // held as a run holds its work
    for (const auto& folder : {fridge, castle}) {
        archivetest::makeTree(folder, ours);
        archivetest::makeTree(folder, notOurs);
        fs::create_directory_symlink(folder / "elsewhere", folder / (".fzarc-staging-" + dead + "-11"));
        std::error_code ec;
        running.push_back(sysutil::createWorkFolder(folder, sysutil::kWorkArchive, ec));
        testsupport::writeFile(running.back().path() / "archive.lzh", "another run's");
    }
    archivetest::makeTree(castle, {{"Summary.tsm", "old"}});
    archivetest::makeTree(d.path() / "src", {{"Summary.tsm", "t"}});
    ASSERT_TRUE(archivetest::pack(fridge / "t.lzh", d.path() / "src").ok());
    ASSERT_TRUE(archivetest::unpack(fridge / "t.lzh", castle).ok());
    for (const auto& folder : {fridge, castle}) {
        Tree left = archivetest::readTree(folder);
        for (const auto& [name, content] : notOurs) EXPECT_EQ(left[name], content) << name;
        for (const auto& [name, content] : ours) EXPECT_FALSE(left.count(name)) << name;
        EXPECT_TRUE(fs::is_symlink(folder / (".fzarc-staging-" + dead + "-11")));
    }
    for (const auto& work : running) EXPECT_EQ(testsupport::readFile(work.path() / "archive.lzh"), "another run's");
}

#if defined(FZARC_HELD_PUT_AWAY)
// A put away under way in another PID namespace (a sandboxed desktop app, a
// container), its number there one no process has here: a put away here
// tidies the same fridge meanwhile, leaves that work alone, and both succeed.
TEST(Leftovers, ALiveRunInAnotherPidNamespaceIsLeftAlone) {
    if (testsupport::run("unshare -p -f --mount-proc true >/dev/null 2>&1") != 0)
        GTEST_SKIP() << "no PID namespace here (unshare -p needs root and util-linux)";
    TempDir d;
    const fs::path fridge = d.path() / "fridge", go = d.path() / "go";
    archivetest::makeTree(d.path() / "theirs", {{"Summary.tsm", "theirs"}});
    archivetest::makeTree(d.path() / "mine", {{"Summary.tsm", "mine"}});
    fs::create_directories(fridge);
    int number = std::stoi(testsupport::readFile("/proc/sys/kernel/pid_max")) - 1;
    while (kill(number, 0) == 0 || errno != ESRCH) --number;
    ASSERT_EQ(mkfifo(go.c_str(), 0600), 0);
    const int toIt = open(go.c_str(), O_RDWR);  // never blocks, whoever opens the other end
    // The next process made in the namespace has the number.
    const std::string line = "unshare -p -f --mount-proc sh -c 'echo " + std::to_string(number - 1) +
                             " > /proc/sys/kernel/ns_last_pid; \"$0\" \"$1\" \"$2\" < \"$3\"' " +
                             q(FZARC_HELD_PUT_AWAY) + " " + q(d.path() / "theirs") + " " + q(fridge / "theirs.lzh") +
                             " " + q(go) + " 2>&1";
    FILE* out = popen(line.c_str(), "r");
    char said[512] = "";
    ASSERT_TRUE(std::fgets(said, sizeof said, out)) << line;
    ASSERT_STREQ(said, "writing\n");
    const auto r = archiver::createArchive(sysutil::utf8FromPath(fridge / "mine.lzh"),
                                           sysutil::utf8FromPath(d.path() / "mine"), lha::kLh5, {});
    EXPECT_TRUE(r.ok()) << r.message;
    ASSERT_EQ(write(toIt, "\n", 1), 1);
    close(toIt);
    std::string rest;
    while (std::fgets(said, sizeof said, out)) rest += said;
    EXPECT_EQ(pclose(out), 0) << rest;
    EXPECT_EQ(rest, "done\n");
    for (const char* name : {"theirs", "mine"}) {
        const fs::path back = d.path() / name;
        fs::remove_all(back);
        ASSERT_TRUE(archivetest::unpack(fridge / (std::string(name) + ".lzh"), back).ok()) << name;
        EXPECT_EQ(archivetest::readTree(back), (Tree{{"Summary.tsm", name}}));
    }
}
#endif

// A folder named like a take out's, a journal in it, whose marker is no
// plain file (a folder, a link, a pipe): no work of ours. It neither stops a
// take out into its folder as if another ran there, nor is touched.
class PlantedMarker : public ::testing::TestWithParam<const char*> {};

TEST_P(PlantedMarker, NeitherStopsATakeOutNorIsTouched) {
    TempDir d;
    archivetest::makeTree(d.path() / "src", {{"Summary.tsm", "new"}});
    ASSERT_TRUE(archivetest::pack(d.path() / "t.lzh", d.path() / "src").ok());
    const fs::path dest = d.path() / "Castle", planted = dest / ".fzarc-staging-2147483646-1";
    const std::string journal = "FZARC merge 1\nend\n";
    archivetest::makeTree(dest, {{"Summary.tsm", "old"}, {".fzarc-staging-2147483646-1/journal", journal}});
    const fs::path marker = planted / sysutil::kWorkMarker;
    const std::string kind = GetParam();
    if (kind == "folder") fs::create_directory(marker);
    if (kind == "link") fs::create_symlink(d.path() / "src" / "Summary.tsm", marker);
    if (kind == "pipe") {
        ASSERT_EQ(mkfifo(marker.c_str(), 0600), 0);
    }
    const auto r = archiver::extractArchive(sysutil::utf8FromPath(d.path() / "t.lzh"), sysutil::utf8FromPath(dest), {});
    EXPECT_TRUE(r.ok()) << r.message;
    EXPECT_EQ(testsupport::readFile(dest / "Summary.tsm"), "new");
    EXPECT_EQ(testsupport::readFile(planted / "journal"), journal);
    EXPECT_TRUE(fs::exists(fs::symlink_status(marker)));
}

INSTANTIATE_TEST_SUITE_P(Leftovers, PlantedMarker, ::testing::Values("folder", "link", "pipe"),
                         [](const auto& p) { return std::string(p.param); });

// A leftover whose marker this run may only read (another user's, or made
// read-only by hand) gives it only a shared lock, which every tidying would
// get at once: two would finish the same merge side by side. Never claimed.
TEST(Leftovers, AMarkerThatCanOnlyBeReadIsNeverClaimed) {
    TempDir d;
    const fs::path left = d.path() / ".fzarc-staging-2147483646-1", marker = left / sysutil::kWorkMarker;
    testsupport::writeFile(marker, "");
    fs::permissions(marker, fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
    const int was = geteuid() == 0 ? setfsuid(65534) : -1;  // root may write anything
    const auto first = sysutil::claimLeftover(left), second = sysutil::claimLeftover(left);
    if (was >= 0) setfsuid(was);
    EXPECT_TRUE(first.empty() && second.empty());
    EXPECT_TRUE(fs::exists(marker));
}

#endif

// A take out into an existing folder killed half-way leaves its journal; the
// next run there finishes the merge and only then removes the rest, though a
// live process (this one) has the number in the work folder's name now. A
// journal that cannot be trusted keeps everything where it is.
struct Unfinished {
    const char* label;
    std::string journal;
    bool finished;
};

void PrintTo(const Unfinished& u, std::ostream* os) {
    *os << u.label;
}

class UnfinishedMerge : public ::testing::TestWithParam<Unfinished> {};

TEST_P(UnfinishedMerge, IsFinishedByTheNextRunThere) {
    TempDir d;
    const fs::path castle = d.path() / "Castle";
    const std::string work = ".fzarc-staging-" + std::to_string(sysutil::currentProcessId()) + "-3";
    // Killed after b.txt moved in (its old content kept), before data/ and Summary.tsm did.
    const Tree interrupted = {{"SUMMARY.TSM", "old title"},
                              {"b.txt", "new b"},
                              {"mine.txt", "the user's"},
                              {work + "/.fzarc-work", ""},
                              {work + "/journal", GetParam().journal},
                              {work + "/replaced/Castle/b.txt", "old b"},
                              {work + "/tree/Summary.tsm", "new title"},
                              {work + "/tree/data/d.txt", "d"}};
    archivetest::makeTree(castle, interrupted);
    archivetest::makeTree(d.path() / "src", {{"x.txt", "x"}});
    ASSERT_TRUE(archivetest::pack(d.path() / "x.lzh", d.path() / "src").ok());
    ASSERT_TRUE(archivetest::unpack(d.path() / "x.lzh", castle).ok());
    Tree expected = interrupted;
    // Finished without a trash to hand, the replaced files wait in the work
    // folder for a run that has one.
    if (GetParam().finished)
        expected = {{"Summary.tsm", "new title"},
                    {"b.txt", "new b"},
                    {"data/", ""},
                    {"data/d.txt", "d"},
                    {"mine.txt", "the user's"},
                    {work + "/", ""},
                    {work + "/.fzarc-work", ""},
                    {work + "/tree/", ""},
                    {work + "/kept/", ""},
                    {work + "/replaced/", ""},
                    {work + "/replaced/Castle/", ""},
                    {work + "/replaced/Castle/b.txt", "old b"},
                    {work + "/replaced/Castle/SUMMARY.TSM", "old title"}};
    else
        for (const char* folder : {"", "/replaced", "/replaced/Castle", "/tree", "/tree/data"})
            expected[work + folder + "/"] = "";
    expected["x.txt"] = "x";
    EXPECT_EQ(archivetest::treeDifference(archivetest::readTree(castle), expected), "");
    // Put away leaves them out: they are no part of the scenario.
    if (GetParam().finished) {
        ASSERT_TRUE(archivetest::pack(d.path() / "y.lzh", castle).ok());
        std::vector<archiver::ListedEntry> listed;
        ASSERT_TRUE(archiver::listArchive((d.path() / "y.lzh").string(), listed).ok());
        EXPECT_EQ(listed.size(), 6u);  // Summary.tsm, b.txt, data, data/d.txt, mine.txt, x.txt
    }
}

// A journal planted with a link on its way (by hand: archives may not hold
// a work folder's names) moves nothing out of its folder.
TEST(UnfinishedMerge, IsNeverFollowedThroughALink) {
    TempDir d;
    const fs::path castle = d.path() / "Castle";
    const std::string work = ".fzarc-staging-2147483646-3";
    archivetest::makeTree(castle, {{work + "/.fzarc-work", ""},
                                   {work + "/journal", "FZARC merge 1\nN\tevil.txt\tsave/evil.txt\nend\n"},
                                   {work + "/tree/evil.txt", "evil"}});
    archivetest::makeTree(d.path() / "home", {{"mine.txt", "the user's"}});
    if (!testsupport::tryDirectorySymlink(d.path() / "home", castle / "save")) GTEST_SKIP() << "no folder links here";
    archiver::removeLeftovers(castle);
    EXPECT_EQ(archivetest::readTree(d.path() / "home"), (Tree{{"mine.txt", "the user's"}}));
    EXPECT_TRUE(fs::exists(castle / work / "tree" / "evil.txt"));
}

// What another take out does while this one extracts: it made the folder
// this one was to make (a merge from beside it would be finished into the
// folder above after a kill), or it merges into the same folder (the two
// would leave some files of each). This one steps back and says so.
sysutil::WorkFolder othersRun;  // the other take out's, held while it runs

struct Meanwhile {
    const char* label;
    bool destinationExists;
    std::size_t othersWork;  // entries of another run's work folder left on the board
    std::function<void(const fs::path& dest)> happens;
};
void PrintTo(const Meanwhile& m, std::ostream* os) {
    *os << m.label;
}
class TakeOutMeanwhile : public ::testing::TestWithParam<Meanwhile> {
protected:
    void TearDown() override { othersRun = {}; }
};

TEST_P(TakeOutMeanwhile, StepsBackAndLeavesTheFolderAsTheOtherLeftIt) {
    TempDir d;
    archivetest::makeTree(d.path() / "src", {{"Summary.tsm", "new"}, {"a.txt", "new a"}, {"zz/", ""}});
    ASSERT_TRUE(archivetest::pack(d.path() / "t.lzh", d.path() / "src").ok());
    const fs::path board = d.path() / "board", dest = board / "Castle";
    fs::create_directories(board);
    if (GetParam().destinationExists) archivetest::makeTree(dest, {{"Summary.tsm", "old"}});
    bool done = false;
    const auto r = archiver::extractArchive(sysutil::utf8FromPath(d.path() / "t.lzh"), sysutil::utf8FromPath(dest),
                                            [&](const sysutil::ProgressInfo& at) {
                                                // At the last entry, a folder: every file is out.
                                                if (at.entriesDone + 1 == at.entriesTotal && !std::exchange(done, true))
                                                    GetParam().happens(dest);
                                                return true;
                                            });
    ASSERT_TRUE(done);
    EXPECT_FALSE(r.ok());
    EXPECT_NE(r.message.find("もう一度取り出してください"), std::string::npos) << r.message;
    Tree left = archivetest::readTree(board);
    const auto work = std::erase_if(left, [](const auto& e) { return e.first.find(".fzarc-") != std::string::npos; });
    EXPECT_EQ(work, GetParam().othersWork) << "only the other's work folder stays";
    EXPECT_EQ(archivetest::treeDifference(left, Tree{{"Castle/", ""}, {"Castle/Summary.tsm", "old"}}), "");
}

std::vector<Meanwhile> meanwhileCases() {
    std::vector<Meanwhile> cases = {
        {"made_the_destination", false, 0,
         [](const fs::path& dest) {
             archivetest::makeTree(dest, {{"Summary.tsm", "old"}});
         }},
        {"merges_into_it", true, 3,
         [](const fs::path& dest) {
             std::error_code ec;
             othersRun = sysutil::createWorkFolder(dest, sysutil::kWorkStaging, ec);
             testsupport::writeFile(othersRun.path() / "journal", "FZARC merge 1\nend\n");
         }},
    };
#if !defined(_WIN32)
    // The folder, this take out's work folder inside, moved away, and one of
    // the same name made: nothing to place, which is no success.
    cases.push_back({"moved_away_and_made_again", true, 0, [](const fs::path& dest) {
                         fs::rename(dest, dest.parent_path().parent_path() / "moved");
                         archivetest::makeTree(dest, {{"Summary.tsm", "old"}});
                     }});
#endif
    return cases;
}
INSTANTIATE_TEST_SUITE_P(Others, TakeOutMeanwhile, ::testing::ValuesIn(meanwhileCases()),
                         [](const auto& p) { return std::string(p.param.label); });

INSTANTIATE_TEST_SUITE_P(
    Journals, UnfinishedMerge,
    ::testing::Values(Unfinished{"whole",
                                 "FZARC merge 1\nR\tb.txt\tb.txt\tb.txt\nN\tdata\tdata\n"
                                 "R\tSummary.tsm\tSummary.tsm\tSUMMARY.TSM\nend\n",
                                 true},
                      Unfinished{"cut_short", "FZARC merge 1\nR\tb.txt\tb.txt\tb.txt\nN\tdata\tdata\n", false},
                      Unfinished{"leaving_its_folder", "FZARC merge 1\nN\tdata\t../data\nend\n", false},
                      Unfinished{"of_another_version", "FZARC merge 9\nN\tdata\tdata\nend\n", false}),
    [](const auto& p) { return std::string(p.param.label); });

}  // namespace
