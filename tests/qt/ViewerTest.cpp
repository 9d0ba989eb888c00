// The document viewer, driven by keys and clicks: filters, text, the open
// button, and vanished folders.
#include <gtest/gtest.h>

#include <QApplication>
#include <QDesktopServices>
#include <QScrollBar>
#include <QTest>
#include <QTextBlock>
#include <QUrl>

#include "Driver.h"
#include "QtFakes.h"
#include "inspect/frmDocumentView.h"
#include "sysutil/TextCodec.h"
#include "ui/Documents.h"
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
        viewer.File->setPath(dir.str());  // as the examine command opens it
        drive::bringUp(viewer);
    }
    void filter(int index) { drive::choose(viewer.cboExt, QString::fromUtf8(inspect::kDocumentFilters[index].entry)); }
    testsupport::TempDir dir;
    fakes::FakeLauncher launcher;
    fakes::FakeDialogs dialogs;
    inspect::frmDocumentView viewer{launcher, dialogs};
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
    filter(GetParam().index);
    EXPECT_EQ(viewer.cboExt->currentText(), QString::fromUtf8(GetParam().entry));
    EXPECT_EQ(listed(viewer), GetParam().files);
}
INSTANTIATE_TEST_SUITE_P(
    Filters, ViewerFilters,
    ::testing::Values(FilterCase{0, "ドキュメント", {"INDEX.HTM", "page.html", "readme.txt"}},
                      FilterCase{1, "テキスト", {"readme.txt"}}, FilterCase{2, "HTML", {"INDEX.HTM", "page.html"}},
                      FilterCase{3, "すべて", {"image.png", "INDEX.HTM", "page.html", "readme.txt", "Summary.tsm"}}),
    ([](const auto& p) {
        const char* labels[] = {"documents", "text", "html", "all"};
        return p.param.index >= 0 && p.param.index < 4 ? std::string(labels[p.param.index])
                                                       : "case_" + std::to_string(p.index);
    }));

TEST_F(Viewer, TextStaysWhenTheFilterChanges) {
    drive::clickRow(viewer.File, "readme.txt");
    EXPECT_EQ(viewer.txtViewer->toPlainText(), "content of readme.txt");
    filter(2);
    EXPECT_EQ(viewer.txtViewer->toPlainText(), "content of readme.txt");
}

TEST_F(Viewer, TheHighlightedFileIsTheOneShownHoweverTheMouseGotThere) {
    testsupport::writeFile(dir.path() / "second.txt", "content of second.txt");
    filter(0);
    filter(1);
    drive::clickRow(viewer.File, "readme.txt");
    drive::pressAndSlide(viewer.File, "readme.txt", "second.txt");
    ASSERT_EQ(viewer.File->selectedText(), "second.txt");
    EXPECT_EQ(viewer.txtViewer->toPlainText(), "content of second.txt");
    drive::pressAndSlide(viewer.File, "second.txt", "readme.txt");
    EXPECT_EQ(viewer.txtViewer->toPlainText(), "content of readme.txt");
}

// Shift-JIS shows right; LF-only and mixed line ends show as lines; a large
// LF-only text shows its top at once and the rest while the window stays free.
TEST_F(Viewer, ShiftJisShowsRightAndEveryLineEndMakesALine) {
    testsupport::writeFile(dir.path() / "sjis.txt", "\x93\xc7\x82\xf1\x82\xc5\x82\xcb\r\n\x95\x5c\x8e\xa6");
    testsupport::writeFile(dir.path() / "unix.txt", "one\ntwo\r\nthree\rfour\n");
    std::string big;
    constexpr int kLines = 60000;
    for (int i = 1; i <= kLines; ++i) big += "第" + std::to_string(i) + "行 LF だけで終わる行\n";
    testsupport::writeFile(dir.path() / "big.txt", big);
    filter(0);  // a new filter reads the folder again
    filter(1);
    drive::clickRow(viewer.File, "sjis.txt");
    EXPECT_EQ(viewer.txtViewer->toPlainText(), "読んでね\n表示");
    drive::press(QKeySequence("Down"));  // the next row, unix.txt, by key
    EXPECT_EQ(viewer.txtViewer->toPlainText(), "one\ntwo\nthree\nfour");
    drive::clickRow(viewer.File, "big.txt");
    ASSERT_TRUE(QTest::qWaitFor([&] { return viewer.txtViewer->document()->blockCount() > 100; }, 5000));
    EXPECT_EQ(viewer.txtViewer->document()->firstBlock().text(), "第1行 LF だけで終わる行");
    ASSERT_TRUE(QTest::qWaitFor([&] { return viewer.txtViewer->document()->blockCount() == kLines; }, 20000))
        << viewer.txtViewer->document()->blockCount();
    EXPECT_EQ(viewer.txtViewer->document()->lastBlock().text(), "第60000行 LF だけで終わる行");
}

// A text with no line ends at all shows whole, in lines the box can lay
// out without holding the window, and says so.
TEST_F(Viewer, AHugeLineShowsBrokenIntoLines) {
    std::string line;
    for (int i = 0; i < 6000; ++i) line += "\x8d\x73" + std::to_string(i % 10);  // 行0行1...
    testsupport::writeFile(dir.path() / "oneline.txt", line);
    filter(0);  // a new filter reads the folder again
    filter(1);
    drive::clickRow(viewer.File, "oneline.txt");
    QString shown = viewer.txtViewer->toPlainText();
    EXPECT_LT(viewer.txtViewer->document()->firstBlock().length(), 12000);
    ASSERT_TRUE(shown.endsWith("文字ごとに折り返して表示しています。）")) << shown.right(80).toStdString();
    shown.truncate(shown.lastIndexOf("\n\n"));
    EXPECT_EQ(shown.remove('\n').toStdString(), sysutil::decodeText(line));
}

TEST_F(Viewer, UnreadableOrVanishedFilesDoNotCrash) {
    drive::clickRow(viewer.File, "readme.txt");
    std::filesystem::remove(dir.path() / "readme.txt");
    drive::clickRow(viewer.File, "readme.txt");
    EXPECT_TRUE(viewer.txtViewer->toPlainText().isEmpty());
    inspect::frmDocumentView gone(launcher, dialogs);
    gone.File->setPath(dir.str("no such scenario"));
    EXPECT_EQ(gone.File->count(), 0);
}

TEST_F(Viewer, OpenButtonHandsThePathToTheLauncher) {
    drive::press(QKeySequence("Alt+O"));  // nothing highlighted: the folder
    drive::clickRow(viewer.File, "readme.txt");
    drive::click(viewer.cmdExecFile);
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
    // Run, it would be a shell script (no "#!": a shell runs it all the same).
    testsupport::writeFile(readme, "touch '" + d.str("ran") + "'\n");
    std::filesystem::permissions(readme, std::filesystem::perms::owner_all);
    Opener opener;
    QDesktopServices::setUrlHandler("file", &opener, "open");
    ui::cExecute launcher;
    fakes::FakeDialogs dialogs;
    inspect::frmDocumentView viewer(launcher, dialogs);
    viewer.File->setPath(d.str("scenario"));
    drive::bringUp(viewer);
    ASSERT_EQ(fakes::itemTexts(*viewer.File), QStringList{GetParam().shown});
    drive::clickRow(viewer.File, GetParam().shown);
    drive::click(viewer.cmdExecFile);
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

// Only documents go to the desktop: plain text, HTML, PDF and images, by
// the name (a link's target's too) and by the content alike. Whatever else
// came with a scenario may be a program, an installer, a shortcut or a
// script under a name no list foresees.
struct Kind {
    const char* label;
    std::string bytes;  // a name, or a content
    bool document;
};
std::string elfStart() {
    std::string elf(
        "\x7f"
        "ELF\x02\x01\x01",
        7);
    elf.resize(64, '\0');
    elf[16] = 2;  // an executable
    return elf;
}
TEST(Documents, OnlyTextHtmlPdfAndImagesByNameAndContentAreOpened) {
    const Kind names[] = {
        {"text", "readme.txt", true},
        {"html", "INDEX.HTM", true},
        {"pdf", "manual.pdf", true},
        {"jpeg", "photo.JPG", true},
        {"png", "image.png", true},
        {"gif", "anim.gif", true},
        {"program", "setup.exe", false},
        {"batch", "RUN.BAT", false},
        {"script", "install.sh", false},
        {"entry", "game.desktop", false},
        {"shortcut", "readme.lnk", false},
        {"java", "start.jnlp", false},
        {"clickonce", "app.application", false},
        {"clickonce ref", "app.appref-ms", false},
        {"component", "x.wsc", false},
        {"settings", "x.settingcontent-ms", false},
        {"installer", "x.appinstaller", false},
        {"python", "tool.py", false},
        {"svg", "vector.svg", false},
        {"no suffix", "README", false},
        {"summary", "Summary.tsm", false},
        {"double", "readme.txt.exe", false},
    };
    const Kind contents[] = {
        {"text", "read me\r\n", true},
        {"shift_jis", testsupport::sjisText(300), true},
        {"html", "<html><body>hi</body></html>", true},
        {"pdf", "%PDF-1.4\n%\xe2\xe3\xcf\xd3\n", true},
        {"png", std::string("\x89PNG\r\n\x1a\n\0\0\0\x0dIHDR", 16), true},
        {"jpeg", std::string("\xff\xd8\xff\xe0\0\x10JFIF\0", 11), true},
        {"empty", "", true},
        {"elf", elfStart(), false},
        {"windows program", std::string("MZ\x90\0", 4), false},
        {"desktop entry", "[Desktop Entry]\nExec=sh\n", false},
        {"shell script", "#!/bin/sh\necho\n", false},
    };
    testsupport::TempDir dir;
    for (const auto& name : names)
        for (const auto& content : contents) {
            const auto file = dir.path() / name.bytes;
            testsupport::writeFile(file, content.bytes);
            EXPECT_EQ(ui::opensAsDocument(file), name.document && content.document)
                << name.bytes << " holding " << content.label;
            std::filesystem::remove(file);
        }
    EXPECT_TRUE(ui::opensAsDocument(dir.path()));
#if !defined(_WIN32)
    // A link opens as what it points to.
    testsupport::writeFile(dir.path() / "setup.exe", "read me");
    std::filesystem::create_symlink("setup.exe", dir.path() / "guide.txt");
    EXPECT_FALSE(ui::opensAsDocument(dir.path() / "guide.txt"));
#endif
}

TEST_F(Viewer, AnythingButADocumentIsShownButNotOpened) {
    testsupport::writeFile(dir.path() / "start.jnlp", "<jnlp/>");
    filter(3);
    drive::clickRow(viewer.File, "start.jnlp");
    drive::click(viewer.cmdExecFile);
    EXPECT_TRUE(launcher.opened.empty());
    ASSERT_EQ(dialogs.asked.size(), 1u);
    EXPECT_EQ(
        dialogs.asked[0].text,
        "「start.jnlp」は文書（テキスト、HTML、PDF、画像）ではないため、関連付けられたプログラムでは開きません。");
    // Nor does the launcher itself hand it over, whoever asks.
    EXPECT_FALSE(ui::cExecute().OpenDocument(dir.str("start.jnlp"), 0).ok());
}

TEST_F(Viewer, TabLeavesTheTextBoxBothWays) {
    drive::press(QKeySequence("Down"));
    const QString text = viewer.txtViewer->toPlainText();
    drive::press(QKeySequence("Tab"));
    ASSERT_EQ(QApplication::focusWidget(), viewer.txtViewer);
    drive::press(QKeySequence("Tab"));
    EXPECT_EQ(QApplication::focusWidget(), viewer.cmdClose);
    drive::press(QKeySequence("Shift+Tab, Shift+Tab"));
    EXPECT_EQ(QApplication::focusWidget(), viewer.File);
    EXPECT_EQ(viewer.txtViewer->toPlainText(), text);  // no tab typed on the way
}

// Shift+Tab from the text back to the list: the Tab let go there, as on the
// desktop, leaves the text where the reader was.
TEST_F(Viewer, BackInTheListTheTextKeepsItsPlace) {
    std::string text;
    for (int i = 0; i < 3000; ++i) text += "line " + std::to_string(i) + "\n";
    testsupport::writeFile(dir.path() / "long.txt", text);
    filter(0);  // a new filter reads the folder again
    filter(1);
    drive::clickRow(viewer.File, "long.txt");
    drive::press(QKeySequence("Tab, Ctrl+End"));
    const int at = viewer.txtViewer->verticalScrollBar()->value();
    ASSERT_GT(at, 0);
    QTest::keyPress(viewer.txtViewer, Qt::Key_Backtab, Qt::ShiftModifier);
    ASSERT_EQ(QApplication::focusWidget(), viewer.File);
    QTest::keyRelease(viewer.File, Qt::Key_Backtab, Qt::ShiftModifier);
    drive::settle();
    EXPECT_EQ(viewer.txtViewer->verticalScrollBar()->value(), at);
}

TEST_F(Viewer, EnterAndEscClose) {
    ASSERT_EQ(QApplication::focusWidget(), viewer.File);
    drive::press(QKeySequence("Return"));
    EXPECT_FALSE(viewer.isVisible());
    drive::bringUp(viewer);
    drive::press(QKeySequence("Escape"));
    EXPECT_FALSE(viewer.isVisible());
}

}  // namespace

#include "ViewerTest.moc"
