// A command acts only on the row the user highlighted. Driven as a user does:
// the focus the window starts with, Tab, arrow keys, Enter and mouse clicks.
#include <gtest/gtest.h>

#include <QApplication>
#include <QTest>

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
        window = std::make_unique<app::frmFzarc>(dialogs, archiver, launcher);
        window->Form_Load();
        window->show();
        QApplication::setActiveWindow(window.get());
        QApplication::processEvents();
    }
    void press(Qt::Key key) {
        QTest::keyClick(QApplication::focusWidget(), key);
        QApplication::processEvents();
    }
    void tabTo(QWidget* target) {
        for (int i = 0; i < 10 && QApplication::focusWidget() != target; ++i) press(Qt::Key_Tab);
        ASSERT_EQ(QApplication::focusWidget(), target);
    }
    bool nothingHappened() const {
        return dialogs.asked.empty() && dialogs.progressCaptions.empty() && !fs::exists(ws.board() / "Alpha") &&
               fs::exists(ws.root.path() / "fridge" / "Alpha.LZH") && fs::exists(ws.board() / "Castle");
    }
    fakes::Workspace ws;
    fakes::FakeDialogs dialogs;
    archiver::Unlha32Archiver archiver;
    fakes::FakeLauncher launcher;
    std::unique_ptr<app::frmFzarc> window;
};

TEST_F(Selection, EnterRightAfterStartTakesNothingOut) {
    ASSERT_EQ(QApplication::focusWidget(), window->filArc);
    press(Qt::Key_Return);
    EXPECT_EQ(window->filArc->ListIndex(), -1);
    EXPECT_TRUE(nothingHappened());
}

TEST_F(Selection, FridgeThrowAwayWithNothingHighlightedAsksNothing) {
    window->mnuDeleteArchive->trigger();
    EXPECT_TRUE(nothingHappened());
}

TEST_F(Selection, TabIntoTheBoardThenThrowAwayAsksNothing) {
    tabTo(window->lstPool);
    EXPECT_EQ(window->lstPool->ListIndex(), -1);
    QTest::mouseClick(window->cmdDelete, Qt::LeftButton);
    QTest::mouseClick(window->cmdReArc, Qt::LeftButton);
    EXPECT_TRUE(dialogs.inputAsked.empty());
    EXPECT_TRUE(nothingHappened());
}

TEST_F(Selection, TheFirstDownHighlightsTheFirstRow) {
    press(Qt::Key_Down);
    EXPECT_EQ(window->filArc->ListIndex(), 0);
    press(Qt::Key_Return);  // takes out what is highlighted, and only that
    EXPECT_TRUE(fs::exists(ws.board() / "Alpha" / "Summary.tsm"));
    EXPECT_FALSE(fs::exists(ws.board() / "Beta"));
    tabTo(window->lstPool);
    press(Qt::Key_Down);
    EXPECT_EQ(window->lstPool->ListIndex(), 0);
}

TEST(ViewerSelection, OpenWithNothingHighlightedOpensTheFolder) {
    testsupport::TempDir dir;
    testsupport::writeFile(dir.path() / "readme.txt", "r");
    fakes::FakeLauncher launcher;
    inspect::frmDocumentView viewer(launcher);
    viewer.File->setPath(dir.str());
    viewer.show();
    QApplication::setActiveWindow(&viewer);
    viewer.File->setFocus();
    QApplication::processEvents();
    QTest::mouseClick(viewer.cmdExecFile, Qt::LeftButton);
    EXPECT_EQ(launcher.opened, std::vector<std::string>{sysutil::AddBackslash(dir.str())});
}

}  // namespace
