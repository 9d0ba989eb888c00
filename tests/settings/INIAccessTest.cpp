// The settings store on real files: missing pieces, limits, order, encodings,
// and files that are garbage.
#include <gtest/gtest.h>

#include "settings/INIAccess.h"
#include "support/TestSupport.h"
#include "sysutil/ProgramFolder.h"
#include "sysutil/TextCodec.h"

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
    EXPECT_TRUE(s.SetINIData(settings::kSection, "TRPath", "/games/表示"));
    EXPECT_EQ(testsupport::readFile(ini()),
              testsupport::platformText("[FZARC Secound Edition]\r\nTRPath=/games/表示\r\n"));
}

TEST_F(INIAccessTest, KeysKeepTheirOrderAcrossSaves) {
    auto s = store();
    for (int round = 0; round < 3; ++round) {
        EXPECT_TRUE(s.SetINIData(settings::kSection, "TRPath", "tr" + std::to_string(round)));
        EXPECT_TRUE(s.SetINIData(settings::kSection, "ArcPath", "arc" + std::to_string(round)));
        EXPECT_TRUE(s.SetINIData(settings::kSection, "ExitRMNoFileDir", std::to_string(round % 2)));
    }
    EXPECT_EQ(testsupport::readFile(ini()),
              "[FZARC Secound Edition]\r\nTRPath=tr2\r\nArcPath=arc2\r\nExitRMNoFileDir=0\r\n");
}

TEST_F(INIAccessTest, SectionIsRememberedAndEmptyFileNameTouchesNothing) {
    auto s = store();
    EXPECT_EQ(s.GetINIData("", "TRPath"), "");
    EXPECT_TRUE(s.SetINIData(settings::kSection, "TRPath", "x"));
    EXPECT_EQ(s.GetINIData("", "TRPath"), "x");
    INIAccess blank;
    std::filesystem::remove(ini());
    EXPECT_EQ(blank.GetINIData(settings::kSection, "TRPath"), "");
    EXPECT_FALSE(blank.SetINIData(settings::kSection, "TRPath", "x"));
    EXPECT_FALSE(std::filesystem::exists(ini()));
}

TEST_F(INIAccessTest, LongValuesReadBackAs255Bytes) {
    testsupport::writeFile(ini(), "[FZARC Secound Edition]\r\nTRPath=" + std::string(300, 'v') + "\r\n");
    EXPECT_EQ(store().GetINIData(settings::kSection, "TRPath"), std::string(255, 'v'));
    // A CP932 value is cut on a character boundary, never inside one.
    std::string sjis;
    for (int i = 0; i < 150; ++i) sjis += "\x95\x5c";
    testsupport::writeFile(ini(), "[FZARC Secound Edition]\r\nTRPath=a" + sjis + "\r\n");
    const auto v = store().GetINIData(settings::kSection, "TRPath");
    EXPECT_EQ(v, "a" + std::string([] {
                     std::string s;
                     for (int i = 0; i < 127; ++i) s += "表";
                     return s;
                 }()));
}

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
    EXPECT_TRUE(s.SetINIData(settings::kSection, "TRPath", tr));
    EXPECT_EQ(testsupport::readFile(ini()), original);
    EXPECT_TRUE(s.SetINIData(settings::kSection, "TRPath", "C:\\ソース"));
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
    EXPECT_TRUE(s.SetINIData(settings::kSection, "TRPath", "tr"));
    EXPECT_EQ(testsupport::readFile(ini()), big + "TRPath=tr\r\n");
}

TEST_F(INIAccessTest, RefusedWritesReportFalseAndKeepTheFile) {
    auto s = store();
    EXPECT_TRUE(s.SetINIData(settings::kSection, "TRPath", "ok"));
    EXPECT_FALSE(s.SetINIData(settings::kSection, "TRPath", "two\r\nlines"));
    EXPECT_EQ(s.GetINIData(settings::kSection, "TRPath"), "ok");
    sysutil::setSettingsFolder(dir.str("no-such-folder"));
    EXPECT_FALSE(s.SetINIData(settings::kSection, "TRPath", "x"));
}

TEST_F(INIAccessTest, NamesAreCaseInsensitiveAndValuesTrimmed) {
    testsupport::writeFile(ini(), "[fzarc secound edition]\ntrpath =  \"/a b\"  \n");
    EXPECT_EQ(store().GetINIData(settings::kSection, "TRPath"), "/a b");
}

}  // namespace
