#include "inspect/frmDocumentView.h"

#include <QKeyEvent>
#include <QScrollBar>

#include "sysutil/PathRules.h"
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

void frmDocumentView::ShowSelectedFile() {
    if (File->ListIndex() < 0) return;
    sysutil::WRText text;
    text.FileName = sysutil::AddBackslash(File->Path()) + File->FileName();
    QString shown;
    try {
        shown = QString::fromStdString(text.RFile());
        // NUL characters would cut the text short in the box, and a lone LF
        // belongs to its line: it shows as a mark, not as a line break, and
        // as one the Japanese fonts have (Japanese editors show it so too).
        shown.replace(QChar(0), QStringLiteral("^@"));
        shown.replace(QStringLiteral("\r\n"), QChar(QChar::ParagraphSeparator));
        shown.replace(QChar('\n'), QChar(0x2193));  // ↓
        shown.replace(QChar(QChar::ParagraphSeparator), QChar('\n'));
        if (text.Truncated())
            shown += QStringLiteral("\n\n（大きなファイルのため、先頭の %1 MB だけを表示しています。）")
                         .arg(sysutil::WRText::kMaxReadBytes / (1024 * 1024));
    } catch (const std::exception&) {
        shown = QStringLiteral(
            "（このファイルは読み込めませんでした。ほかのプログラムが使用中か、読み取りが許可されていません。）");
    }
    txtViewer->setPlainText(shown);
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
    launcher_.OpenDocument(path, static_cast<std::uintptr_t>(winId()));
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
