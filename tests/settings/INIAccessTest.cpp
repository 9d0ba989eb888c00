// The settings store on real files: missing pieces, limits, order, encodings,
// and files that are garbage.
#include <gtest/gtest.h>

#include <fstream>

#include "settings/Folders.h"
#include "settings/INIAccess.h"
#include "support/TestSupport.h"
#include "sysutil/PathRules.h"
#include "sysutil/ProgramFolder.h"
#include "sysutil/TextCodec.h"

#if defined(__linux__)
#include <sched.h>
#include <sys/mount.h>
#endif

namespace {

using settings::INIAccess;
using testsupport::TempDir;

class INIAccessTest : public ::testing::Test {
protected:
    void SetUp() override { sysutil::setSettingsFolder(dir.str()); }
    void TearDown() override { sysutil::setSettingsFolder(""); }
    std::filesystem::path ini() const { return dir.path() / "fzarc.ini"; }
    INIAccess store() {
        INIAccess s;
        s.FileName = "fzarc.ini";
        return s;
    }
    TempDir dir;
};

TEST_F(INIAccessTest, NoFileReadsEmptyAndFirstWriteCreatesIt) {
    auto s = store();
    EXPECT_EQ(s.GetINIData(settings::kSection, "TRPath"), "");
    EXPECT_FALSE(std::filesystem::exists(ini()));
    EXPECT_TRUE(s.SetINIData(settings::kSection, "TRPath", "/games/表示").ok());
    EXPECT_EQ(testsupport::readFile(ini()),
              testsupport::platformText("[FZARC Secound Edition]\r\nTRPath=/games/表示\r\n"));
}

TEST_F(INIAccessTest, KeysKeepTheirOrderAcrossSaves) {
    auto s = store();
    for (int round = 0; round < 3; ++round) {
        EXPECT_TRUE(s.SetINIData(settings::kSection, "TRPath", "tr" + std::to_string(round)).ok());
        EXPECT_TRUE(s.SetINIData(settings::kSection, "ArcPath", "arc" + std::to_string(round)).ok());
        EXPECT_TRUE(s.SetINIData(settings::kSection, "ExitRMNoFileDir", std::to_string(round % 2)).ok());
    }
    EXPECT_EQ(testsupport::readFile(ini()),
              "[FZARC Secound Edition]\r\nTRPath=tr2\r\nArcPath=arc2\r\nExitRMNoFileDir=0\r\n");
}

TEST_F(INIAccessTest, SectionIsRememberedAndEmptyFileNameTouchesNothing) {
    auto s = store();
    EXPECT_EQ(s.GetINIData("", "TRPath"), "");
    EXPECT_TRUE(s.SetINIData(settings::kSection, "TRPath", "x").ok());
    EXPECT_EQ(s.GetINIData("", "TRPath"), "x");
    INIAccess blank;
    std::filesystem::remove(ini());
    EXPECT_EQ(blank.GetINIData(settings::kSection, "TRPath"), "");
    EXPECT_FALSE(blank.SetINIData(settings::kSection, "TRPath", "x").ok());
    EXPECT_FALSE(std::filesystem::exists(ini()));
}

// Files as users and other programs leave them: each value reads back whole
// and right, and a write keeps the file's own form.
struct ReadCase {
    const char* label;
    std::string file;
    std::string want;  // TRPath as read
};

class INIAccessReads : public INIAccessTest, public ::testing::WithParamInterface<ReadCase> {};

TEST_P(INIAccessReads, ValuesReadWholeAndWritesKeepTheForm) {
    testsupport::writeFile(ini(), GetParam().file);
    auto s = store();
    EXPECT_EQ(s.GetINIData(settings::kSection, "TRPath"), GetParam().want);
    const auto saved = s.SetINIData(settings::kSection, "ArcPath", "/冷蔵庫");
    ASSERT_TRUE(saved.ok()) << saved.detail;
    const std::string after = testsupport::readFile(ini());
    EXPECT_EQ(after.substr(0, GetParam().file.size() - 2), GetParam().file.substr(0, GetParam().file.size() - 2));
    EXPECT_EQ(s.GetINIData(settings::kSection, "TRPath"), GetParam().want);
    EXPECT_EQ(s.GetINIData(settings::kSection, "ArcPath"), "/冷蔵庫");
}

INSTANTIATE_TEST_SUITE_P(
    Files, INIAccessReads,
    ::testing::Values(
        // Longer than the 255 bytes a Windows buffer once held: an install
        // folder of 100 Japanese characters must not be cut at every start.
        ReadCase{"long_value", "[FZARC Secound Edition]\r\nTRPath=" + std::string(300, 'v') + "\r\n",
                 std::string(300, 'v')},
        ReadCase{"long_japanese_value",
                 [] {
                     std::string s = "[FZARC Secound Edition]\r\nTRPath=";
                     for (int i = 0; i < 100; ++i) s += "表";
                     return s + "\r\n";
                 }(),
                 [] {
                     std::string s;
                     for (int i = 0; i < 100; ++i) s += "表";
                     return s;
                 }()},
        // Notepad on Windows saves UTF-8 with a byte-order mark.
        ReadCase{"utf8_with_bom", "\xEF\xBB\xBF[FZARC Secound Edition]\r\nTRPath=/ゲーム\r\n", "/ゲーム"},
        // One Latin-1 byte in a comment must not make UTF-8 values garbage.
        ReadCase{"utf8_with_a_latin1_comment", "; caf\xE9\r\n[FZARC Secound Edition]\r\nTRPath=/ゲーム/表示\r\n",
                 "/ゲーム/表示"}),
    [](const auto& p) { return std::string(p.param.label); });

TEST_F(INIAccessTest, SeveralKeysAreWrittenAllOrNothing) {
    auto s = store();
    ASSERT_TRUE(s.SetINIValues(settings::kSection, {{"TRPath", "/a"}, {"ArcPath", "/b"}}).ok());
    const std::string before = testsupport::readFile(ini());
    const auto failure = s.SetINIValues(settings::kSection, {{"TRPath", "/changed"}, {"ArcPath", "two\nlines"}});
    EXPECT_FALSE(failure.ok());
    EXPECT_EQ(testsupport::readFile(ini()), before);
    EXPECT_FALSE(failure.detail.empty());
}

// A save that fails says why, and leaves the file as it was: a CP932 file
// cannot hold an emoji (that is the reason, not the disk); a write-protected
// file is left alone, as Windows leaves it; a full disk is told apart.
enum class Place { Ordinary, WriteProtected, FullDisk };
struct SaveFailure {
    const char* label;
    Place place;
    std::string file;
    std::string value;  // for ArcPath
    sysutil::FailureKind kind;
    std::string says;
};

class INIAccessSaveFailures : public INIAccessTest, public ::testing::WithParamInterface<SaveFailure> {
protected:
    void TearDown() override {
#if defined(__linux__)
        if (!mounted.empty()) umount(mounted.c_str());
#endif
        INIAccessTest::TearDown();
    }
    // A file system of 64 KB in `at`, the settings folder, to be filled.
    bool smallDisk(const std::filesystem::path& at) {
#if defined(__linux__)
        std::filesystem::create_directories(at);
        // Mounts of this test process's own, gone with it.
        if (unshare(CLONE_NEWNS) != 0 || mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0 ||
            mount("tmpfs", at.c_str(), "tmpfs", 0, "size=64k") != 0)
            return false;
        mounted = at;
        sysutil::setSettingsFolder(sysutil::utf8FromPath(at));
        return true;
#else
        (void)at;
        return false;
#endif
    }
    std::filesystem::path mounted;
};

TEST_P(INIAccessSaveFailures, SayWhyAndKeepTheFile) {
    const SaveFailure& c = GetParam();
    std::filesystem::path file = ini();
    const bool full = c.place == Place::FullDisk;
    if (full) {
        if (!smallDisk(dir.path() / "small")) GTEST_SKIP() << "no mount namespace here (needs root on Linux)";
        file = mounted / "fzarc.ini";
    }
    testsupport::writeFile(file, c.file);
    if (full) {
        std::ofstream filler(mounted / "filler", std::ios::binary);
        const std::string block(4096, 'x');
        while (filler.write(block.data(), static_cast<std::streamsize>(block.size())) && filler.flush()) {
        }
    }
    if (c.place == Place::WriteProtected) std::filesystem::permissions(file, std::filesystem::perms::owner_read);
    const auto failure = store().SetINIData(settings::kSection, "ArcPath", c.value);
    EXPECT_EQ(failure.kind, c.kind);
    EXPECT_NE(failure.detail.find(c.says), std::string::npos) << failure.detail;
    EXPECT_EQ(testsupport::readFile(file), c.file);
}

INSTANTIATE_TEST_SUITE_P(Saves, INIAccessSaveFailures,
                         ::testing::Values(SaveFailure{"emoji_in_a_cp932_file", Place::Ordinary,
                                                       "[FZARC Secound Edition]\r\nTRPath=\x95\x5c\r\n", "/😀",
                                                       sysutil::FailureKind::Refused, "Shift‑JIS"},
                                           SaveFailure{"write_protected_file", Place::WriteProtected,
                                                       "[FZARC Secound Edition]\r\nTRPath=/a\r\n", "/b",
                                                       sysutil::FailureKind::Refused, "書き込み禁止"},
                                           SaveFailure{
                                               "full_disk", Place::FullDisk, "[FZARC Secound Edition]\r\nTRPath=/a\r\n",
                                               "/b", sysutil::FailureKind::NoSpace, "ディスクの空き容量が足りません"}),
                         [](const auto& p) { return std::string(p.param.label); });

TEST_F(INIAccessTest, Cp932FileRoundTripsByteForByte) {
    // As Japanese Windows writes it: CP932, CRLF, a comment and another section.
    const std::string original =
        "; \x90\xdd\x92\xe8\r\n[Other]\r\nx=1\r\n[FZARC Secound Edition]\r\nTRPath=C:\\\x95\x5c\x8e\xa6\\\x83\x5c\r\n"
        "ArcPath=D:\\\x97\xe2\x91\xa0\x8c\xc9\r\nExitRMNoFileDir=1\r\n";
    testsupport::writeFile(ini(), original);
    auto s = store();
    const std::string tr = s.GetINIData(settings::kSection, "TRPath");
    EXPECT_EQ(tr, "C:\\表示\\ソ");
    EXPECT_EQ(s.GetINIData(settings::kSection, "ArcPath"), "D:\\冷蔵庫");
    EXPECT_TRUE(s.SetINIData(settings::kSection, "TRPath", tr).ok());
    EXPECT_EQ(testsupport::readFile(ini()), original);
    EXPECT_TRUE(s.SetINIData(settings::kSection, "TRPath", "C:\\ソース").ok());
    EXPECT_NE(testsupport::readFile(ini()).find("TRPath=C:\\\x83\x5c\x81\x5b\x83\x58\r\n"), std::string::npos);
}

TEST_F(INIAccessTest, GarbageFilesReadAsMissingAndStayUntouched) {
    const std::vector<std::string> garbage = {
        "this is not an ini file\n=\n[[[\n==\n[FZARC Secound Edition\nTRPath\n",
        testsupport::randomBytes(4096, 5),
        "[FZARC Secound Edition]\r\nTRPath=\x81\r\nArcPath=ok\r\n",  // broken Shift-JIS value
        std::string("[FZARC Secound Edition]\0TRPath=x\0", 33),
    };
    for (const auto& g : garbage) {
        testsupport::writeFile(ini(), g);
        auto s = store();
        const auto v = s.GetINIData(settings::kSection, "TRPath");
        EXPECT_TRUE(v.empty() || v == "x") << v;
        EXPECT_EQ(testsupport::readFile(ini()), g) << "a read rewrote the file";
    }
    EXPECT_EQ(store().GetINIData(settings::kSection, "ArcPath"), "");
}

TEST_F(INIAccessTest, TenMegabyteFileIsReadAndEditedInPlace) {
    std::string big = "[Junk]\r\n";
    while (big.size() < 10 * 1024 * 1024) big += "key" + std::to_string(big.size()) + "=value\r\n";
    big += "[FZARC Secound Edition]\r\nArcPath=fridge\r\n";
    testsupport::writeFile(ini(), big);
    auto s = store();
    EXPECT_EQ(s.GetINIData(settings::kSection, "ArcPath"), "fridge");
    EXPECT_TRUE(s.SetINIData(settings::kSection, "TRPath", "tr").ok());
    EXPECT_EQ(testsupport::readFile(ini()), big + "TRPath=tr\r\n");
}

TEST_F(INIAccessTest, RefusedWritesReportFalseAndKeepTheFile) {
    auto s = store();
    EXPECT_TRUE(s.SetINIData(settings::kSection, "TRPath", "ok").ok());
    EXPECT_FALSE(s.SetINIData(settings::kSection, "TRPath", "two\r\nlines").ok());
    EXPECT_EQ(s.GetINIData(settings::kSection, "TRPath"), "ok");
    sysutil::setSettingsFolder(dir.str("no-such-folder"));
    EXPECT_FALSE(s.SetINIData(settings::kSection, "TRPath", "x").ok());
}

#if !defined(_WIN32)
// A save keeps what the user made of the file: its mode, and a link to a
// settings file kept elsewhere.
TEST_F(INIAccessTest, SaveKeepsTheModeAndWritesThroughALink) {
    namespace fs = std::filesystem;
    testsupport::writeFile(dir.path() / "kept" / "real.ini", "[FZARC Secound Edition]\nTRPath=old\n");
    fs::permissions(dir.path() / "kept" / "real.ini", fs::perms::owner_read | fs::perms::owner_write);
    fs::create_symlink(dir.path() / "kept" / "real.ini", ini());
    EXPECT_TRUE(store().SetINIData(settings::kSection, "TRPath", "new").ok());
    EXPECT_TRUE(fs::is_symlink(ini()));
    EXPECT_EQ(testsupport::readFile(dir.path() / "kept" / "real.ini"), "[FZARC Secound Edition]\nTRPath=new\n");
    EXPECT_EQ(fs::status(ini()).permissions(), fs::perms::owner_read | fs::perms::owner_write);
}
#endif

TEST_F(INIAccessTest, NamesAreCaseInsensitiveAndValuesTrimmed) {
    testsupport::writeFile(ini(), "[fzarc secound edition]\ntrpath =  \"/a b\"  \n");
    EXPECT_EQ(store().GetINIData(settings::kSection, "TRPath"), "/a b");
}

TEST_F(INIAccessTest, TheFoldersFollowTheFileAsItIsNow) {
    const std::string sep(1, sysutil::kSeparator);
    const std::string tail = "Scenario" + sep + "FZARC_まな板" + sep;
    EXPECT_EQ(settings::cuttingBoardFolder("engine" + sep + "  "), "engine" + sep + tail);
    EXPECT_EQ(settings::currentFolders().cuttingBoard, sep + tail);  // no file yet
    auto s = store();
    ASSERT_TRUE(s.SetINIValues(settings::kSection, {{"TRPath", "engine"}, {"ArcPath", "fridge" + sep}}).ok());
    const auto before = settings::currentFolders();
    EXPECT_EQ(before.engine, "engine");
    EXPECT_EQ(before.cuttingBoard, "engine" + sep + tail);
    EXPECT_EQ(before.fridge, "fridge" + sep);
    ASSERT_TRUE(s.SetINIData(settings::kSection, "TRPath", "other").ok());
    EXPECT_EQ(settings::currentFolders().cuttingBoard, "other" + sep + tail);
}

}  // namespace
