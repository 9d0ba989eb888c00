// The main window: controls, menus, lists, refresh, default buttons and exit.
#include <gtest/gtest.h>

#include <QApplication>
#include <QMenuBar>
#include <QTest>
#include <QTimer>

#include "Workspace.h"
#include "app/frmFzarc.h"

namespace fs = std::filesystem;

namespace {

class MainWindow : public ::testing::Test {
protected:
    std::unique_ptr<app::frmFzarc> open() {
        auto w = std::make_unique<app::frmFzarc>(dialogs, archiver, launcher);
        w->Form_Load();
        return w;
    }
    QStringList pool(app::frmFzarc& w) const { return fakes::itemTexts(*w.lstPool); }
    QStringList fridge(app::frmFzarc& w) const { return fakes::itemTexts(*w.filArc); }
    fakes::Workspace ws;
    fakes::FakeDialogs dialogs;
    archiver::Unlha32Archiver archiver;
    fakes::FakeLauncher launcher;
};

TEST_F(MainWindow, HasEveryControlAndMenuItemByName) {
    auto w = open();
    EXPECT_EQ(w->windowTitle(), "Tessarune scenario freezer for LZH");
    const std::vector<std::pair<const char*, const char*>> buttons = {{"cmdChangeArcFolder", "フォルダ変更(&O)..."},
                                                                      {"cmdLoad", "とりだす(&L)..."},
                                                                      {"cmdDelete", "すてる(&D)..."},
                                                                      {"cmdDocument", "調べる(&T)..."},
                                                                      {"cmdReArc", "しまう(&R)..."}};
    for (const auto& [name, text] : buttons) {
        auto* b = w->findChild<QPushButton*>(name);
        ASSERT_NE(b, nullptr) << name;
        EXPECT_EQ(b->text(), QString::fromUtf8(text));
        EXPECT_GE(b->width(), b->sizeHint().width()) << name << " clips its caption";
    }
    EXPECT_EQ(w->cmdLoad->toolTip(), "シナリオを解凍してまな板フォルダに展開します。");
    EXPECT_EQ(w->cmdDelete->toolTip(), "選択されているシナリオを削除します。");
    EXPECT_EQ(w->cmdDocument->toolTip(), "付属ドキュメントなどを閲覧します。");
    EXPECT_EQ(w->cmdReArc->toolTip(), "再圧縮して別名保存します。");
    EXPECT_EQ(w->fraFiles->title(), "冷蔵庫");
    EXPECT_EQ(w->fraCuttingBoard->title(), "まな板");
    const std::vector<std::pair<const char*, const char*>> menus = {
        {"mnuLoad", "とりだす(&L)..."},
        {"mnuDeleteArchive", "すてる(&D)..."},
        {"mnuChangeArcFolder", "フォルダ変更(&F)..."},
        {"mnuDelete", "すてる(&D)..."},
        {"mnuDocument", "調べる(&T)..."},
        {"mnuReArc", "しまう(&R)..."},
        {"mnuOpenArchiveFolder", "冷蔵庫フォルダを開く(&A)"},
        {"mnuOpenFolder", "まな板フォルダを開く(&T)"},
        {"mnuExecuteTessarune", "Tessarune起動(&C)"},
        {"mnuExecuteTessaruneEditor", "TessaruneEditor起動(&E)"},
        {"mnuReload", "最新の情報に更新(&R)"},
        {"mnuSetting", "設定(&S)"},
        {"mnuExit", "終了(&X)"},
        {"mnuVersion", "バージョン情報(&V)..."}};
    for (const auto& [name, text] : menus) {
        auto* a = w->findChild<QAction*>(name);
        ASSERT_NE(a, nullptr) << name;
        EXPECT_EQ(a->text(), QString::fromUtf8(text));
        EXPECT_EQ(a->isEnabled(), std::string(name) != "mnuExecuteTessaruneEditor") << name;
    }
    EXPECT_EQ(w->mnuReload->shortcut(), QKeySequence(Qt::Key_F5));
    EXPECT_TRUE(w->findChild<QAction*>("mnuSp0")->isSeparator());
    EXPECT_TRUE(w->findChild<QAction*>("mnuSp1")->isSeparator());
    const QList<QAction*> fileItems = w->mnuFile->actions();
    ASSERT_EQ(fileItems.size(), 8);
    EXPECT_EQ(fileItems[0]->menu(), w->mnuFreezer);
    EXPECT_EQ(fileItems[3], w->mnuSp0);
    EXPECT_EQ(fileItems[7], w->mnuExit);
    EXPECT_EQ(w->menuBar()->actions().size(), 2);
}

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
    w->mnuReload->trigger();
    EXPECT_EQ(pool(*w), (QStringList{QString::fromStdString(ws.boardStr("Castle")),
                                     QString::fromStdString(ws.boardStr("group/deeper/Station")),
                                     QString::fromStdString(ws.boardStr("upper"))}));
    EXPECT_TRUE(w->lstPool->isEnabled());
    EXPECT_EQ(w->fraCuttingBoard->title(), "まな板");
}

TEST_F(MainWindow, ACommandStartedDuringARefreshIsHeldBack) {
    auto w = open();
    for (const char* name : {"A", "B", "C"}) ws.scenario(name);
    // Queued now, delivered while the refresh waits for the folder walk with
    // events flowing: a second refresh there would list every scenario twice.
    int nested = 0;
    QTimer::singleShot(0, [&] {
        ++nested;
        w->mnuReload->trigger();
    });
    w->mnuReload->trigger();
    QApplication::processEvents();
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
    EXPECT_EQ(pool(*w),
              (QStringList{QString::fromStdString(ws.boardStr("A|B")), QString::fromStdString(ws.boardStr("Castle")),
                           QString::fromStdString(ws.boardStr("sub/Deep"))}));
}

TEST_F(MainWindow, FridgeListsLzhFilesCaseInsensitivelyWithoutHiddenOnes) {
    for (const char* name : {"Castle.LZH", "castle2.lzh", "notes.txt", ".hidden.lzh", "x.lzh.bak"})
        testsupport::writeFile(ws.root.path() / "fridge" / name, "x");
    fs::create_directories(ws.root.path() / "fridge" / "folder.lzh");
    auto w = open();
    EXPECT_EQ(fridge(*w), (QStringList{"Castle.LZH", "castle2.lzh"}));
}

TEST_F(MainWindow, EnterFollowsTheFocusedList) {
    ws.archive(ws.root.path() / "fridge", "Castle.LZH", {{"Summary.tsm", "t"}});
    auto w = open();
    w->show();
    QApplication::setActiveWindow(w.get());
    w->filArc->setFocus();
    QApplication::processEvents();
    EXPECT_TRUE(w->cmdLoad->isDefault());
    EXPECT_FALSE(w->cmdDocument->isDefault());
    w->filArc->setCurrentRow(0);
    QTest::keyClick(w->filArc, Qt::Key_Return);
    EXPECT_EQ(pool(*w), QStringList{QString::fromStdString(ws.boardStr("Castle"))});

    int viewerOpened = 0;
    dialogs.onModal = [&](sysutil::ModalForm&) { return ++viewerOpened; };
    w->lstPool->setFocus();
    QApplication::processEvents();
    EXPECT_TRUE(w->cmdDocument->isDefault());
    EXPECT_FALSE(w->cmdLoad->isDefault());
    w->lstPool->setCurrentRow(0);
    QTest::keyClick(w->lstPool, Qt::Key_Enter);
    EXPECT_EQ(viewerOpened, 1);
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
    ws.sandbox.set("ExitRMNoFileDir", "0");
    w->mnuExit->trigger();
    EXPECT_TRUE(fs::exists(ws.board() / "empty tree" / "a" / "b"));

    auto w2 = open();
    ws.sandbox.set("ExitRMNoFileDir", "1");
    w2->close();
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
}

TEST_F(MainWindow, SettingsCommandRepointsTheFridgeButNotTheBoard) {
    ws.scenario("Castle");
    auto w = open();
    fs::create_directories(ws.root.path() / "other");
    testsupport::writeFile(ws.root.path() / "other" / "Other.LZH", "x");
    dialogs.folders = {ws.root.str("other")};
    w->mnuChangeArcFolder->trigger();
    EXPECT_EQ(fridge(*w), QStringList{"Other.LZH"});
    w->mnuReload->trigger();  // a reload keeps the temporary folder
    EXPECT_EQ(fridge(*w), QStringList{"Other.LZH"});
    // Cancelled picker: nothing changes.
    w->mnuChangeArcFolder->trigger();
    EXPECT_EQ(fridge(*w), QStringList{"Other.LZH"});
    ws.scenario("Later");
    dialogs.onModal = [](sysutil::ModalForm&) { return 0; };  // settings dialog cancelled
    w->mnuSetting->trigger();
    EXPECT_EQ(w->filArc->Path(), ws.fridge());
    EXPECT_EQ(pool(*w).size(), 1);  // the board waits for the next reload
}

TEST_F(MainWindow, LaunchCommandsUseTheStoredFolders) {
    auto w = open();
    dialogs.folders = {ws.root.str()};
    w->mnuChangeArcFolder->trigger();
    w->mnuOpenArchiveFolder->trigger();
    w->mnuExecuteTessarune->trigger();
    ASSERT_EQ(launcher.calls.size(), 2u);
    EXPECT_NE(launcher.calls[0].line.find("\"" + ws.fridge() + "\""), std::string::npos);
    EXPECT_EQ(launcher.calls[1].line, "\"" + ws.engine() + "/Tessarune.exe\"");
    EXPECT_EQ(launcher.calls[1].style, 1);
    EXPECT_FALSE(launcher.calls[1].wait);
}

}  // namespace
