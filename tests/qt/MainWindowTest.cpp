// The main window driven as a user drives it: every access key reaches its
// command, the lists and their refresh, the default buttons, and exit.
#include <gtest/gtest.h>
#include <unistd.h>

#include <QApplication>
#include <QTimer>

#include "Driver.h"
#include "Workspace.h"
#include "app/frmFzarc.h"
#include "commands/LaunchCommands.h"
#include "sysutil/WorkFolder.h"

namespace fs = std::filesystem;

namespace {

class MainWindow : public ::testing::Test {
protected:
    std::unique_ptr<app::frmFzarc> open() {
        auto w = std::make_unique<app::frmFzarc>(dialogs, archiver, launcher, trash);
        w->Form_Load();
        drive::bringUp(*w);
        return w;
    }
    QStringList pool(app::frmFzarc& w) const { return fakes::itemTexts(*w.lstPool); }
    QStringList fridge(app::frmFzarc& w) const { return fakes::itemTexts(*w.filArc); }
    QString board(const std::string& rel) const { return QString::fromStdString(ws.boardStr(rel)); }
    fakes::Workspace ws;
    fakes::FakeDialogs dialogs;
    archiver::Unlha32Archiver archiver;
    fakes::FakeLauncher launcher;
    fakes::FakeTrash trash;
};

// Which command a key reached, told by the first thing it did.
struct KeyCase {
    const char* name;
    const char* keys;
    enum { None, FridgeRow, BoardRow } row;
    std::string reached;
};

class AccessKeys : public MainWindow, public ::testing::WithParamInterface<KeyCase> {
protected:
    std::string reached(app::frmFzarc& w) const {
        if (!dialogs.progressCaptions.empty()) return "progress " + dialogs.progressCaptions[0];
        if (!dialogs.asked.empty()) return "question " + dialogs.asked[0].text;
        if (!dialogs.inputAsked.empty()) return "input " + dialogs.inputAsked[0].caption;
        if (!dialogs.folderTitles.empty()) return "picker " + dialogs.folderTitles[0];
        if (!forms.empty()) return "form " + forms[0];
        if (!launcher.calls.empty()) return "launch " + launcher.calls[0].line;
        if (!w.isVisible()) return "closed";
        if (!pool(w).isEmpty() && pool(w).front().endsWith("/Later")) return "refreshed";
        return "nothing";
    }
    std::vector<std::string> forms;
};

TEST_P(AccessKeys, ReachTheirCommand) {
    ws.archive(ws.root.path() / "fridge", "Castle.LZH", {{"Summary.tsm", "t"}});
    ws.scenario("Castle");
    auto w = open();
    // Another engine, with a scenario of its own: the board shows it only
    // after a refresh, which reads the settings afresh. (Nothing changes on
    // the disk the window watches.)
    testsupport::writeFile(ws.root.path() / "engine2" / "Scenario" / "FZARC_まな板" / "Later" / "Summary.tsm", "t");
    ws.sandbox.set("TRPath", ws.root.str("engine2"));
    dialogs.onModal = [this](sysutil::ModalForm& form) {
        forms.push_back(dynamic_cast<QObject&>(form).objectName().toStdString());
        return 0;
    };
    if (GetParam().row == KeyCase::FridgeRow) drive::clickRow(w->filArc, "Castle.LZH");
    if (GetParam().row == KeyCase::BoardRow) drive::clickRow(w->lstPool, board("Castle"));
    drive::press(QKeySequence(QString::fromUtf8(GetParam().keys)));
    std::string expected = GetParam().reached;
    for (const auto& [mark, folder] :
         {std::pair{"<fridge>", ws.fridge()}, std::pair{"<engine>", ws.root.str("engine2")}})
        if (const auto at = expected.find(mark); at != std::string::npos)
            expected.replace(at, std::string(mark).size(), folder);
    EXPECT_EQ(reached(*w), expected) << GetParam().keys;
}

const std::string kTakeOut = "progress 「Castle.LZH」を取り出しています...";
const std::string kThrowAwayArchive =
    "question 選択された圧縮ファイル「Castle.LZH」をごみ箱に移します。よろしいですか？";
const std::string kChangeFolder = "picker 冷蔵庫フォルダ変更(一時的用)";
const std::string kThrowAwayScenario = "question シナリオ「Castle」をごみ箱に移します。よろしいですか？";
const std::string kExamine = "form frmDocumentView";
const std::string kPutAway = "input シナリオをしまう";

INSTANTIATE_TEST_SUITE_P(
    MainWindow, AccessKeys,
    ::testing::Values(KeyCase{"TakeOutButton", "Alt+L", KeyCase::FridgeRow, kTakeOut},
                      KeyCase{"TakeOutMenu", "Alt+F, F, L", KeyCase::FridgeRow, kTakeOut},
                      KeyCase{"EnterInTheFridge", "Return", KeyCase::FridgeRow, kTakeOut},
                      KeyCase{"ThrowAwayArchiveMenu", "Alt+F, F, D", KeyCase::FridgeRow, kThrowAwayArchive},
                      KeyCase{"ChangeFolderButton", "Alt+O", KeyCase::None, kChangeFolder},
                      KeyCase{"ChangeFolderMenu", "Alt+F, F, F", KeyCase::None, kChangeFolder},
                      KeyCase{"ThrowAwayScenarioButton", "Alt+D", KeyCase::BoardRow, kThrowAwayScenario},
                      KeyCase{"ThrowAwayScenarioMenu", "Alt+F, C, D", KeyCase::BoardRow, kThrowAwayScenario},
                      KeyCase{"ExamineButton", "Alt+T", KeyCase::BoardRow, kExamine},
                      KeyCase{"ExamineMenu", "Alt+F, C, T", KeyCase::BoardRow, kExamine},
                      KeyCase{"EnterOnTheBoard", "Enter", KeyCase::BoardRow, kExamine},
                      KeyCase{"PutAwayButton", "Alt+R", KeyCase::BoardRow, kPutAway},
                      KeyCase{"PutAwayMenu", "Alt+F, C, R", KeyCase::BoardRow, kPutAway},
                      KeyCase{"OpenFridgeFolder", "Alt+F, E, A", KeyCase::None,
                              "launch " + commands::openFolderCommandLine("<fridge>")},
                      KeyCase{"OpenEngineFolder", "Alt+F, E, T", KeyCase::None,
                              "launch " + commands::openFolderCommandLine("<engine>")},
                      KeyCase{"StartTheEngine", "Alt+F, E, C", KeyCase::None,
                              "launch " + commands::startProgramCommandLine("<engine>", "Tessarune.exe")},
                      KeyCase{"TheEditorIsNeverAvailable", "Alt+F, E, E", KeyCase::None, "nothing"},
                      KeyCase{"ReloadByF5", "F5", KeyCase::None, "refreshed"},
                      KeyCase{"ReloadMenu", "Alt+F, R", KeyCase::None, "refreshed"},
                      KeyCase{"Settings", "Alt+F, S", KeyCase::None, "form frmSetting"},
                      KeyCase{"Exit", "Alt+F, X", KeyCase::None, "closed"},
                      KeyCase{"About", "Alt+H, V", KeyCase::None, "form frmVersion"}),
    [](const auto& p) { return std::string(p.param.name); });

TEST_F(MainWindow, LoadCreatesTheCuttingBoardAndListsScenariosAtAnyDepth) {
    ASSERT_FALSE(fs::exists(ws.board()));
    auto w = open();
    EXPECT_TRUE(fs::exists(ws.board()));
    EXPECT_TRUE(pool(*w).isEmpty());
    EXPECT_TRUE(w->lstPool->isEnabled());

    ws.scenario("Castle");
    ws.scenario("group/deeper/Station");
    fs::create_directories(ws.board() / "not a scenario" / "sub");
    testsupport::writeFile(ws.board() / "hidden summary" / ".Summary.tsm", "x");
    ws.scenario(".hidden scenario");
    testsupport::writeFile(ws.board() / "upper" / "SUMMARY.TSM", "x");
    fs::create_directories(ws.board() / "folder summary" / "Summary.tsm");
    drive::press(QKeySequence("F5"));
    EXPECT_EQ(pool(*w), (QStringList{board("Castle"), board("group/deeper/Station"), board("upper")}));
    EXPECT_TRUE(w->lstPool->isEnabled());
    EXPECT_EQ(w->fraCuttingBoard->title(), "まな板");
}

TEST_F(MainWindow, ACommandStartedDuringARefreshIsHeldBack) {
    auto w = open();
    for (const char* name : {"A", "B", "C"}) ws.scenario(name);
    // Pressed now, delivered while the refresh waits for the folder walk with
    // events flowing: a second refresh there would list every scenario twice.
    int nested = 0;
    QTimer::singleShot(0, [&] {
        ++nested;
        drive::press(QKeySequence("F5"));
    });
    drive::press(QKeySequence("F5"));
    EXPECT_EQ(nested, 1);
    EXPECT_EQ(pool(*w).size(), 3);
    EXPECT_EQ(pool(*w).removeDuplicates(), 0);
}

TEST_F(MainWindow, MissingScenarioFolderKeepsTheListUsable) {
    fs::remove_all(ws.root.path() / "engine" / "Scenario");
    auto w = open();
    EXPECT_TRUE(pool(*w).isEmpty());
    EXPECT_TRUE(w->lstPool->isEnabled());
    EXPECT_FALSE(fs::exists(ws.board()));  // only the last level is ever created
}

TEST_F(MainWindow, WhatADeadRunLeftBehindGoesAtStart) {
    ws.scenario("Castle");
    ws.scenario("Deep/Station");
    const std::string dead = "-2147483646-5";  // no process has this id
    // Work folders carry a marker; one killed right after it was made is empty.
    const std::vector<fs::path> leftovers = {ws.root.path() / "fridge" / (".fzarc-archive" + dead),
                                             ws.sandbox.dir.path() / (".fzarc-settings" + dead),
                                             ws.board() / (".fzarc-staging" + dead),
                                             ws.board() / "Castle" / (".fzarc-staging" + dead),
                                             ws.board() / "Deep" / (".fzarc-staging" + dead),
                                             ws.board() / "Deep" / "Station" / (".fzarc-staging" + dead)};
    for (const auto& p : leftovers) testsupport::writeFile(p / ".fzarc-work", "");
    testsupport::writeFile(ws.board() / (".fzarc-staging" + dead) / "tree" / "Summary.tsm", "half taken out");
    fs::create_directories(ws.root.path() / "fridge" / (".fzarc-archive-2147483646-6"));
    // Names that only look like FZARC's stay, whatever their owner.
    const std::vector<fs::path> lookalikes = {ws.root.path() / "fridge" / ".fzarc-backup-2024-01.LZH",
                                              ws.board() / "Castle" / ".fzarc-notes-2147483646-mine" / "notes.txt",
                                              ws.board() / "Castle" / (".fzarc-staging" + dead + "x") / ".fzarc-work"};
    for (const auto& p : lookalikes) testsupport::writeFile(p, "the user's");
    auto w = open();
    for (const auto& p : leftovers) EXPECT_FALSE(fs::exists(p)) << p;
    EXPECT_FALSE(fs::exists(ws.root.path() / "fridge" / (".fzarc-archive-2147483646-6")));
    for (const auto& p : lookalikes) EXPECT_EQ(testsupport::readFile(p), "the user's") << p;
    EXPECT_TRUE(fs::exists(ws.board() / "Castle" / "Summary.tsm"));
    EXPECT_EQ(pool(*w).size(), 2);
}

TEST_F(MainWindow, EveryFolderNameTheSystemAllowsIsListed) {
    // "|" once joined the folder listing, so a name holding it never showed.
    for (const char* name : {"Castle", "A|B", "sub/Deep"}) ws.scenario(name);
    auto w = open();
    EXPECT_EQ(pool(*w), (QStringList{board("A|B"), board("Castle"), board("sub/Deep")}));
}

TEST_F(MainWindow, FridgeListsLzhFilesCaseInsensitivelyWithoutHiddenOnes) {
    for (const char* name : {"Castle.LZH", "castle2.lzh", "notes.txt", ".hidden.lzh", "x.lzh.bak"})
        testsupport::writeFile(ws.root.path() / "fridge" / name, "x");
    fs::create_directories(ws.root.path() / "fridge" / "folder.lzh");
    auto w = open();
    EXPECT_EQ(fridge(*w), (QStringList{"Castle.LZH", "castle2.lzh"}));
}

TEST_F(MainWindow, TheDefaultButtonFollowsTheFocusedList) {
    ws.scenario("Castle");
    auto w = open();
    EXPECT_EQ(QApplication::focusWidget(), w->filArc);  // first in tab order
    EXPECT_TRUE(w->cmdLoad->isDefault());
    EXPECT_FALSE(w->cmdDocument->isDefault());
    drive::clickRow(w->lstPool, board("Castle"));
    EXPECT_TRUE(w->cmdDocument->isDefault());
    EXPECT_FALSE(w->cmdLoad->isDefault());
    drive::tabTo(w->cmdDelete);
    EXPECT_FALSE(w->cmdDocument->isDefault());
    EXPECT_FALSE(w->cmdLoad->isDefault());
}

TEST_F(MainWindow, ExitClearsEmptyFoldersOutsideScenariosOnlyWhenTicked) {
    auto w = open();
    ws.scenario("Castle");
    fs::create_directories(ws.board() / "Castle" / "empty");
    fs::create_directories(ws.board() / "Castle" / "save" / "slot");
    fs::create_directories(ws.board() / "group" / "Dragon" / "save");
    testsupport::writeFile(ws.board() / "group" / "Dragon" / "Summary.tsm", "t");
    fs::create_directories(ws.board() / "empty tree" / "a" / "b");
    testsupport::writeFile(ws.board() / "kept" / "deep" / "file.txt", "x");
    fs::create_directories(ws.root.path() / "outside");
    fs::create_directory_symlink(ws.root.path() / "outside", ws.board() / "link");
    // Another FZARC, still taking out a scenario whose Summary.tsm comes last.
    std::vector<sysutil::WorkFolder> running;
    for (const auto& at : {ws.board(), ws.board() / "kept"}) {
        std::error_code ec;
        running.push_back(sysutil::createWorkFolder(at, sysutil::kWorkStaging, ec));
        fs::create_directories(running.back().path() / "tree" / "save" / "slot");
    }
    ws.sandbox.set("ExitRMNoFileDir", "0");
    drive::press(QKeySequence("Alt+F, X"));
    EXPECT_FALSE(w->isVisible());
    EXPECT_TRUE(fs::exists(ws.board() / "empty tree" / "a" / "b"));

    auto w2 = open();
    ws.sandbox.set("ExitRMNoFileDir", "1");
    w2->close();  // the close box
    EXPECT_FALSE(fs::exists(ws.board() / "empty tree"));
    // A scenario's empty folders are part of it: a later put away must find them.
    EXPECT_TRUE(fs::exists(ws.board() / "Castle" / "empty"));
    EXPECT_TRUE(fs::exists(ws.board() / "Castle" / "save" / "slot"));
    EXPECT_TRUE(fs::exists(ws.board() / "group" / "Dragon" / "save"));
    EXPECT_TRUE(fs::exists(ws.board() / "Castle" / "Summary.tsm"));
    EXPECT_TRUE(fs::exists(ws.board() / "kept" / "deep" / "file.txt"));
    EXPECT_TRUE(fs::exists(ws.board()));
    EXPECT_TRUE(fs::is_symlink(ws.board() / "link"));
    EXPECT_TRUE(fs::exists(ws.root.path() / "outside"));
    for (const auto& work : running) EXPECT_TRUE(fs::exists(work.path() / "tree" / "save" / "slot"));
}

TEST_F(MainWindow, SettingsCommandRepointsTheFridgeButNotTheBoard) {
    ws.scenario("Castle");
    auto w = open();
    fs::create_directories(ws.root.path() / "other");
    testsupport::writeFile(ws.root.path() / "other" / "Other.LZH", "x");
    dialogs.folders = {ws.root.str("other")};
    drive::press(QKeySequence("Alt+O"));
    EXPECT_EQ(fridge(*w), QStringList{"Other.LZH"});
    drive::press(QKeySequence("F5"));  // a reload keeps the temporary folder
    EXPECT_EQ(fridge(*w), QStringList{"Other.LZH"});
    // Cancelled picker: nothing changes.
    drive::press(QKeySequence("Alt+F, F, F"));
    EXPECT_EQ(fridge(*w), QStringList{"Other.LZH"});
    // Another engine: the board shows it only at the next reload.
    testsupport::writeFile(ws.root.path() / "engine2" / "Scenario" / "FZARC_まな板" / "Later" / "Summary.tsm", "t");
    ws.sandbox.set("TRPath", ws.root.str("engine2"));
    dialogs.onModal = [](sysutil::ModalForm&) { return 0; };  // settings dialog cancelled
    drive::press(QKeySequence("Alt+F, S"));
    EXPECT_EQ(w->filArc->Path(), ws.fridge());
    EXPECT_EQ(pool(*w), QStringList{board("Castle")});
}

TEST_F(MainWindow, LaunchCommandsReadTheStoredFoldersAfreshEachTime) {
    auto w = open();
    dialogs.folders = {ws.root.str()};
    drive::press(QKeySequence("Alt+O"));  // the list on another folder: not what is stored
    EXPECT_EQ(dialogs.folderStarts, std::vector<std::string>{ws.fridge()});  // the picker opens at the fridge
    drive::press(QKeySequence("Alt+F, E, A"));
    drive::press(QKeySequence("Alt+F, E, C"));
    ws.sandbox.set("TRPath", ws.root.str("moved"));
    drive::press(QKeySequence("Alt+F, E, C"));
    ASSERT_EQ(launcher.calls.size(), 3u);
    EXPECT_NE(launcher.calls[0].line.find("\"" + ws.fridge() + "\""), std::string::npos);
    EXPECT_EQ(launcher.calls[1].line, "\"" + ws.engine() + "/Tessarune.exe\"");
    EXPECT_EQ(launcher.calls[1].style, 1);
    EXPECT_FALSE(launcher.calls[1].wait);
    EXPECT_EQ(launcher.calls[2].line, "\"" + ws.root.str("moved") + "/Tessarune.exe\"");
}

// A launch that starts nothing says so, and why.
TEST_F(MainWindow, ALaunchThatStartsNothingSaysWhy) {
    auto w = open();
    launcher.starts = false;
    launcher.failure = "フォルダを表示するプログラム（ファイルマネージャ）が見つかりません。";
    drive::press(QKeySequence("Alt+F, E, A"));
    ws.sandbox.set("TRPath", ws.root.str("moved"));
    drive::press(QKeySequence("Alt+F, E, C"));
    ASSERT_EQ(dialogs.asked.size(), 2u);
    EXPECT_EQ(dialogs.asked[0].text, "冷蔵庫フォルダを開けませんでした。\r\n" + launcher.failure);
    EXPECT_EQ(dialogs.asked[1].text,
              "Tessarune を起動できませんでした。\r\n「" + ws.root.str("moved") + "/Tessarune.exe」が見つかりません。");
}

}  // namespace
