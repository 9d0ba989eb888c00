// A command acts only on the row the user highlighted. Driven as a user does:
// the focus the window starts with, Tab, arrow keys, Enter and mouse clicks.
#include <gtest/gtest.h>

#include <QApplication>

#include "Driver.h"
#include "Workspace.h"
#include "app/frmFzarc.h"
#include "inspect/frmDocumentView.h"

namespace fs = std::filesystem;

namespace {

class Selection : public ::testing::Test {
protected:
    void SetUp() override {
        ws.archive(ws.root.path() / "fridge", "Alpha.LZH", {{"Summary.tsm", "a"}});
        ws.archive(ws.root.path() / "fridge", "Beta.LZH", {{"Summary.tsm", "b"}});
        ws.scenario("Castle");
        ws.scenario("Dragon");
        window = std::make_unique<app::frmFzarc>(dialogs, archiver, launcher, trash);
        window->Form_Load();
        drive::bringUp(*window);
    }
    bool nothingHappened() const {
        return dialogs.asked.empty() && dialogs.inputAsked.empty() && dialogs.modalShown == 0 &&
               dialogs.progressCaptions.empty() && !fs::exists(ws.board() / "Alpha") &&
               fs::exists(ws.root.path() / "fridge" / "Alpha.LZH") && fs::exists(ws.board() / "Castle");
    }
    fakes::Workspace ws;
    fakes::FakeDialogs dialogs;
    archiver::Unlha32Archiver archiver;
    fakes::FakeLauncher launcher;
    fakes::FakeTrash trash;
    std::unique_ptr<app::frmFzarc> window;
};

TEST_F(Selection, EnterRightAfterStartTakesNothingOut) {
    ASSERT_EQ(QApplication::focusWidget(), window->filArc);
    drive::press(QKeySequence("Return"));
    EXPECT_EQ(window->filArc->ListIndex(), -1);
    EXPECT_TRUE(nothingHappened());
}

TEST_F(Selection, NoCommandOnAListActsWithNothingHighlighted) {
    for (const char* keys : {"Alt+L", "Alt+F, F, D", "Alt+D", "Alt+T", "Alt+R", "Alt+F, C, D"}) {
        drive::press(QKeySequence(keys));
        EXPECT_TRUE(nothingHappened()) << keys;
    }
}

TEST_F(Selection, TabIntoTheBoardThenThrowAwayAsksNothing) {
    drive::tabTo(window->lstPool);
    EXPECT_EQ(window->lstPool->ListIndex(), -1);
    drive::click(window->cmdDelete);
    drive::click(window->cmdReArc);
    EXPECT_TRUE(nothingHappened());
}

TEST_F(Selection, TheFirstDownHighlightsTheFirstRow) {
    drive::press(QKeySequence("Down"));
    EXPECT_EQ(window->filArc->ListIndex(), 0);
    drive::tabTo(window->lstPool);
    drive::press(QKeySequence("Down"));
    EXPECT_EQ(window->lstPool->ListIndex(), 0);
    drive::tabTo(window->filArc);
    drive::press(QKeySequence("Return"));  // takes out what is highlighted, and only that
    EXPECT_TRUE(fs::exists(ws.board() / "Alpha" / "Summary.tsm"));
    EXPECT_FALSE(fs::exists(ws.board() / "Beta"));
}

// From nothing highlighted, End is the last row and Page Down a page on,
// never the first row: what a command then acts on is where the key went.
TEST_F(Selection, EndAndPageDownFromNothingGoDown) {
    drive::press(QKeySequence("End"));
    EXPECT_EQ(window->filArc->selectedText(), "Beta.LZH");
    drive::tabTo(window->lstPool);
    drive::press(QKeySequence("PgDown"));
    EXPECT_EQ(window->lstPool->selectedText(), QString::fromStdString(ws.boardStr("Dragon")));
    dialogs.answers = {sysutil::MsgAnswer::Yes, sysutil::MsgAnswer::Yes};
    drive::press(QKeySequence("Alt+D"));
    EXPECT_FALSE(fs::exists(ws.board() / "Dragon"));
    EXPECT_TRUE(fs::exists(ws.board() / "Castle"));
}

TEST(ViewerSelection, OpenWithNothingHighlightedOpensTheFolder) {
    testsupport::TempDir dir;
    testsupport::writeFile(dir.path() / "readme.txt", "r");
    fakes::FakeLauncher launcher;
    fakes::FakeDialogs dialogs;
    inspect::frmDocumentView viewer(launcher, dialogs);
    viewer.File->setPath(dir.str());
    drive::bringUp(viewer);
    ASSERT_EQ(QApplication::focusWidget(), viewer.File);
    drive::click(viewer.cmdExecFile);
    EXPECT_EQ(launcher.opened, std::vector<std::string>{sysutil::AddBackslash(dir.str())});
}

}  // namespace
