#include "inspect/frmDocumentView.h"

#include <QKeyEvent>
#include <QScrollBar>
#include <QTextCursor>
#include <QTimer>
#include <filesystem>
#include <fstream>
#include <new>
#include <utility>

#include "sysutil/PathRules.h"
#include "sysutil/TextCodec.h"
#include "sysutil/WRText.h"
#include "ui/Documents.h"
#include "ui/TwipsLayout.h"

namespace inspect {

frmDocumentView::frmDocumentView(sysutil::Launcher& launcher, sysutil::Dialogs& dialogs, QWidget* parent)
    : QDialog(parent), launcher_(launcher), dialogs_(dialogs) {
    setObjectName("frmDocumentView");
    setWindowTitle(QStringLiteral("ドキュメントビューワ"));
    setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint);

    File = new ui::FileListBox(this);
    File->setObjectName("File");
    txtViewer = new QPlainTextEdit(this);
    txtViewer->setObjectName("txtViewer");
    txtViewer->setLineWrapMode(QPlainTextEdit::NoWrap);
    txtViewer->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    txtViewer->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    // The text is there to be read: Tab goes on to 閉じる, as everywhere else.
    txtViewer->setTabChangesFocus(true);
    cmdClose = new QPushButton(QStringLiteral("閉じる(&X)"), this);
    cmdClose->setObjectName("cmdClose");
    cmdExecFile = new QPushButton(QStringLiteral("関連付けからファイルを開く(&O)"), this);
    cmdExecFile->setObjectName("cmdExecFile");
    cboExt = new QComboBox(this);
    cboExt->setObjectName("cboExt");
    cboExt->setEditable(false);
    for (const auto& f : kDocumentFilters) cboExt->addItem(QString::fromUtf8(f.entry));

    using ui::placeTwips;
    placeTwips(File, 105, 105, 1800, 3330);
    placeTwips(txtViewer, 1995, 105, 6000, 3690);
    placeTwips(cmdClose, 6090, 3885, 1905, 330);
    placeTwips(cmdExecFile, 105, 3885, 2745, 330);
    placeTwips(cboExt, 105, 3465, 1800, 300);
    ui::setTabOrderChain({File, txtViewer, cmdClose, cmdExecFile, cboExt});
    // Enter and Esc both close: the close button is default and cancel button.
    cmdClose->setDefault(true);
    cmdExecFile->setAutoDefault(false);
    ui::growToFitText(this);
    setFixedSize(std::max(ui::twips(8055), childrenRect().right() + ui::twips(60)),
                 std::max(ui::twips(4290), height()));

    connect(cmdClose, &QPushButton::clicked, this, &QDialog::reject);
    connect(cmdExecFile, &QPushButton::clicked, this, &frmDocumentView::cmdExecFile_Click);
    connect(cboExt, &QComboBox::currentIndexChanged, this, &frmDocumentView::ApplyFilter);
    connect(File->verticalScrollBar(), &QScrollBar::valueChanged, this, &frmDocumentView::ShowSelectedFile);
    File->installEventFilter(this);
    // A click is the button let go, wherever it was pressed: a press on one
    // row and a release on another highlights the second, which must show.
    File->viewport()->installEventFilter(this);

    // Load: start on "テキスト" with an empty text box.
    cboExt->setCurrentIndex(1);
    ApplyFilter();
}

void frmDocumentView::ApplyFilter() {
    const int index = cboExt->currentIndex();
    if (index < 0 || index >= static_cast<int>(std::size(kDocumentFilters))) return;
    File->setPattern(kDocumentFilters[index].pattern);
}

namespace {

// Up to this size a file is read in place (quicker than a thread); larger
// ones off the window's thread. The text box takes a long text in pieces
// of this many characters, each quick enough not to hold the window up.
constexpr std::uint64_t kReadInPlaceBytes = 256 * 1024;
constexpr qsizetype kPieceChars = 128 * 1024;

// Where the piece of `text` from `from` ends: at a line's end when one is
// near, never inside a character.
qsizetype pieceEnd(const QString& text, qsizetype from) {
    qsizetype end = std::min(from + kPieceChars, text.size());
    if (end == text.size()) return end;
    if (const qsizetype lineEnd = text.lastIndexOf(QChar('\n'), end - 1); lineEnd >= from) return lineEnd + 1;
    if (text.at(end - 1).isHighSurrogate()) --end;
    return end;
}

// The text box lays each line out whole: a line of millions of characters
// (a file with no line ends) held the window for seconds at every piece.
// Longer lines show broken at this length.
constexpr qsizetype kLongestLine = 10000;

QString breakLongLines(QString text, bool* broke) {
    bool any = false;
    for (qsizetype at = 0, lf; at < text.size() && !any; at = lf + 1) {
        lf = text.indexOf(QChar('\n'), at);
        if (lf < 0) lf = text.size();
        any = lf - at > kLongestLine;
    }
    if (!any) return text;
    if (broke) *broke = true;
    QString out;
    out.reserve(text.size() + text.size() / kLongestLine + 1);
    for (qsizetype at = 0, lf; at <= text.size(); at = lf + 1) {
        lf = text.indexOf(QChar('\n'), at);
        if (lf < 0) lf = text.size();
        qsizetype from = at;
        while (lf - from > kLongestLine) {
            qsizetype cut = from + kLongestLine;
            if (text.at(cut - 1).isHighSurrogate()) --cut;  // never inside a character
            out += QStringView(text).mid(from, cut - from);
            out += QChar('\n');
            from = cut;
        }
        out += QStringView(text).mid(from, lf - from);
        if (lf < text.size()) out += QChar('\n');
    }
    return out;
}

// NUL characters would cut the text short in the box; CR LF, a lone CR and
// a lone LF each end a line (texts from Linux and the Mac end lines with LF
// alone). `read` is as RFile gives it: lines joined by CR LF.
QString forTheBox(const std::string& read, bool* broke = nullptr) {
    QString shown = QString::fromStdString(read);
    shown.replace(QChar(0), QStringLiteral("^@"));
    shown.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    if (shown.endsWith(QChar('\n'))) shown.chop(1);  // nothing after the last line, as with CR LF
    return breakLongLines(std::move(shown), broke);
}

// The first lines of a large file, to show while the rest is read: up to
// the last LF in its first bytes (an LF byte is never part of a Shift-JIS or
// UTF-8 character). "" for UTF-16, whose LF is two bytes.
QString headForTheBox(const std::string& path) {
    constexpr std::size_t kHeadBytes = 64 * 1024;
    std::ifstream in(sysutil::pathFromUtf8(path), std::ios::binary);
    std::string head(kHeadBytes, '\0');
    in.read(head.data(), static_cast<std::streamsize>(head.size()));
    head.resize(static_cast<std::size_t>(in.gcount()));
    if (head.size() >= 2 && ((head[0] == '\xff' && head[1] == '\xfe') || (head[0] == '\xfe' && head[1] == '\xff')))
        return {};
    const auto lastLf = head.rfind('\n');
    if (lastLf == std::string::npos) return {};
    head.resize(lastLf + 1);
    return forTheBox(sysutil::joinLinesCrLf(sysutil::decodeText(head)));
}

// The text as the box shows it.
QString readForTheBox(const std::string& path, const std::atomic<bool>& stop) {
    sysutil::WRText text;
    text.FileName = path;
    QString shown;
    try {
        const auto read = text.RFile();
        if (stop) return {};
        // Why, in the system's words: in use, not allowed, gone meanwhile.
        if (!read.ok())
            return QStringLiteral("（このファイルは読み込めませんでした。）\n\n") + forTheBox(read.failure.detail);
        bool broke = false;
        shown = forTheBox(read.value, &broke);
        if (broke)
            shown += QStringLiteral("\n\n（長い行は %1 文字ごとに折り返して表示しています。）").arg(kLongestLine);
        if (text.Truncated())
            shown += QStringLiteral("\n\n（大きなファイルのため、先頭の %1 MB だけを表示しています。）")
                         .arg(sysutil::WRText::kMaxReadBytes / (1024 * 1024));
    } catch (const std::bad_alloc&) {
        shown = QStringLiteral("（このファイルは読み込めませんでした。）\n\nメモリが足りません。");
    } catch (const std::exception&) {
        shown = QStringLiteral("（このファイルは読み込めませんでした。）");
    }
    return shown;
}

}  // namespace

frmDocumentView::~frmDocumentView() {
    stopReading();
}

void frmDocumentView::stopReading() {
    ++reading_;
    rest_.clear();
    head_.clear();
    if (stopReader_) *stopReader_ = true;
    if (reader_.joinable()) reader_.join();
}

void frmDocumentView::ShowSelectedFile() {
    if (File->ListIndex() < 0) return;
    const std::string path = sysutil::AddBackslash(File->Path()) + File->FileName();
    std::error_code ec;
    const auto size = std::filesystem::file_size(sysutil::pathFromUtf8(path), ec);
    // Every key let go in the list asks again (the Tab that brought the
    // focus back from the text among them): the file shown, unchanged, keeps
    // the reader's place.
    std::error_code ec2;
    const auto changed = std::filesystem::last_write_time(sysutil::pathFromUtf8(path), ec2);
    const std::string version =
        ec || ec2 ? path : path + '|' + std::to_string(size) + '|' + std::to_string(changed.time_since_epoch().count());
    if (version == shownVersion_) return;
    shownVersion_ = version;
    stopReading();
    if (ec || size <= kReadInPlaceBytes) {
        showText(readForTheBox(path, std::atomic<bool>{false}));
        return;
    }
    txtViewer->setPlainText(QStringLiteral("（読み込み中...）"));
    stopReader_ = std::make_shared<std::atomic<bool>>(false);
    const unsigned mine = reading_;
    reader_ = std::thread([this, path, mine, stop = stopReader_] {
        // The top of the text first: the user starts reading while the rest comes.
        if (QString head = headForTheBox(path); !head.isEmpty())
            QMetaObject::invokeMethod(
                this,
                [this, mine, h = std::move(head)]() mutable {
                    if (mine != reading_) return;
                    txtViewer->setPlainText(h);
                    head_ = std::move(h);
                },
                Qt::QueuedConnection);
        QString text = readForTheBox(path, *stop);
        if (*stop) return;
        // Delivered on the window's thread; dropped if another file was chosen meanwhile.
        QMetaObject::invokeMethod(
            this,
            [this, mine, t = std::move(text)]() mutable {
                if (mine == reading_) showText(std::move(t));
            },
            Qt::QueuedConnection);
    });
}

void frmDocumentView::showText(QString text) {
    rest_.clear();
    const QString head = std::exchange(head_, QString());
    if (!head.isEmpty() && text.startsWith(head)) {
        // The lines shown already stay; the rest follows them.
        rest_ = std::move(text);
        restAt_ = head.size();
        QTimer::singleShot(0, this, &frmDocumentView::showNextPiece);
        return;
    }
    if (text.size() <= kPieceChars) {
        txtViewer->setPlainText(text);
        return;
    }
    const qsizetype cut = pieceEnd(text, 0);
    txtViewer->setPlainText(text.left(cut));
    rest_ = std::move(text);
    restAt_ = cut;
    QTimer::singleShot(0, this, &frmDocumentView::showNextPiece);
}

void frmDocumentView::showNextPiece() {
    if (rest_.isEmpty()) return;
    const qsizetype next = pieceEnd(rest_, restAt_);
    // Appended at the end without moving the reader's place in the text.
    QTextCursor end(txtViewer->document());
    end.movePosition(QTextCursor::End);
    end.insertText(rest_.mid(restAt_, next - restAt_));
    restAt_ = next;
    if (restAt_ >= rest_.size())
        rest_.clear();
    else
        QTimer::singleShot(0, this, &frmDocumentView::showNextPiece);
}

void frmDocumentView::cmdExecFile_Click() {
    const std::string name = File->ListIndex() >= 0 ? File->FileName() : std::string();
    const std::string path = sysutil::AddBackslash(File->Path()) + name;
    // Opened, never run: only a document that came with a scenario goes to
    // the desktop; anything else is only shown here.
    const auto file = sysutil::pathFromUtf8(path);
    std::error_code ec;
    if (std::filesystem::exists(file, ec) && !ui::opensAsDocument(file)) {
        dialogs_.message(
            {"「" + File->shownName() +
                 "」は文書（テキスト、HTML、PDF、画像）ではないため、関連付けられたプログラムでは開きません。",
             "", sysutil::MsgIcon::Exclamation, sysutil::MsgButtons::Ok, sysutil::MsgAnswer::Ok});
        return;
    }
    if (const auto opened = launcher_.OpenDocument(path, static_cast<std::uintptr_t>(winId())); !opened.ok())
        dialogs_.message({"「" + File->shownName() + "」を開けませんでした。" +
                              (opened.detail.empty() ? "" : "\r\n" + opened.detail),
                          "", sysutil::MsgIcon::Exclamation, sysutil::MsgButtons::Ok, sysutil::MsgAnswer::Ok});
}

bool frmDocumentView::eventFilter(QObject* watched, QEvent* event) {
    if (watched == File && event->type() == QEvent::KeyRelease) ShowSelectedFile();
    // Once the list has taken the release, and the highlight with it.
    if (watched == File->viewport() && event->type() == QEvent::MouseButtonRelease)
        QMetaObject::invokeMethod(this, &frmDocumentView::ShowSelectedFile, Qt::QueuedConnection);
    return QDialog::eventFilter(watched, event);
}

void mnuDocument(const std::string& scenarioFolder, sysutil::Dialogs& dialogs, sysutil::Launcher& launcher,
                 QWidget* owner) {
    frmDocumentView viewer(launcher, dialogs, owner);
    // A folder that has gone since the last refresh simply lists nothing.
    viewer.File->setPath(scenarioFolder);
    dialogs.showModal(viewer);
}

}  // namespace inspect
