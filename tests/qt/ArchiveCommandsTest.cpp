// Take out, put away and throw away, through the window with real archives,
// each reached by its key, its menu or its button.
#include <gtest/gtest.h>

#include "Driver.h"
#include "Workspace.h"
#include "app/frmFzarc.h"
#include "ui/QtTrash.h"

namespace fs = std::filesystem;
using sysutil::MsgAnswer;

namespace {

class WindowCommands : public ::testing::Test {
protected:
    void SetUp() override {
        window = std::make_unique<app::frmFzarc>(dialogs, archiver, launcher, trash);
        window->Form_Load();
        drive::bringUp(*window);
    }
    QStringList pool() const { return fakes::itemTexts(*window->lstPool); }
    // How often the board list was read again from here on.
    std::shared_ptr<int> countBoardReads() {
        auto reads = std::make_shared<int>(0);
        QObject::connect(window->lstPool->model(), &QAbstractItemModel::modelReset, [reads] { ++*reads; });
        return reads;
    }
    // F5 shows what the test put on disk, then a click highlights the row.
    void selectArchive(const QString& name) {
        drive::press(QKeySequence("F5"));
        drive::clickRow(window->filArc, name);
    }
    void selectScenario(const std::string& rel) {
        drive::press(QKeySequence("F5"));
        drive::clickRow(window->lstPool, QString::fromStdString(ws.boardStr(rel)));
    }
    fakes::Workspace ws;
    fakes::FakeDialogs dialogs;
    archiver::Unlha32Archiver archiver;
    fakes::FakeLauncher launcher;
    fakes::FakeTrash trash;
    std::unique_ptr<app::frmFzarc> window;
};

TEST_F(WindowCommands, TakeOutRoadFromFridgeToBoard) {
    ws.archive(ws.root.path() / "fridge", "Castle.LZH", {{"Summary.tsm", "t"}, {"読んでね.txt", "r"}});
    ws.archive(ws.root.path() / "fridge", "Station.lzh", {{"Station/Summary.tsm", "t"}});
    selectArchive("Castle.LZH");
    drive::click(window->cmdLoad);
    selectArchive("Station.lzh");
    drive::press(QKeySequence("Alt+F, F, L"));
    // A top folder of its own ends one level deeper; the list still finds it.
    EXPECT_EQ(pool(), (QStringList{QString::fromStdString(ws.boardStr("Castle")),
                                   QString::fromStdString(ws.boardStr("Station/Station"))}));
    EXPECT_EQ(testsupport::readFile(ws.board() / "Castle" / "読んでね.txt"), "r");
    EXPECT_TRUE(dialogs.asked.empty());
    EXPECT_EQ(dialogs.progressCaptions.size(), 2u);
}

// The archive appears in the fridge's list under the answer's name, and the
// scenario stays on the board.
TEST_F(WindowCommands, PutAwayAsksForTheNameAndListsTheNewArchive) {
    ws.scenario("Castle");
    selectScenario("Castle");
    dialogs.inputs = {std::string("古城")};
    drive::press(QKeySequence("Alt+R"));
    ASSERT_EQ(dialogs.inputAsked.size(), 1u);
    EXPECT_EQ(dialogs.inputAsked[0].prompt,
              "圧縮するファイル名を指定してください(圧縮先フォルダは冷蔵庫のフォルダです。");
    EXPECT_EQ(dialogs.inputAsked[0].caption, "シナリオをしまう");
    EXPECT_EQ(dialogs.inputAsked[0].proposed, "Castle.LZH");  // the scenario's own name
    EXPECT_TRUE(fs::exists(ws.root.path() / "fridge" / testsupport::u8("古城.LZH")));
    EXPECT_EQ(window->filArc->findItems("古城.LZH", Qt::MatchExactly).size(), 1);
    EXPECT_TRUE(fs::exists(ws.board() / "Castle" / "Summary.tsm"));
}

TEST_F(WindowCommands, EmptyOrCancelledAnswerDoesNothingAtAll) {
    ws.scenario("Castle");
    selectScenario("Castle");
    const auto reads = countBoardReads();
    dialogs.inputs = {std::string(""), std::nullopt};
    drive::press(QKeySequence("Alt+R"));
    drive::press(QKeySequence("Alt+F, C, R"));
    EXPECT_TRUE(fs::is_empty(ws.root.path() / "fridge"));
    EXPECT_EQ(*reads, 0);
    EXPECT_TRUE(dialogs.progressCaptions.empty());
}

TEST_F(WindowCommands, PutAwayWritesIntoTheTemporaryFridgeAndRoundTrips) {
    ws.scenario("Castle");
    testsupport::writeFile(ws.board() / "Castle" / "表示" / "ソース.txt", "\x95\x5c");
    fs::create_directories(ws.root.path() / "temp fridge");
    dialogs.folders = {ws.root.str("temp fridge")};
    drive::press(QKeySequence("Alt+O"));
    selectScenario("Castle");
    dialogs.inputs = {std::string("Copy")};
    drive::press(QKeySequence("Alt+R"));
    EXPECT_TRUE(fs::exists(ws.root.path() / "temp fridge" / "Copy.LZH"));
    EXPECT_TRUE(fs::is_empty(ws.root.path() / "fridge"));
    // And back out again, from the folder on screen.
    selectArchive("Copy.LZH");
    drive::press(QKeySequence("Alt+L"));
    EXPECT_EQ(testsupport::readFile(ws.board() / "Copy" / "表示" / "ソース.txt"), "\x95\x5c");
}

TEST_F(WindowCommands, PutAwayWithNoFridgeFolderWritesNothing) {
    ws.scenario("Castle");
    selectScenario("Castle");
    // The fridge folder emptied in the settings: the settings command shows it so.
    ws.sandbox.set("ArcPath", "");
    drive::press(QKeySequence("Alt+F, S"));
    ASSERT_EQ(window->filArc->Path(), "");
    drive::clickRow(window->lstPool, QString::fromStdString(ws.boardStr("Castle")));
    dialogs.inputs = {std::string("Castle")};
    drive::press(QKeySequence("Alt+R"));
    ASSERT_EQ(dialogs.asked.size(), 1u);
    EXPECT_EQ(dialogs.asked[0].text, "冷蔵庫フォルダが設定されていません。");
    EXPECT_TRUE(dialogs.progressCaptions.empty());
}

TEST_F(WindowCommands, ThrowAwayScenarioAsksTwice) {
    ws.scenario("Castle");
    ws.scenario("Castle/Nested");
    selectScenario("Castle");
    ASSERT_EQ(pool().size(), 2);

    const auto reads = countBoardReads();
    dialogs.answers = {MsgAnswer::No};
    drive::press(QKeySequence("Alt+D"));
    EXPECT_EQ(dialogs.asked.size(), 1u);
    EXPECT_EQ(*reads, 0);  // no refresh after the first No

    dialogs.answers = {MsgAnswer::Yes, MsgAnswer::No};
    drive::press(QKeySequence("Alt+F, C, D"));
    EXPECT_EQ(*reads, 1);  // the second No still refreshes the board
    EXPECT_TRUE(fs::exists(ws.board() / "Castle"));

    drive::clickRow(window->lstPool, QString::fromStdString(ws.boardStr("Castle")));
    dialogs.asked.clear();
    dialogs.answers = {MsgAnswer::Yes, MsgAnswer::Yes};
    drive::click(window->cmdDelete);
    EXPECT_EQ(dialogs.asked.size(), 2u);
    EXPECT_FALSE(fs::exists(ws.board() / "Castle"));  // the nested scenario went with it
    EXPECT_TRUE(fs::exists(trash.folder / "Castle" / "Nested" / "Summary.tsm"));
    EXPECT_TRUE(pool().isEmpty());
}

// After a temporary change of the fridge folder, the fridge of the settings
// still counts: a scenario holding it is not thrown away.
TEST_F(WindowCommands, ThrowAwayRefusesAScenarioHoldingTheStoredFridge) {
    ws.scenario("Castle");
    testsupport::writeFile(ws.board() / "Castle" / "fridge" / "Only.LZH", "the only copy");
    ws.sandbox.set("ArcPath", sysutil::utf8FromPath(ws.board() / "Castle" / "fridge"));
    fs::create_directories(ws.root.path() / "temp fridge");
    dialogs.folders = {ws.root.str("temp fridge")};
    drive::press(QKeySequence("Alt+O"));
    selectScenario("Castle");
    dialogs.answers = {MsgAnswer::Yes, MsgAnswer::Yes};
    drive::press(QKeySequence("Alt+D"));
    EXPECT_EQ(testsupport::readFile(ws.board() / "Castle" / "fridge" / "Only.LZH"), "the only copy");
    ASSERT_FALSE(dialogs.asked.empty());
    EXPECT_NE(dialogs.asked[0].text.find("すてられません"), std::string::npos) << dialogs.asked[0].text;
}

TEST_F(WindowCommands, ThrowAwayArchiveAsksOnceAndMovesItToTheTrash) {
    testsupport::writeFile(ws.root.path() / "fridge" / "Old.LZH", "x");
    selectArchive("Old.LZH");
    dialogs.answers = {MsgAnswer::No};
    drive::press(QKeySequence("Alt+F, F, D"));
    EXPECT_TRUE(fs::exists(ws.root.path() / "fridge" / "Old.LZH"));
    EXPECT_EQ(dialogs.asked.size(), 1u);
    dialogs.answers = {MsgAnswer::Yes};
    drive::press(QKeySequence("Alt+F, F, D"));
    EXPECT_FALSE(fs::exists(ws.root.path() / "fridge" / "Old.LZH"));
    EXPECT_EQ(testsupport::readFile(trash.folder / "Old.LZH"), "x");
    EXPECT_EQ(window->filArc->count(), 0);
}

// Enter in the fridge takes out again: an edited file is named and, on Yes,
// goes to the desktop's trash (here one of the test's own), from where a
// restore puts it back into the scenario.
TEST(DesktopTrash, TakeOutAgainPutsTheEditedFileInTheDesktopTrash) {
    fakes::Workspace ws;
    const fs::path data = ws.root.path() / "data";
    fs::create_directories(data);
    const QByteArray oldData = qgetenv("XDG_DATA_HOME");
    qputenv("XDG_DATA_HOME", QByteArray::fromStdString(data.native()));
    fakes::FakeDialogs dialogs;
    archiver::Unlha32Archiver archiver;
    fakes::FakeLauncher launcher;
    ui::QtTrash trash;
    ws.archive(ws.root.path() / "fridge", "Castle.LZH", {{"Summary.tsm", "t"}, {"readme.txt", "the archive's"}});
    app::frmFzarc window(dialogs, archiver, launcher, trash);
    window.Form_Load();
    drive::bringUp(window);
    drive::clickRow(window.filArc, "Castle.LZH");
    drive::press(QKeySequence("Return"));
    testsupport::writeFile(ws.board() / "Castle" / "readme.txt", "my edit");
    dialogs.answers = {MsgAnswer::Yes};
    drive::clickRow(window.filArc, "Castle.LZH");
    drive::press(QKeySequence("Return"));
    ASSERT_EQ(dialogs.asked.size(), 1u);
    EXPECT_NE(dialogs.asked[0].text.find("readme.txt"), std::string::npos) << dialogs.asked[0].text;
    EXPECT_NE(dialogs.asked[0].text.find("ごみ箱に移します"), std::string::npos) << dialogs.asked[0].text;
    EXPECT_EQ(testsupport::readFile(ws.board() / "Castle" / "readme.txt"), "the archive's");
    EXPECT_EQ(testsupport::readFile(data / "Trash" / "files" / "Castle" / "readme.txt"), "my edit");
    const std::string info = testsupport::readFile(data / "Trash" / "info" / "Castle.trashinfo");
    EXPECT_NE(
        info.find("\nPath=" +
                  QByteArray::fromStdString((ws.board() / "Castle").native()).toPercentEncoding("/").toStdString() +
                  "\n"),
        std::string::npos)
        << info;
    qputenv("XDG_DATA_HOME", oldData);
}

// The desktop's trash records where each item came from, escaped, so that a
// restore puts it back under its own name: one with '%' and a line end, one
// in CP932 bytes that Qt cannot spell. The data folder is yet to be made (a
// new account): the items go to the trash, not beside the working folder.
TEST(DesktopTrash, TheDesktopTrashKeepsEveryNameForTheRestore) {
    testsupport::TempDir root;
    const QByteArray oldData = qgetenv("XDG_DATA_HOME");
    qputenv("XDG_DATA_HOME", QByteArray::fromStdString((root.path() / "data").native()));
    ui::QtTrash trash;
    for (const std::string name : {"100%41 done\nv2", "\x83\x65\x83\x58\x83\x67"}) {
        const fs::path item = root.path() / "board" / name;
        testsupport::writeFile(item / "Summary.tsm", "t");
        std::error_code ec;
        EXPECT_TRUE(trash.moveToTrash(item, ec)) << ec.message();
        const fs::path trashed = root.path() / "data" / "Trash";
        EXPECT_EQ(testsupport::readFile(trashed / "files" / name / "Summary.tsm"), "t");
        const std::string place = QByteArray::fromStdString(item.native()).toPercentEncoding("/").toStdString();
        EXPECT_NE(testsupport::readFile(trashed / "info" / (name + ".trashinfo")).find("\nPath=" + place + "\n"),
                  std::string::npos);
    }
    qputenv("XDG_DATA_HOME", oldData);
}

#if !defined(_WIN32)
TEST_F(WindowCommands, ShiftJisNamesOnDiskAreShownDecodedAndReachedByTheirBytes) {
    // Copied from old media: the name's bytes are Shift-JIS, not UTF-8.
    ws.archive(ws.root.path() / "fridge", "tmp.LZH", {{"Summary.tsm", "t"}});
    const fs::path raw = ws.root.path() / "fridge" / std::string("\x95\x5c\x83\x5c.LZH");  // 表ソ.LZH
    fs::rename(ws.root.path() / "fridge" / "tmp.LZH", raw);
    selectArchive("表ソ.LZH");
    EXPECT_EQ(fakes::itemTexts(*window->filArc), QStringList{"表ソ.LZH"});
    drive::press(QKeySequence("Alt+L"));
    EXPECT_TRUE(dialogs.asked.empty()) << dialogs.asked.front().text;
    EXPECT_EQ(testsupport::readFile(ws.board() / "表ソ" / "Summary.tsm"), "t");
    dialogs.answers = {MsgAnswer::Yes};
    drive::press(QKeySequence("Alt+F, F, D"));
    EXPECT_FALSE(fs::exists(raw));
}
#endif

}  // namespace
