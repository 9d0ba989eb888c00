// The document viewer: filters, text, the open button, and vanished folders.
#include <gtest/gtest.h>

#include <QDesktopServices>
#include <QFontDatabase>
#include <QTest>
#include <QUrl>

#include "QtFakes.h"
#include "inspect/frmDocumentView.h"
#include "ui/cExecute.h"

namespace {

QStringList listed(inspect::frmDocumentView& v) {
    return fakes::itemTexts(*v.File);
}

class Viewer : public ::testing::Test {
protected:
    void SetUp() override {
        for (const char* name : {"readme.txt", "INDEX.HTM", "page.html", "image.png", "Summary.tsm", ".hidden.txt"})
            testsupport::writeFile(dir.path() / name, "content of " + std::string(name));
        testsupport::writeFile(dir.path() / "sub" / "inner.txt", "x");
        viewer.File->setPath(dir.str());
    }
    void select(const QString& name) {
        const auto items = viewer.File->findItems(name, Qt::MatchExactly);
        ASSERT_FALSE(items.isEmpty());
        viewer.File->setCurrentItem(items.front());
        viewer.ShowSelectedFile();
    }
    testsupport::TempDir dir;
    fakes::FakeLauncher launcher;
    inspect::frmDocumentView viewer{launcher};
};

TEST_F(Viewer, StartsOnTextWithAnEmptyBox) {
    EXPECT_EQ(viewer.windowTitle(), "ドキュメントビューワ");
    EXPECT_EQ(viewer.cboExt->currentIndex(), 1);
    EXPECT_EQ(viewer.cboExt->count(), 4);
    EXPECT_TRUE(viewer.txtViewer->toPlainText().isEmpty());
    EXPECT_EQ(listed(viewer), QStringList{"readme.txt"});
    EXPECT_TRUE(viewer.cmdClose->isDefault());
}

struct FilterCase {
    int index;
    const char* entry;
    QStringList files;
};
class ViewerFilters : public Viewer, public ::testing::WithParamInterface<FilterCase> {};
TEST_P(ViewerFilters, ListWhatEachPatternMatches) {
    viewer.cboExt->setCurrentIndex(GetParam().index);
    EXPECT_EQ(viewer.cboExt->currentText(), QString::fromUtf8(GetParam().entry));
    EXPECT_EQ(listed(viewer), GetParam().files);
}
INSTANTIATE_TEST_SUITE_P(
    Filters, ViewerFilters,
    ::testing::Values(FilterCase{0, "ドキュメント", {"INDEX.HTM", "page.html", "readme.txt"}},
                      FilterCase{1, "テキスト", {"readme.txt"}}, FilterCase{2, "HTML", {"INDEX.HTM", "page.html"}},
                      FilterCase{3, "すべて", {"image.png", "INDEX.HTM", "page.html", "readme.txt", "Summary.tsm"}}));

TEST_F(Viewer, TextStaysWhenTheFilterChanges) {
    select("readme.txt");
    EXPECT_EQ(viewer.txtViewer->toPlainText(), "content of readme.txt");
    viewer.cboExt->setCurrentIndex(2);
    EXPECT_EQ(viewer.txtViewer->toPlainText(), "content of readme.txt");
}

TEST_F(Viewer, ShiftJisShowsRightAndLfOnlyIsOneLine) {
    testsupport::writeFile(dir.path() / "sjis.txt", "\x93\xc7\x82\xf1\x82\xc5\x82\xcb\r\n\x95\x5c\x8e\xa6");
    testsupport::writeFile(dir.path() / "unix.txt", "one\ntwo\n");
    viewer.File->Refresh();
    select("sjis.txt");
    EXPECT_EQ(viewer.txtViewer->toPlainText(), "読んでね\n表示");
    select("unix.txt");
    EXPECT_EQ(viewer.txtViewer->document()->blockCount(), 1);
    // The mark a lone LF leaves is one the Japanese fonts draw, not a box.
    EXPECT_EQ(viewer.txtViewer->toPlainText(), "one↓two↓");
    const QString cjk = "Noto Sans CJK JP";
    if (!QFontDatabase::hasFamily(cjk)) GTEST_SKIP() << "Noto Sans CJK JP (fonts-noto-cjk) is not installed";
    EXPECT_TRUE(QFontMetrics(QFont(cjk)).inFontUcs4(U'↓'));
}

TEST_F(Viewer, UnreadableOrVanishedFilesDoNotCrash) {
    select("readme.txt");
    std::filesystem::remove(dir.path() / "readme.txt");
    viewer.ShowSelectedFile();
    EXPECT_TRUE(viewer.txtViewer->toPlainText().isEmpty());
    inspect::frmDocumentView gone(launcher);
    gone.File->setPath(dir.str("no such scenario"));
    EXPECT_EQ(gone.File->count(), 0);
}

TEST_F(Viewer, OpenButtonHandsThePathToTheLauncher) {
    viewer.File->setCurrentRow(-1);
    viewer.cmdExecFile->click();
    select("readme.txt");
    viewer.cmdExecFile->click();
    EXPECT_EQ(launcher.opened, (std::vector<std::string>{dir.str() + "/", dir.str("readme.txt")}));
    EXPECT_TRUE(launcher.calls.empty());
}

#if !defined(_WIN32)
// Stands in for the desktop's opener: what the program hands it.
class Opener : public QObject {
    Q_OBJECT
public:
    QList<QUrl> urls;
public slots:
    void open(const QUrl& url) { urls << url; }
};

// A read-me that is an executable script (every file on a disk formatted for
// Windows has the execute bit) is opened by the desktop, never run; a name in
// Shift-JIS bytes, as old media carry it, reaches the desktop as it is.
struct ReadmeCase {
    const char* name;     // on disk
    const char* shown;    // in the list
    const char* encoded;  // at the end of the URL the desktop gets
};
void PrintTo(const ReadmeCase& c, std::ostream* os) {
    *os << c.encoded;
}
class ViewerOpen : public ::testing::TestWithParam<ReadmeCase> {};
TEST_P(ViewerOpen, AnExecutableReadmeIsOpenedNotRun) {
    testsupport::TempDir d;
    const auto readme = d.path() / "scenario" / GetParam().name;
    testsupport::writeFile(readme, "#!/bin/sh\ntouch '" + d.str("ran") + "'\n");
    std::filesystem::permissions(readme, std::filesystem::perms::owner_all);
    Opener opener;
    QDesktopServices::setUrlHandler("file", &opener, "open");
    ui::cExecute launcher;
    inspect::frmDocumentView viewer(launcher);
    viewer.File->setPath(d.str("scenario"));
    viewer.show();
    ASSERT_EQ(fakes::itemTexts(*viewer.File), QStringList{GetParam().shown});
    QTest::mouseClick(viewer.File->viewport(), Qt::LeftButton, {},
                      viewer.File->visualItemRect(viewer.File->item(0)).center());
    QTest::mouseClick(viewer.cmdExecFile, Qt::LeftButton);
    // What would have run, would have run by now.
    QTest::qWait(500);
    QDesktopServices::unsetUrlHandler("file");
    ASSERT_EQ(opener.urls.size(), 1);
    EXPECT_EQ(opener.urls[0].toEncoded().toStdString(), "file://" + d.str("scenario") + "/" + GetParam().encoded);
    EXPECT_FALSE(std::filesystem::exists(d.path() / "ran"));
}
INSTANTIATE_TEST_SUITE_P(Names, ViewerOpen,
                         ::testing::Values(ReadmeCase{"readme.txt", "readme.txt", "readme.txt"},
                                           ReadmeCase{"\x93\xc7\x82\xf1\x82\xc5\x82\xcb.txt", "読んでね.txt",
                                                      "%93%C7%82%F1%82%C5%82%CB.txt"}),
                         [](const auto& p) { return p.index == 0 ? "ascii" : "shift_jis"; });
#endif

TEST_F(Viewer, EnterAndEscClose) {
    viewer.show();
    viewer.File->setFocus();
    QTest::keyClick(viewer.File, Qt::Key_Return);
    EXPECT_FALSE(viewer.isVisible());
    viewer.show();
    QTest::keyClick(&viewer, Qt::Key_Escape);
    EXPECT_FALSE(viewer.isVisible());
}

}  // namespace

#include "ViewerTest.moc"
