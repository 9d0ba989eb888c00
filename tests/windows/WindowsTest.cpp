// What only Windows has: drive roots, backslashes, hidden and system
// attributes, the ANSI code page, and the platform's own profile functions,
// which are the reference our settings store is held against.
#include <gtest/gtest.h>
#include <windows.h>

#include <filesystem>

#include "settings/INIAccess.h"
#include "support/TestSupport.h"
#include "sysutil/PathRules.h"
#include "sysutil/ProgramFolder.h"
#include "sysutil/TextCodec.h"
#include "sysutil/WRText.h"

namespace fs = std::filesystem;
using sysutil::LookupKind;
using testsupport::TempDir;

namespace {

void setAttribute(const fs::path& p, DWORD attribute) {
    SetFileAttributesW(p.c_str(), GetFileAttributesW(p.c_str()) | attribute);
}

TEST(WindowsPaths, DriveRootsKeepTheirBackslash) {
    EXPECT_EQ(sysutil::AddBackslash("C:\\"), "C:\\");
    EXPECT_EQ(sysutil::AddBackslash("C:"), "C:\\");
    EXPECT_EQ(sysutil::AddBackslash("C:\\Game  "), "C:\\Game\\");
    EXPECT_TRUE(sysutil::lookupExists("C:\\", LookupKind::FilesAndFolders));
}

TEST(WindowsPaths, BackslashesSeparateEveryLookup) {
    TempDir d;
    testsupport::writeFile(d.path() / "scenario" / "Summary.tsm", "x");
    const std::string base = sysutil::utf8FromPath(d.path());
    EXPECT_TRUE(sysutil::lookupExists(base + "\\scenario\\SUMMARY.TSM", LookupKind::OrdinaryFiles));
    EXPECT_TRUE(sysutil::lookupExists(base + "\\scenario\\", LookupKind::FilesAndFolders));
    EXPECT_TRUE(sysutil::lookupExists(base + "\\scen*", LookupKind::FilesAndFolders));
    EXPECT_FALSE(sysutil::lookupExists(base + "\\scenario\\Summary.tsm\\", LookupKind::FilesAndFolders));
}

TEST(WindowsAttributes, HiddenAndSystemEntriesNeverMatch) {
    TempDir d;
    testsupport::writeFile(d.path() / "hidden scenario" / "Summary.tsm", "x");
    testsupport::writeFile(d.path() / "system scenario" / "Summary.tsm", "x");
    testsupport::writeFile(d.path() / "plain" / "Summary.tsm", "x");
    testsupport::writeFile(d.path() / "plain" / "readme.txt", "read me");
    setAttribute(d.path() / "hidden scenario", FILE_ATTRIBUTE_HIDDEN);
    setAttribute(d.path() / "system scenario" / "Summary.tsm", FILE_ATTRIBUTE_SYSTEM);
    setAttribute(d.path() / "plain" / "readme.txt", FILE_ATTRIBUTE_HIDDEN);
    EXPECT_FALSE(sysutil::lookupExists(d.str("hidden scenario"), LookupKind::FilesAndFolders));
    EXPECT_FALSE(sysutil::lookupExists(d.str("system scenario\\Summary.tsm"), LookupKind::OrdinaryFiles));
    EXPECT_TRUE(sysutil::lookupExists(d.str("plain\\Summary.tsm"), LookupKind::OrdinaryFiles));
    sysutil::WRText text;
    text.FileName = d.str("plain\\readme.txt");
    EXPECT_EQ(text.RFile().value, "");
}

TEST(WindowsSettings, FileLivesBesideTheExecutable) {
    sysutil::setSettingsFolder("");
    wchar_t exe[MAX_PATH];
    GetModuleFileNameW(nullptr, exe, MAX_PATH);
    EXPECT_EQ(sysutil::settingsFolder(), sysutil::utf8FromPath(fs::path(exe).parent_path()));
}

// Our store against GetPrivateProfileStringA on the same files.
class AgainstPlatform : public ::testing::Test {
protected:
    void SetUp() override { sysutil::setSettingsFolder(dir.str()); }
    void TearDown() override { sysutil::setSettingsFolder(""); }
    fs::path ini() const { return dir.path() / "fzarc.ini"; }
    std::string ours(const std::string& key) {
        settings::INIAccess s;
        s.FileName = "fzarc.ini";
        return s.GetINIData(settings::kSection, key);
    }
    // The platform's reading, converted from the ANSI code page to UTF-8.
    std::string theirs(const std::string& key) {
        char buf[256] = {};
        const std::string path = sysutil::utf8ToCp932(sysutil::utf8FromPath(ini())).value_or("");
        GetPrivateProfileStringA(settings::kSection, key.c_str(), "", buf, sizeof buf, path.c_str());
        return sysutil::cp932ToUtf8Lossy(buf);
    }
    TempDir dir;
};

TEST_F(AgainstPlatform, ReadsWhatThePlatformReads) {
    if (GetACP() != 932)
        GTEST_SKIP() << "the ANSI code page is " << GetACP() << ", not 932 (run with a Japanese locale)";
    const std::vector<std::pair<const char*, std::string>> files = {
        {"missing file", ""},
        {"missing section", "[Other]\r\nTRPath=x\r\n"},
        {"missing key", "[FZARC Secound Edition]\r\nArcPath=a\r\n"},
        {"empty value", "[FZARC Secound Edition]\r\nTRPath=\r\n"},
        {"cp932", "[FZARC Secound Edition]\r\nTRPath=C:\\\x95\x5c\x8e\xa6\\\x83\x5c\x81\x5b\x83\x58\r\n"},
        {"blanks", "[FZARC Secound Edition]\r\nTRPath =  C:\\Games  \r\n"},
    };
    for (const auto& [label, content] : files) {
        fs::remove(ini());
        if (std::string(label) != "missing file") testsupport::writeFile(ini(), content);
        EXPECT_EQ(ours("TRPath"), theirs("TRPath")) << label;
    }
    // Windows cuts a value at 255 bytes; we read it whole, so that a long
    // install folder is not cut at every start.
    testsupport::writeFile(ini(), "[FZARC Secound Edition]\r\nTRPath=" + std::string(300, 'v') + "\r\n");
    EXPECT_EQ(theirs("TRPath"), std::string(255, 'v'));
    EXPECT_EQ(ours("TRPath"), std::string(300, 'v'));
}

TEST_F(AgainstPlatform, WhatWeWriteThePlatformReadsBack) {
    if (GetACP() != 932)
        GTEST_SKIP() << "the ANSI code page is " << GetACP() << ", not 932 (run with a Japanese locale)";
    settings::INIAccess s;
    s.FileName = "fzarc.ini";
    const std::vector<std::string> values = {"C:\\Games\\Tessarune", "D:\\冷蔵庫\\表示ソース", "", "C:\\"};
    for (int round = 0; round < 3; ++round) {
        for (const auto& v : values) {
            ASSERT_TRUE(s.SetINIData(settings::kSection, "TRPath", v).ok());
            ASSERT_TRUE(s.SetINIData(settings::kSection, "ArcPath", v + "x").ok());
            EXPECT_EQ(theirs("TRPath"), v);
            EXPECT_EQ(theirs("ArcPath"), v + "x");
        }
    }
    // Written as Japanese Windows writes it: CP932 bytes.
    ASSERT_TRUE(s.SetINIData(settings::kSection, "TRPath", "表").ok());
    EXPECT_NE(testsupport::readFile(ini()).find("TRPath=\x95\x5c\r\n"), std::string::npos);
}

TEST_F(AgainstPlatform, APlatformWrittenFileReadsAndKeepsItsBytes) {
    if (GetACP() != 932)
        GTEST_SKIP() << "the ANSI code page is " << GetACP() << ", not 932 (run with a Japanese locale)";
    const std::string path = sysutil::utf8ToCp932(sysutil::utf8FromPath(ini())).value_or("");
    WritePrivateProfileStringA(settings::kSection, "TRPath", "C:\\\x95\x5c\x8e\xa6", path.c_str());
    WritePrivateProfileStringA(settings::kSection, "ArcPath", "D:\\\x97\xe2\x91\xa0\x8c\xc9", path.c_str());
    const std::string before = testsupport::readFile(ini());
    EXPECT_EQ(ours("TRPath"), "C:\\表示");
    EXPECT_EQ(ours("ArcPath"), "D:\\冷蔵庫");
    settings::INIAccess s;
    s.FileName = "fzarc.ini";
    ASSERT_TRUE(s.SetINIData(settings::kSection, "TRPath", "C:\\表示").ok());
    EXPECT_EQ(testsupport::readFile(ini()), before);
}

}  // namespace
