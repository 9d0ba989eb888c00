#include "app/frmVersion.h"

#include <QDesktopServices>
#include <QMouseEvent>
#include <QUrl>

#include "app/AppIcon.h"
#include "app/AppInfo.h"
#include "app/mdlFZARC.h"
#include "ui/TwipsLayout.h"

namespace app {
namespace {

const QColor kBlue(0, 0, 255);
const QColor kRed(255, 0, 0);

}  // namespace

QString versionText(int major, int minor, int revision) {
    return QStringLiteral("Version%1.%2.%3 SE")
        .arg(major)
        .arg(minor, 2, 10, QChar('0'))
        .arg(revision, 4, 10, QChar('0'));
}

frmVersion::frmVersion(QWidget* parent) : QDialog(parent), openUrl(&QDesktopServices::openUrl) {
    setObjectName("frmVersion");
    setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint);
    setMouseTracking(true);
    using ui::placeTwips;
    auto label = [this](const char* name) {
        auto* l = new QLabel(this);
        l->setObjectName(name);
        return l;
    };
    Image1 = label("Image1");
    Image1->setPixmap(appIcon().pixmap(32, 32));
    lblTitle = label("lblTitle");
    lblVer = label("lblVer");
    lblUnLHAVer = label("lblUnLHAVer");
    lblCopyright = label("lblCopyright");
    lblProductByQuorvik = label("lblProductByQuorvik");
    lblProductByQuorvik->setText(QStringLiteral("Product by Quorvik."));
    lblAccess[0] = label("lblAccess_0");
    lblAccess[1] = label("lblAccess_1");
    lblAccess[0]->setText(QString::fromUtf8(kMailLink));
    lblAccess[1]->setText(QString::fromUtf8(kWebLink));
    cmdOK = new QPushButton(QStringLiteral("OK(&O)"), this);
    cmdOK->setObjectName("cmdOK");

    QFont title(QStringLiteral("ＭＳ Ｐゴシック"));
    title.setPointSizeF(15.75);
    title.setBold(true);
    title.setItalic(true);
    lblTitle->setFont(title);
    QFont link(QStringLiteral("ＭＳ Ｐゴシック"));
    link.setPointSizeF(9);
    link.setUnderline(true);
    for (int i = 0; i < 2; ++i) {
        lblAccess[i]->setFont(link);
        lblAccess[i]->setCursor(Qt::PointingHandCursor);
        lblAccess[i]->setMouseTracking(true);
        lblAccess[i]->installEventFilter(this);
        setLinkColor(i, kBlue);
    }
    placeTwips(Image1, 105, 105, 480, 480);
    placeTwips(lblTitle, 630, 180, 5475, 330);
    placeTwips(lblVer, 3675, 525, 2430, 225);
    placeTwips(lblUnLHAVer, 1365, 735, 4740, 225);
    placeTwips(lblCopyright, 1470, 1050, 4635, 225);
    placeTwips(lblProductByQuorvik, 1470, 1260, 4635, 225);
    placeTwips(lblAccess[0], 105, 1365, 2115, 225);
    placeTwips(lblAccess[1], 105, 1575, 3480, 225);
    placeTwips(cmdOK, 4095, 1470, 2010, 330);
    // Enter and Esc both press OK.
    cmdOK->setDefault(true);
    connect(cmdOK, &QPushButton::clicked, this, &QDialog::accept);

    // Load.
    const QString appTitle = QString::fromUtf8(kAppTitle);
    setWindowTitle(appTitle + QStringLiteral(" のバージョン情報"));
    lblTitle->setText(appTitle);
    lblCopyright->setText(QString::fromUtf8(kCopyright));
    lblVer->setText(versionText(kVersionMajor, kVersionMinor, kVersionRevision));
    lblUnLHAVer->setText(QString::fromStdString(strUnLHAVer));
    // Japanese fonts run wider and taller than the design's: text grows, and
    // the product line steps aside for a mail link that now reaches under it.
    ui::growToFitText(this);
    if (lblAccess[0]->geometry().right() >= lblProductByQuorvik->x())
        lblProductByQuorvik->move(lblAccess[0]->geometry().right() + ui::twips(120), lblProductByQuorvik->y());
    int right = 0;
    for (QWidget* w : findChildren<QWidget*>(Qt::FindDirectChildrenOnly))
        right = std::max(right, w->geometry().right());
    setFixedSize(std::max(ui::twips(6195), right + ui::twips(105)), std::max(ui::twips(1875), height()));
}

QColor frmVersion::linkColor(int index) const {
    return lblAccess[index]->palette().color(QPalette::WindowText);
}

void frmVersion::setLinkColor(int index, const QColor& color) {
    QPalette p = lblAccess[index]->palette();
    p.setColor(QPalette::WindowText, color);
    lblAccess[index]->setPalette(p);
}

void frmVersion::resetIfRed(int index) {
    if (linkColor(index) == kRed) setLinkColor(index, kBlue);
}

void frmVersion::lblAccess_MouseMove(int index) {
    resetIfRed(index == 0 ? 1 : 0);
    setLinkColor(index, kRed);
}

void frmVersion::Form_MouseMove() {
    resetIfRed(0);
    resetIfRed(1);
}

void frmVersion::lblAccess_Click(int index) {
    // A link that nothing can open fails silently.
    openUrl(QUrl(lblAccess[index]->text()));
    resetIfRed(0);
    resetIfRed(1);
}

bool frmVersion::eventFilter(QObject* watched, QEvent* event) {
    for (int i = 0; i < 2; ++i) {
        if (watched != lblAccess[i]) continue;
        if (event->type() == QEvent::MouseMove || event->type() == QEvent::Enter) lblAccess_MouseMove(i);
        if (event->type() == QEvent::MouseButtonRelease) lblAccess_Click(i);
    }
    return QDialog::eventFilter(watched, event);
}

void frmVersion::mouseMoveEvent(QMouseEvent* event) {
    // Only the dialog's own surface: labels and the button have their own events.
    if (childAt(event->position().toPoint()) == nullptr) Form_MouseMove();
    QDialog::mouseMoveEvent(event);
}

}  // namespace app
