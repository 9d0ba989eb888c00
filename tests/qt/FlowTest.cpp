// A user's flow through the main window: what stays highlighted and where the
// keyboard is after each command, rows that can be told apart, lists that
// follow the disk, archives dropped from the file manager, and a board that
// cannot be made.
#include <gtest/gtest.h>

#include <QApplication>
#include <QFileInfo>
#include <QRegularExpression>
#include <QScrollBar>
#include <QTest>
#include <QToolTip>

#include "Driver.h"
#include "Workspace.h"
#include "app/frmFzarc.h"

namespace fs = std::filesystem;
using sysutil::MsgAnswer;

namespace {

class Flow : public ::testing::Test {
protected:
    void SetUp() override {
        ws.archive(fridgeDir(), "Alpha.LZH", {{"Summary.tsm", "a"}, {"readme.txt", "r"}});
        ws.archive(fridgeDir(), "Beta.LZH", {{"Summary.tsm", "b"}});
        ws.scenario("Castle");
        ws.scenario("Dragon");
    }
    void open() {
        window = std::make_unique<app::frmFzarc>(dialogs, archiver, launcher, trash);
        window->Form_Load();
        drive::bringUp(*window);
    }
    fs::path fridgeDir() const { return ws.root.path() / "fridge"; }
    QString board(const std::string& rel) const { return QString::fromStdString(ws.boardStr(rel)); }
    QStringList pool() const { return fakes::itemTexts(*window->lstPool); }
    QStringList fridge() const { return fakes::itemTexts(*window->filArc); }
    // What each list highlights ("" for nothing) and which widget has the keyboard.
    QString highlighted(const ui::ListBox* list) const { return list->selectedText(); }
    QWidget* keyboard() const { return QApplication::focusWidget(); }
    std::shared_ptr<int> countReads(QListWidget* list) {
        auto reads = std::make_shared<int>(0);
        QObject::connect(list->model(), &QAbstractItemModel::modelReset, [reads] { ++*reads; });
        return reads;
    }

    fakes::Workspace ws;
    fakes::FakeDialogs dialogs;
    archiver::Unlha32Archiver archiver;
    fakes::FakeLauncher launcher;
    fakes::FakeTrash trash;
    std::unique_ptr<app::frmFzarc> window;
};

// The lists follow the disk within a moment; the tests wait for that
// generously, since they measure no speed.
constexpr int kFollowsWithin = 5000;

TEST_F(Flow, TakeOutExaminePutAwayThrowAwayByKeysAlone) {
    open();
    // Take out: the new scenario is highlighted on the board, the keyboard
    // stays in the fridge, where Enter takes out again.
    drive::press(QKeySequence("Down, Return"));
    ASSERT_TRUE(fs::exists(ws.board() / "Alpha" / "Summary.tsm"));
    EXPECT_EQ(highlighted(window->filArc), "Alpha.LZH");
    EXPECT_EQ(highlighted(window->lstPool), board("Alpha"));
    EXPECT_EQ(keyboard(), window->filArc);
    EXPECT_TRUE(window->cmdLoad->isDefault());

    // Examine: Tab to the board, where the new scenario waits; Enter.
    drive::tabTo(window->lstPool);
    dialogs.onModal = drive::whenShown([](QWidget&) { drive::press(QKeySequence("Escape")); });
    drive::press(QKeySequence("Return"));
    EXPECT_EQ(dialogs.modalShown, 1);
    EXPECT_EQ(keyboard(), window->lstPool);
    EXPECT_EQ(highlighted(window->lstPool), board("Alpha"));

    // Put away under a new name: the new archive is highlighted in the
    // fridge, the scenario still on the board, the keyboard back there.
    dialogs.inputs = {std::string("Alpha2")};
    drive::press(QKeySequence("Alt+R"));
    ASSERT_TRUE(fs::exists(fridgeDir() / "Alpha2.LZH"));
    EXPECT_EQ(highlighted(window->filArc), "Alpha2.LZH");
    EXPECT_EQ(highlighted(window->lstPool), board("Alpha"));
    EXPECT_EQ(keyboard(), window->lstPool);

    // Throw away the scenario: the row that took its place is highlighted.
    dialogs.answers = {MsgAnswer::Yes, MsgAnswer::Yes};
    drive::press(QKeySequence("Alt+D"));
    EXPECT_FALSE(fs::exists(ws.board() / "Alpha"));
    EXPECT_EQ(pool(), (QStringList{board("Castle"), board("Dragon")}));
    EXPECT_EQ(highlighted(window->lstPool), board("Castle"));
    EXPECT_EQ(keyboard(), window->lstPool);

    // Throw away the new archive from the menu: the keyboard is back in the fridge.
    drive::clickRow(window->filArc, "Alpha2.LZH");
    dialogs.answers = {MsgAnswer::Yes};
    drive::press(QKeySequence("Alt+F, F, D"));
    EXPECT_FALSE(fs::exists(fridgeDir() / "Alpha2.LZH"));
    EXPECT_EQ(highlighted(window->filArc), "Beta.LZH");
    EXPECT_EQ(keyboard(), window->filArc);
}

// After a throw away the keys go on from where the thrown row was: its
// neighbour below is highlighted, or the one above when it was the last.
TEST_F(Flow, ThrowAwayHighlightsTheNeighbourInItsList) {
    ws.scenario("Echo");
    ws.scenario("Fox");
    ws.archive(fridgeDir(), "Gamma.LZH", {{"Summary.tsm", "g"}});
    open();
    drive::tabTo(window->lstPool);
    drive::press(QKeySequence("Down, Down"));
    ASSERT_EQ(highlighted(window->lstPool), board("Dragon"));
    dialogs.answers = {MsgAnswer::Yes, MsgAnswer::Yes};
    drive::press(QKeySequence("Alt+D"));
    ASSERT_EQ(pool(), (QStringList{board("Castle"), board("Echo"), board("Fox")}));
    EXPECT_EQ(highlighted(window->lstPool), board("Echo"));
    EXPECT_EQ(keyboard(), window->lstPool);
    drive::press(QKeySequence("Down"));
    EXPECT_EQ(highlighted(window->lstPool), board("Fox"));
    dialogs.answers = {MsgAnswer::Yes, MsgAnswer::Yes};
    drive::press(QKeySequence("Alt+D"));
    EXPECT_EQ(highlighted(window->lstPool), board("Echo"));

    drive::tabTo(window->filArc);
    drive::press(QKeySequence("Down, Down"));
    dialogs.answers = {MsgAnswer::Yes};
    drive::press(QKeySequence("Alt+F, F, D"));
    ASSERT_EQ(fridge(), (QStringList{"Alpha.LZH", "Gamma.LZH"}));
    EXPECT_EQ(highlighted(window->filArc), "Gamma.LZH");
    EXPECT_EQ(keyboard(), window->filArc);
    dialogs.answers = {MsgAnswer::Yes};
    drive::press(QKeySequence("Alt+F, F, D"));
    EXPECT_EQ(highlighted(window->filArc), "Alpha.LZH");
    drive::press(QKeySequence("Down"));
    EXPECT_EQ(highlighted(window->filArc), "Alpha.LZH");  // the only row left
}

// Updating an archive: put away proposes the scenario's name, and yes
// replaces the archive of that name, the old one going to the trash.
TEST_F(Flow, PutAwayOverAnArchiveOfTheSameNameReplacesItOnYes) {
    ws.archive(fridgeDir(), "Castle.LZH", {{"Summary.tsm", "old"}});
    const std::string old = testsupport::readFile(fridgeDir() / "Castle.LZH");
    open();
    drive::tabTo(window->lstPool);
    drive::press(QKeySequence("Down"));
    dialogs.inputs = {std::string("Castle.LZH")};
    dialogs.answers = {MsgAnswer::Yes};
    drive::press(QKeySequence("Alt+R"));
    EXPECT_EQ(dialogs.inputAsked.at(0).proposed, "Castle.LZH");
    ASSERT_EQ(trash.moved.size(), 1u);
    EXPECT_EQ(testsupport::readFile(trash.moved[0].to), old);
    EXPECT_NE(testsupport::readFile(fridgeDir() / "Castle.LZH"), old);
    EXPECT_EQ(fridge(), (QStringList{"Alpha.LZH", "Beta.LZH", "Castle.LZH"}));
    EXPECT_EQ(highlighted(window->filArc), "Castle.LZH");
    // What the new archive holds comes back whole.
    drive::clickRow(window->filArc, "Castle.LZH");
    dialogs.answers = {MsgAnswer::Yes};
    fs::remove_all(ws.board() / "Castle");
    drive::press(QKeySequence("Return"));
    EXPECT_EQ(testsupport::readFile(ws.board() / "Castle" / "readme.txt"), "read me");
}

TEST_F(Flow, ARefreshKeepsTheHighlightedRowsAndNeverPicksANeighbour) {
    open();
    drive::clickRow(window->lstPool, board("Dragon"));
    drive::clickRow(window->filArc, "Beta.LZH");
    drive::press(QKeySequence("F5"));
    EXPECT_EQ(highlighted(window->filArc), "Beta.LZH");
    EXPECT_EQ(highlighted(window->lstPool), board("Dragon"));
    EXPECT_EQ(keyboard(), window->filArc);

    drive::clickRow(window->lstPool, board("Dragon"));
    fs::remove_all(ws.board() / "Dragon");
    fs::remove(fridgeDir() / "Beta.LZH");
    drive::press(QKeySequence("F5"));
    EXPECT_EQ(pool(), QStringList{board("Castle")});
    EXPECT_EQ(highlighted(window->lstPool), "");
    EXPECT_EQ(highlighted(window->filArc), "");
    EXPECT_EQ(keyboard(), window->lstPool);  // disabled while it was read, and back
    drive::press(QKeySequence("Alt+D"));
    drive::press(QKeySequence("Alt+L"));
    EXPECT_TRUE(dialogs.asked.empty());
    EXPECT_TRUE(dialogs.progressCaptions.empty());
}

TEST_F(Flow, TakeOutHighlightsTheScenarioBelowTheArchivesFolder) {
    ws.archive(fridgeDir(), "Station.LZH", {{"Station/Summary.tsm", "s"}});
    open();
    drive::clickRow(window->filArc, "Station.LZH");
    drive::press(QKeySequence("Alt+L"));
    EXPECT_EQ(highlighted(window->lstPool), board("Station/Station"));
    EXPECT_EQ(keyboard(), window->filArc);
}

TEST_F(Flow, ScenariosWithLongPathsCanBeToldApart) {
    // A deep engine folder: every full path is wider than the list.
    const fs::path engine = ws.root.path() / testsupport::u8("ゲーム/とても長い名前のフォルダ/Tessarune 本体");
    const fs::path deepBoard = engine / "Scenario" / testsupport::u8("FZARC_まな板");
    for (const char* rel : {"Festival", "Festival/番外編"})
        testsupport::writeFile(deepBoard / testsupport::u8(rel) / "Summary.tsm", "t");
    ws.sandbox.set("TRPath", sysutil::utf8FromPath(engine));
    open();
    const QString festival = QString::fromStdString(sysutil::utf8FromPath(deepBoard / "Festival"));
    const QString extra = QString::fromStdString(sysutil::utf8FromPath(deepBoard / testsupport::u8("Festival/番外編")));
    ASSERT_EQ(pool(), (QStringList{festival, extra}));  // each row's text the full path
    QListWidget& list = *window->lstPool;
    ASSERT_GT(list.fontMetrics().horizontalAdvance(festival), list.viewport()->width());

    // The two rows look different (cut on the left, both would show the same
    // beginning), and nothing asks to scroll sideways.
    auto seen = [&](int row) {
        return list.viewport()
            ->grab(list.visualItemRect(list.item(row)).intersected(list.viewport()->rect()))
            .toImage();
    };
    const QImage first = seen(0);
    const QImage second = seen(1);
    EXPECT_NE(first, second);
    EXPECT_FALSE(list.horizontalScrollBar()->isVisible());
    EXPECT_LE(list.visualItemRect(list.item(1)).right(), list.viewport()->rect().right());

    // The mouse resting on a row shows the whole path.
    drive::hover(list.viewport(), list.visualItemRect(list.item(1)).center());
    EXPECT_TRUE(QTest::qWaitFor([&] { return QToolTip::text().startsWith(extra + "\n"); }, kFollowsWithin))
        << QToolTip::text().toStdString();
}

// Which list takes the keys shows at a glance: a list without the focus
// draws its highlight in another colour.
TEST_F(Flow, OnlyTheListWithTheKeyboardShowsItsHighlightInFullColour) {
    open();
    auto highlightColour = [](QListWidget& list) {
        const QRect row = list.visualItemRect(list.currentItem());
        return list.viewport()->grab().toImage().pixelColor(row.right() - 3, row.center().y());
    };
    for (QListWidget* list : {static_cast<QListWidget*>(window->filArc), static_cast<QListWidget*>(window->lstPool)}) {
        drive::tabTo(list);
        drive::press(QKeySequence("Down"));
        const QColor withKeys = highlightColour(*list);
        drive::press(QKeySequence("Tab"));
        ASSERT_NE(keyboard(), list);
        const QColor without = highlightColour(*list);
        EXPECT_NE(withKeys, without) << list->objectName().toStdString();
        EXPECT_GT(
            std::abs(withKeys.hsvSaturation() - without.hsvSaturation()) + std::abs(withKeys.value() - without.value()),
            40)
            << withKeys.name().toStdString() << " " << without.name().toStdString();
        EXPECT_NE(without, list->palette().color(QPalette::Base));  // still highlighted
    }
}

// Both lists in the desktop's order (numbers by value, letter case aside),
// the board by the part of each path below it; typing a scenario's name
// finds its row, though the row shows the whole path.
TEST_F(Flow, BothListsShareOneOrderAndTypingFindsAScenarioByName) {
    const char* names[] = {"castle10", "Castle2", "ｱﾘｽ", "カッパ", "castle1"};
    for (const char* name : names) {
        ws.scenario(name);
        ws.archive(fridgeDir(), std::string(name) + ".LZH", {{"Summary.tsm", "x"}});
    }
    open();
    QStringList mine, below, archives;
    for (const char* name : names) mine << QString::fromUtf8(name);
    for (const QString& row : pool())
        if (mine.contains(row.mid(board("").size() + 1))) below << row.mid(board("").size() + 1);
    for (const QString& name : fridge())
        if (mine.contains(name.chopped(4))) archives << name.chopped(4);
    EXPECT_EQ(below, archives);
    EXPECT_LT(below.indexOf("Castle2"), below.indexOf("castle10"));
    EXPECT_LT(below.indexOf("castle1"), below.indexOf("Castle2"));

    drive::tabTo(window->lstPool);
    drive::type("dra");
    EXPECT_EQ(highlighted(window->lstPool), board("Dragon"));
    QTest::qWait(QApplication::keyboardInputInterval() + 50);
    drive::type("カッ");
    EXPECT_EQ(highlighted(window->lstPool), board("カッパ"));
}

// A long archive name is cut in its middle, so its start and ".LZH" show,
// with no scroll bar sideways; resting the mouse on an archive tells its
// size, date and number of files, read from its headers, and whether it is
// on the board; on a scenario, whether the fridge holds an archive of its name.
TEST_F(Flow, LongNamesFitAndTooltipsTellWhatEachRowHolds) {
    const std::string longName = "竜の城_第17章_完全版_ver1.2_追加シナリオ付き_さらに長い名前.LZH";
    ws.archive(fridgeDir(), longName, {{"Summary.tsm", "a"}, {"readme.txt", "r"}, {"data/map.dat", "m"}});
    ws.archive(fridgeDir(), "\x93\xc7\x82\xf1\x82\xc5\x82\xcb.LZH", {{"Summary.tsm", "s"}});  // from old media
    ws.scenario("Alpha");
    open();
    QListWidget& list = *window->filArc;
    EXPECT_FALSE(list.horizontalScrollBar()->isVisible());
    const int row = fridge().indexOf(QString::fromStdString(longName));
    ASSERT_GE(row, 0);
    EXPECT_LE(list.visualItemRect(list.item(row)).right(), list.viewport()->rect().right());

    auto tipOn = [&](QListWidget& on, const QString& text) {
        QToolTip::hideText();
        (void)QTest::qWaitFor([] { return QToolTip::text().isEmpty(); }, 1000);
        const int r = fakes::itemTexts(on).indexOf(text);
        drive::hover(on.viewport(), on.visualItemRect(on.item(r)).center());
        (void)QTest::qWaitFor([&] { return QToolTip::text().startsWith(text); }, kFollowsWithin);
        return QToolTip::text();
    };
    const QString tip = tipOn(list, QString::fromStdString(longName));
    EXPECT_TRUE(tip.startsWith(QString::fromStdString(longName) + "\n")) << tip.toStdString();
    EXPECT_TRUE(tip.contains("ファイル数: 3")) << tip.toStdString();
    EXPECT_TRUE(tip.contains("バイト")) << tip.toStdString();
    EXPECT_TRUE(tip.contains(QFileInfo(QString::fromStdString(sysutil::utf8FromPath(fridgeDir()) + "/" + longName))
                                 .lastModified()
                                 .toString("yyyy/MM/dd HH:mm")))
        << tip.toStdString();
    EXPECT_TRUE(tip.contains("はありません")) << tip.toStdString();
    const QString sjis = tipOn(list, "読んでね.LZH");  // named in Shift-JIS: its date as well
    EXPECT_TRUE(sjis.contains(QRegularExpression("日付: \\d{4}/\\d\\d/\\d\\d \\d\\d:\\d\\d\n"))) << sjis.toStdString();
    EXPECT_TRUE(tipOn(list, "Alpha.LZH").contains("まな板に「Alpha」があります")) << QToolTip::text().toStdString();
    EXPECT_TRUE(tipOn(*window->lstPool, board("Alpha")).contains("冷蔵庫に「Alpha.LZH」があります"))
        << QToolTip::text().toStdString();
    EXPECT_TRUE(tipOn(*window->lstPool, board("Castle")).contains("冷蔵庫に同じ名前の書庫はありません"))
        << QToolTip::text().toStdString();
}

// A folder swapped for another in one go (a backup put back, a sync tool):
// the list shows what the new one holds, and follows it from then on.
TEST_F(Flow, AFolderSwappedForAnotherIsListedAnew) {
    open();
    const fs::path scenarioFolder = ws.board().parent_path();
    const fs::path otherScenarios = ws.root.path() / "other-Scenario";
    testsupport::writeFile(otherScenarios / ws.board().filename() / "Zeta" / "Summary.tsm", "z");
    fs::create_directory(ws.root.path() / "other-fridge");
    ws.archive(ws.root.path() / "other-fridge", "Gamma.LZH", {{"Summary.tsm", "g"}});
    for (const auto& [folder, other, list, row] :
         {std::tuple{fridgeDir(), ws.root.path() / "other-fridge", static_cast<QListWidget*>(window->filArc),
                     QString("Gamma.LZH")},
          std::tuple{scenarioFolder, otherScenarios, static_cast<QListWidget*>(window->lstPool), board("Zeta")}}) {
        fs::rename(folder, folder.parent_path() / "old");
        fs::rename(other, folder);
        EXPECT_TRUE(QTest::qWaitFor([&] { return fakes::itemTexts(*list) == QStringList{row}; }, kFollowsWithin))
            << fakes::itemTexts(*list).join(", ").toStdString();
        fs::remove_all(folder.parent_path() / "old");
    }
    ws.scenario("Eta");  // the new board is the one followed
    EXPECT_TRUE(QTest::qWaitFor([&] { return pool().contains(board("Eta")); }, kFollowsWithin));
}

// The fridge or the board moved away outside the program: its list says so
// and empties; moved back, the list returns by itself, its highlight with it.
TEST_F(Flow, AListWhoseFolderWentSaysSoAndReturnsWithIt) {
    open();
    const fs::path scenarioFolder = ws.board().parent_path();
    for (const auto& [folder, frame, row] : {std::tuple{fridgeDir(), window->fraFiles, QString("Alpha.LZH")},
                                             std::tuple{scenarioFolder, window->fraCuttingBoard, board("Castle")}}) {
        QListWidget* list = frame == window->fraFiles ? static_cast<QListWidget*>(window->filArc)
                                                      : static_cast<QListWidget*>(window->lstPool);
        drive::clickRow(list, row);
        const fs::path away = folder.parent_path() / "moved-away";
        fs::rename(folder, away);
        EXPECT_TRUE(QTest::qWaitFor([&] { return frame->title().contains("見つかりません"); }, kFollowsWithin))
            << frame->title().toStdString();
        EXPECT_EQ(list->count(), 0);
        fs::rename(away, folder);
        EXPECT_TRUE(QTest::qWaitFor([&] { return fakes::itemTexts(*list).contains(row); }, kFollowsWithin));
        EXPECT_FALSE(frame->title().contains("見つかりません")) << frame->title().toStdString();
        EXPECT_EQ(list->selectedItems().value(0) ? list->selectedItems()[0]->text().toStdString() : "",
                  row.toStdString());  // back where it was
    }
    EXPECT_TRUE(dialogs.asked.empty());
}

TEST_F(Flow, ArchivesAndScenariosAppearAndVanishWithoutF5) {
    open();
    drive::clickRow(window->filArc, "Beta.LZH");
    drive::clickRow(window->lstPool, board("Dragon"));

    // Copied in from the file manager, and taken away there.
    fs::copy_file(fridgeDir() / "Alpha.LZH", fridgeDir() / "Gamma.LZH");
    ASSERT_TRUE(QTest::qWaitFor([&] { return fridge().contains("Gamma.LZH"); }, kFollowsWithin));
    EXPECT_EQ(highlighted(window->filArc), "Beta.LZH");
    fs::create_directories(ws.board() / "group");
    ws.scenario("group/Echo");
    ASSERT_TRUE(QTest::qWaitFor([&] { return pool().contains(board("group/Echo")); }, kFollowsWithin));
    EXPECT_EQ(highlighted(window->lstPool), board("Dragon"));
    EXPECT_EQ(keyboard(), window->lstPool);

    fs::remove(fridgeDir() / "Beta.LZH");
    fs::remove(ws.board() / "Dragon" / "Summary.tsm");  // no longer a scenario
    ASSERT_TRUE(QTest::qWaitFor([&] { return !fridge().contains("Beta.LZH") && !pool().contains(board("Dragon")); },
                                kFollowsWithin));
    EXPECT_EQ(highlighted(window->filArc), "");
    EXPECT_EQ(highlighted(window->lstPool), "");
}

TEST_F(Flow, ATakeOutOfManyFilesCostsOneRefresh) {
    std::map<std::string, std::string> files{{"Summary.tsm", "t"}};
    for (int i = 0; i < 400; ++i) files["data" + std::to_string(i % 40) + "/f" + std::to_string(i)] = "x";
    ws.archive(fridgeDir(), "Many.LZH", files);
    open();
    const auto boardReads = countReads(window->lstPool);
    const auto fridgeReads = countReads(window->filArc);
    drive::clickRow(window->filArc, "Many.LZH");
    drive::press(QKeySequence("Return"));
    ASSERT_TRUE(fs::exists(ws.board() / "Many" / "data39" / "f399"));
    QTest::qWait(1500);  // what the disk said meanwhile has had every chance to arrive
    EXPECT_EQ(*boardReads, 1);
    EXPECT_EQ(*fridgeReads, 1);
    EXPECT_EQ(highlighted(window->lstPool), board("Many"));
}

TEST_F(Flow, ChangesMadeWhileACommandRunsShowWhenItEnds) {
    open();
    drive::clickRow(window->lstPool, board("Castle"));
    bool shownMeanwhile = true;
    dialogs.onModal = drive::whenShown([&](QWidget&) {
        fs::copy_file(fridgeDir() / "Alpha.LZH", fridgeDir() / "Gamma.LZH");
        QTest::qWait(1000);
        shownMeanwhile = fridge().contains("Gamma.LZH");
        drive::press(QKeySequence("Escape"));
    });
    drive::press(QKeySequence("Alt+T"));
    EXPECT_FALSE(shownMeanwhile);
    ASSERT_TRUE(QTest::qWaitFor([&] { return fridge().contains("Gamma.LZH"); }, kFollowsWithin));
}

class Drops : public Flow {
protected:
    // Archives lying elsewhere, as the file manager shows them.
    QString outside(const std::string& name, const std::string& bytes) {
        testsupport::writeFile(ws.root.path() / "downloads" / testsupport::u8(name), bytes);
        return QString::fromStdString(ws.root.str("downloads/" + name));
    }
    // A real archive lying elsewhere, holding `summary`; its bytes.
    QString outsideArchive(const std::string& name, const std::string& summary) {
        fs::create_directories(ws.root.path() / "downloads");
        ws.archive(ws.root.path() / "downloads", name, {{"Summary.tsm", summary}});
        return QString::fromStdString(ws.root.str("downloads/" + name));
    }
    std::string downloaded(const std::string& name) const {
        return testsupport::readFile(ws.root.path() / "downloads" / testsupport::u8(name));
    }
    bool noWorkFilesLeft() const {
        for (const auto& e : fs::directory_iterator(fridgeDir()))
            if (e.path().filename().string().starts_with(".fzarc-")) return false;
        return true;
    }
};

TEST_F(Drops, CopyEachArchiveIntoTheFridgeAndSayWhatWasLeftOut) {
    open();
    const QStringList files = {outsideArchive("Gamma.LZH", testsupport::randomBytes(300000, 7)),
                               outsideArchive("delta.lzh", "d"), outside("notes.txt", "n")};
    EXPECT_EQ(drive::drop(window->filArc, files), Qt::CopyAction);  // never a move
    EXPECT_EQ(testsupport::readFile(fridgeDir() / "Gamma.LZH"), downloaded("Gamma.LZH"));
    EXPECT_EQ(testsupport::readFile(fridgeDir() / "delta.lzh"), downloaded("delta.lzh"));
    EXPECT_FALSE(fs::exists(fridgeDir() / "notes.txt"));
    EXPECT_TRUE(fs::exists(ws.root.path() / "downloads" / "Gamma.LZH"));
    EXPECT_EQ(fridge(), (QStringList{"Alpha.LZH", "Beta.LZH", "delta.lzh", "Gamma.LZH"}));
    EXPECT_EQ(highlighted(window->filArc), "delta.lzh");
    EXPECT_EQ(keyboard(), window->filArc);
    EXPECT_EQ(dialogs.progressCaptions, (std::vector<std::string>{"「Gamma.LZH」を冷蔵庫にコピーしています...",
                                                                  "「delta.lzh」を冷蔵庫にコピーしています..."}));
    ASSERT_EQ(dialogs.asked.size(), 1u);
    EXPECT_EQ(dialogs.asked[0].text, "次のファイルは LZH 書庫ではないため、冷蔵庫に入れませんでした。\r\nnotes.txt");
    EXPECT_TRUE(noWorkFilesLeft());
}

TEST_F(Drops, AnArchiveTheFridgeHoldsIsReplacedOnlyWhenTheUserSaysSo) {
    open();
    const std::string old = testsupport::readFile(fridgeDir() / "Alpha.LZH");
    const QString newer = outsideArchive("ALPHA.lzh", "newer");
    dialogs.answers = {MsgAnswer::No};
    drive::drop(window->lstPool, {newer});
    ASSERT_EQ(dialogs.asked.size(), 1u);
    EXPECT_TRUE(dialogs.asked[0].text.starts_with("冷蔵庫には「Alpha.LZH」（")) << dialogs.asked[0].text;
    EXPECT_EQ(dialogs.asked[0].buttons, sysutil::MsgButtons::YesNo);  // no "to all" for one file
    EXPECT_EQ(dialogs.asked[0].defaultButton, MsgAnswer::No);
    EXPECT_EQ(testsupport::readFile(fridgeDir() / "Alpha.LZH"), old);
    EXPECT_TRUE(dialogs.progressCaptions.empty());

    dialogs.answers = {MsgAnswer::Yes};
    drive::drop(window->filArc, {newer});
    EXPECT_EQ(testsupport::readFile(fridgeDir() / "Alpha.LZH"), downloaded("ALPHA.lzh"));
    EXPECT_EQ(fridge(), (QStringList{"Alpha.LZH", "Beta.LZH"}));  // the one name Windows would see
    EXPECT_EQ(highlighted(window->filArc), "Alpha.LZH");
    // Dragged from the fridge itself: already there, nothing to ask.
    drive::drop(window->filArc, {QString::fromStdString(sysutil::utf8FromPath(fridgeDir() / "Beta.LZH"))});
    EXPECT_EQ(dialogs.asked.size(), 2u);
    EXPECT_TRUE(noWorkFilesLeft());
}

TEST_F(Drops, AnArchiveNamedInShiftJisIsCopiedUnderItsOwnName) {
    open();
    const std::string name = "\x93\xc7\x82\xf1\x82\xc5\x82\xcb.LZH";  // 読んでね.LZH from old media
    outsideArchive("old.LZH", "old");
    fs::rename(ws.root.path() / "downloads" / "old.LZH", ws.root.path() / "downloads" / name);
    EXPECT_EQ(
        drive::drop(window->filArc, QList<QByteArray>{QByteArray::fromStdString(ws.root.str("downloads/" + name))}),
        Qt::CopyAction);
    EXPECT_TRUE(dialogs.asked.empty()) << dialogs.asked.front().text;
    EXPECT_EQ(testsupport::readFile(fridgeDir() / name), testsupport::readFile(ws.root.path() / "downloads" / name));
    EXPECT_EQ(highlighted(window->filArc), "読んでね.LZH");
}

// What take out would refuse, the fridge does not take in: the archive's
// own name, and the folder name a take out makes of it.
TEST_F(Drops, NamesTakeOutWouldRefuseAreNotTaken) {
    open();
    for (const char* name : {"a:b.LZH", "CON.LZH", " .LZH", "x\x01.LZH"}) {
        dialogs.asked.clear();
        drive::drop(window->filArc, {outside(name, "x")});
        ASSERT_EQ(dialogs.asked.size(), 1u) << name;
        EXPECT_TRUE(dialogs.asked[0].text.starts_with(
            "「" + std::string(name) + "」は、この名前のままでは取り出せないため、冷蔵庫に入れませんでした。"))
            << dialogs.asked[0].text;
    }
    EXPECT_EQ(fridge(), (QStringList{"Alpha.LZH", "Beta.LZH"}));
    EXPECT_TRUE(dialogs.progressCaptions.empty());
}

TEST_F(Drops, WhatIsNoArchiveIsNotTakenAndAFailedCopyLeavesNothing) {
    open();
    EXPECT_EQ(drive::drop(window->filArc, {outside("notes.txt", "n")}), Qt::IgnoreAction);
    fs::create_directories(ws.root.path() / "downloads" / "Folder.LZH");
    EXPECT_EQ(drive::drop(window->filArc, QStringList{QString::fromStdString(ws.root.str("downloads/Folder.LZH"))}),
              Qt::CopyAction);
    EXPECT_EQ(dialogs.asked.back().text,
              "次のファイルは LZH 書庫ではないため、冷蔵庫に入れませんでした。\r\nFolder.LZH");
    // A fridge folder picked for this run that has gone since.
    fs::create_directories(ws.root.path() / "gone");
    dialogs.folders = {ws.root.str("gone")};
    drive::press(QKeySequence("Alt+O"));
    fs::remove(ws.root.path() / "gone");
    drive::drop(window->filArc, {outsideArchive("Gamma.LZH", "g")});
    EXPECT_TRUE(dialogs.asked.back().text.starts_with("「Gamma.LZH」を冷蔵庫にコピーできませんでした。\r\n"))
        << dialogs.asked.back().text;
    EXPECT_FALSE(fs::exists(ws.root.path() / "gone"));
    EXPECT_EQ(fridge(), QStringList{});
}

// A batch drop asks once for all the files the fridge holds, what it
// replaces goes to the trash, one it holds the same needs no question, and
// a file named "*.LZH" that is no archive is named, not copied.
TEST_F(Drops, ABatchIsAskedOnceForAllAndWhatIsNoArchiveIsNamed) {
    open();
    const std::string oldAlpha = testsupport::readFile(fridgeDir() / "Alpha.LZH");
    const std::string oldBeta = testsupport::readFile(fridgeDir() / "Beta.LZH");
    const QStringList files = {outsideArchive("Alpha.LZH", "new a"), outsideArchive("Beta.LZH", "new b"),
                               outsideArchive("Gamma.LZH", "g"), outside("Fake.LZH", "plain text, no archive")};
    dialogs.answers = {MsgAnswer::NoToAll};
    drive::drop(window->filArc, files);
    ASSERT_EQ(dialogs.asked.size(), 2u);
    EXPECT_EQ(dialogs.asked[0].buttons, sysutil::MsgButtons::YesNoAll);
    EXPECT_EQ(dialogs.asked[1].text, "次のファイルは LZH 書庫ではないため、冷蔵庫に入れませんでした。\r\nFake.LZH");
    EXPECT_EQ(testsupport::readFile(fridgeDir() / "Alpha.LZH"), oldAlpha);
    EXPECT_EQ(testsupport::readFile(fridgeDir() / "Beta.LZH"), oldBeta);
    EXPECT_EQ(fridge(), (QStringList{"Alpha.LZH", "Beta.LZH", "Gamma.LZH"}));

    dialogs.asked.clear();
    dialogs.answers = {MsgAnswer::YesToAll};
    drive::drop(window->filArc, files.mid(0, 2));
    ASSERT_EQ(dialogs.asked.size(), 1u);
    EXPECT_EQ(testsupport::readFile(fridgeDir() / "Alpha.LZH"), downloaded("Alpha.LZH"));
    EXPECT_EQ(testsupport::readFile(fridgeDir() / "Beta.LZH"), downloaded("Beta.LZH"));
    ASSERT_EQ(trash.moved.size(), 2u);
    EXPECT_EQ(testsupport::readFile(trash.moved[0].to), oldAlpha);
    EXPECT_EQ(testsupport::readFile(trash.moved[1].to), oldBeta);

    dialogs.asked.clear();
    drive::drop(window->filArc, files.mid(0, 3));
    ASSERT_EQ(dialogs.asked.size(), 1u);
    EXPECT_EQ(dialogs.asked[0].text,
              "次の書庫は冷蔵庫にあるものと同じため、そのままにしました。\r\nAlpha.LZH\r\nBeta.LZH\r\nGamma.LZH");
    EXPECT_EQ(trash.moved.size(), 2u);
    EXPECT_TRUE(noWorkFilesLeft());
}

// The user closes the window while a take out works (here, while it asks
// whether to replace an edited file): the window closes once it has ended.
TEST(Exit, WaitsForTheCommandThatRuns) {
    fakes::Workspace ws;
    ws.archive(ws.root.path() / "fridge", "Alpha.LZH", {{"Summary.tsm", "a"}});
    testsupport::writeFile(ws.board() / "Alpha" / "Summary.tsm", "edited");
    fs::create_directories(ws.board() / "empty");
    ws.sandbox.set("ExitRMNoFileDir", "1");
    fakes::FakeDialogs dialogs;
    archiver::Unlha32Archiver archiver;
    fakes::FakeLauncher launcher;
    fakes::FakeTrash trash;
    app::frmFzarc window(dialogs, archiver, launcher, trash);
    bool openDuringWork = false, untouchedDuringWork = false;
    dialogs.answers = {sysutil::MsgAnswer::Yes};
    dialogs.whileAsked = [&](const sysutil::MessageRequest&) {
        drive::press(QKeySequence("Alt+F, X"));
        openDuringWork = window.isVisible();
        untouchedDuringWork = fs::exists(ws.board() / "empty");
    };
    window.Form_Load();
    drive::bringUp(window);
    drive::press(QKeySequence("Down, Alt+L"));
    EXPECT_TRUE(openDuringWork);
    EXPECT_TRUE(untouchedDuringWork);  // no tidying beside the take out
    EXPECT_FALSE(window.isVisible());  // then closed, as asked
    EXPECT_EQ(testsupport::readFile(ws.board() / "Alpha" / "Summary.tsm"), "a");
    EXPECT_FALSE(fs::exists(ws.board() / "empty"));
}

// Notes whether the window was on screen when each message came.
class WatchingDialogs : public fakes::FakeDialogs {
public:
    QWidget* window = nullptr;
    std::vector<bool> windowShown;
    sysutil::MsgAnswer message(const sysutil::MessageRequest& r) override {
        windowShown.push_back(window && window->isVisible());
        return FakeDialogs::message(r);
    }
};

TEST(BoardProblems, AMissingScenarioFolderIsNamedAtStartAndOnF5) {
    fakes::Workspace ws;
    fs::remove_all(ws.root.path() / "engine" / "Scenario");
    WatchingDialogs dialogs;
    archiver::Unlha32Archiver archiver;
    fakes::FakeLauncher launcher;
    fakes::FakeTrash trash;
    app::frmFzarc window(dialogs, archiver, launcher, trash);
    dialogs.window = &window;
    window.Form_Load();
    drive::bringUp(window);
    ASSERT_EQ(dialogs.asked.size(), 1u);
    EXPECT_EQ(dialogs.windowShown, std::vector<bool>{true});  // over the window it speaks of
    const std::string board = sysutil::utf8FromPath(ws.board());
    EXPECT_EQ(dialogs.asked[0].text,
              "まな板のフォルダを作れません。\r\n" + board + "\r\nTessarune のインストール先「" + ws.engine() +
                  "」に「Scenario」フォルダがありません。\r\n設定でインストール先を確かめてください。");
    EXPECT_EQ(dialogs.asked[0].icon, sysutil::MsgIcon::Exclamation);
    EXPECT_TRUE(window.lstPool->isEnabled());
    drive::press(QKeySequence("F5"));
    EXPECT_EQ(dialogs.asked.size(), 2u);
    // Put right: the next F5 makes the board and says nothing.
    fs::create_directories(ws.root.path() / "engine" / "Scenario");
    drive::press(QKeySequence("F5"));
    EXPECT_EQ(dialogs.asked.size(), 2u);
    EXPECT_TRUE(fs::is_directory(ws.board()));
}

}  // namespace
