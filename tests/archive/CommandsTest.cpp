// Put away and take out as the window runs them, without a window: the
// commands are Qt-free, so this runs in every build (Windows under Wine too).
#include <stdexcept>

#include "archive/ArchiveCommands.h"
#include "archive/ArchiveTestUtil.h"
#include "support/FakeDialogs.h"
#include "sysutil/PathRules.h"

#if !defined(_WIN32)
#include <unistd.h>
#endif

namespace fs = std::filesystem;
using archivetest::Tree;

namespace {

class Commands : public ::testing::Test {
protected:
    void SetUp() override {
        fs::create_directories(board);
        fs::create_directories(fridge);
    }
    // The cutting board as the window hands it over: with its trailing separator.
    std::string boardFolder() const { return sysutil::AddBackslash(sysutil::utf8FromPath(board)); }

    testsupport::TempDir root;
    fs::path board = root.path() / "engine" / "Scenario" / testsupport::u8("FZARC_まな板");
    fs::path fridge = root.path() / testsupport::u8("冷蔵庫");
    fakes::FakeDialogs dialogs;
    archiver::Unlha32Archiver archiver;
};

TEST_F(Commands, PutAwayThenTakeOutRestoresTheScenario) {
    // Names whose CP932 bytes hold 0x5C, "〜" that CP932 reads back as "～",
    // and, where the platform allows it, a double quote in the folder's name.
#if defined(_WIN32)
    const std::string folder = "古城";
#else
    const std::string folder = "古城 \"改\"";
#endif
    const Tree scenario = {{"Summary.tsm", "title"},
                           {"表示/ソース/能力.txt", testsupport::sjisText(20000)},
                           {"波〜線.txt", "wave"},
                           {"data/empty.dat", ""}};
    archivetest::makeTree(board / testsupport::u8(folder), scenario);
    dialogs.inputs = {std::string("Castle")};
    const auto scenarioPath = sysutil::utf8FromPath(board / testsupport::u8(folder));
    EXPECT_EQ(archiver::putAway(scenarioPath, sysutil::utf8FromPath(fridge), dialogs, archiver),
              archiver::Refresh::Reload);
    ASSERT_TRUE(fs::exists(fridge / "Castle.LZH"));

    EXPECT_EQ(archiver::takeOut(archiver::FridgeSelection{sysutil::utf8FromPath(fridge), "Castle.LZH", ""},
                                boardFolder(), dialogs, archiver),
              archiver::Refresh::Reload);
    EXPECT_TRUE(dialogs.asked.empty()) << dialogs.asked.front().text;
    EXPECT_EQ(archivetest::treeDifference(archivetest::readTree(board / "Castle"),
                                          archivetest::readTree(board / testsupport::u8(folder))),
              "");
}

// Work that throws ends as a failure the user is told of, not as a silent cancel.
TEST_F(Commands, AnExceptionInTheWorkIsReported) {
    struct Throwing : archiver::Unlha32Archiver {
        archiver::ArchiveResult extract(const std::string&, const std::string&,
                                        const sysutil::ProgressReport&) override {
            throw std::runtime_error("boom");
        }
    } throwing;
    archivetest::makeTree(root.path() / "src", {{"Summary.tsm", "t"}});
    ASSERT_TRUE(archivetest::unlha("A " + archivetest::q(fridge / "Castle.LZH") + " " +
                                   archivetest::q(root.path() / "src" / "*.*"))
                    .ok());
    archiver::takeOut(archiver::FridgeSelection{sysutil::utf8FromPath(fridge), "Castle.LZH", ""}, boardFolder(),
                      dialogs, throwing);
    ASSERT_EQ(dialogs.asked.size(), 1u);
    EXPECT_EQ(dialogs.asked[0].text, "「Castle.LZH」を取り出せませんでした。\r\n予期しない問題が起きました。 (boom)");
}

#if !defined(_WIN32)
TEST_F(Commands, ThrowAwaySaysWhatItCouldNotDeleteAndTheScenarioStaysListed) {
    if (!testsupport::runningAsRoot()) GTEST_SKIP() << "needs root to stage a folder its user cannot change";
    archivetest::makeTree(board / "Castle", {{"Summary.tsm", "t"}, {"save/slot.dat", "s"}, {"bgm/theme.ogg", "o"}});
    dialogs.answers = {sysutil::MsgAnswer::Yes, sysutil::MsgAnswer::Yes};
    {
        testsupport::AsOrdinaryUser user(root.path());
        // A folder of root's own inside: beyond what the user may change.
        EXPECT_EQ(seteuid(0), 0);
        EXPECT_EQ(lchown((board / "Castle" / "save").c_str(), 0, 0), 0);
        EXPECT_EQ(seteuid(65534), 0);
        archiver::throwAwayScenario(sysutil::utf8FromPath(board / "Castle"), dialogs);
    }
    ASSERT_EQ(dialogs.asked.size(), 3u);
    EXPECT_TRUE(dialogs.asked[2].text.starts_with("「Castle」を削除しきれませんでした。")) << dialogs.asked[2].text;
    EXPECT_NE(dialogs.asked[2].text.find("slot.dat"), std::string::npos);
    EXPECT_EQ(archiver::scenariosAmong({sysutil::utf8FromPath(board / "Castle")}).size(), 1u);
}
#endif

}  // namespace
