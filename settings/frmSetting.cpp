#include "settings/frmSetting.h"

#include <QKeyEvent>
#include <charconv>

#include "settings/BrowseFolder.h"
#include "settings/INIAccess.h"
#include "ui/TwipsLayout.h"

namespace settings {
namespace {

QString q(const std::string& s) {
    return QString::fromStdString(s);
}

}  // namespace

Qt::CheckState checkStateFromSetting(const std::string& stored, Qt::CheckState current) {
    std::size_t a = stored.find_first_not_of(' ');
    if (a == std::string::npos) return current;
    std::size_t b = stored.find_last_not_of(' ');
    int value = 0;
    const auto [end, ec] = std::from_chars(stored.data() + a, stored.data() + b + 1, value);
    if (ec != std::errc() || end != stored.data() + b + 1) return current;
    switch (value) {
        case 0:
            return Qt::Unchecked;
        case 1:
            return Qt::Checked;
        case 2:
            return Qt::PartiallyChecked;
        default:
            return current;
    }
}

frmSetting::frmSetting(sysutil::Dialogs& dialogs, QWidget* parent) : QDialog(parent), dialogs_(dialogs) {
    setObjectName("frmSetting");
    setWindowTitle(QStringLiteral("設定"));
    setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);

    using ui::placeTwips;
    auto named = [](QWidget* w, const char* name) {
        w->setObjectName(name);
        return w;
    };
    lblTRFolder =
        static_cast<QLabel*>(named(new QLabel(QStringLiteral("Tessarune インストール先(&C)："), this), "lblTRFolder"));
    txtTRPath = static_cast<QLineEdit*>(named(new QLineEdit(this), "txtTRPath"));
    cmdTRPath = static_cast<QPushButton*>(named(new QPushButton(QStringLiteral("&..."), this), "cmdTRPath"));
    lblTRPath_ex = static_cast<QLabel*>(
        named(new QLabel(QStringLiteral("※[インストール先\\Scenario\\FZARC_まな板]にファイルを解凍します。"), this),
              "lblTRPath_ex"));
    lblArcPath =
        static_cast<QLabel*>(named(new QLabel(QStringLiteral("冷蔵庫フォルダのパス(&F)："), this), "lblArcPath"));
    txtArcPath = static_cast<QLineEdit*>(named(new QLineEdit(this), "txtArcPath"));
    cmdArcPath = static_cast<QPushButton*>(named(new QPushButton(QStringLiteral("&,.."), this), "cmdArcPath"));
    chkRmNoFileFolder = static_cast<QCheckBox*>(named(
        new QCheckBox(QStringLiteral("終了時にまな板の空のフォルダを削除する。(&R)"), this), "chkRmNoFileFolder"));
    cmdOK = static_cast<QPushButton*>(named(new QPushButton(QStringLiteral("OK(&O)"), this), "cmdOK"));
    cmdCancel = static_cast<QPushButton*>(named(new QPushButton(QStringLiteral("キャンセル(&C)"), this), "cmdCancel"));
    chkFirstRun =
        static_cast<QCheckBox*>(named(new QCheckBox(QStringLiteral("初期起動(内部処理用)"), this), "chkFirstRun"));

    lblTRFolder->setBuddy(txtTRPath);
    lblArcPath->setBuddy(txtArcPath);
    placeTwips(lblTRFolder, 105, 105, 2640, 225);
    placeTwips(txtTRPath, 210, 315, 5475, 270);
    placeTwips(cmdTRPath, 5775, 338, 225, 225);
    placeTwips(lblTRPath_ex, 420, 630, 5475, 225);
    placeTwips(lblArcPath, 105, 945, 3585, 225);
    placeTwips(txtArcPath, 210, 1155, 5475, 270);
    placeTwips(cmdArcPath, 5775, 1178, 225, 225);
    placeTwips(chkRmNoFileFolder, 210, 1575, 4425, 225);
    placeTwips(cmdOK, 4200, 1890, 1800, 330);
    placeTwips(cmdCancel, 2310, 1890, 1800, 330);
    placeTwips(chkFirstRun, 105, 2625, 2115, 225);
    chkFirstRun->hide();  // below the client area: never seen, and no stop for Tab
    ui::setTabOrderChain(
        {txtTRPath, cmdTRPath, txtArcPath, cmdArcPath, chkRmNoFileFolder, cmdOK, cmdCancel, chkFirstRun});
    chkRmNoFileFolder->setChecked(true);
    chkFirstRun->setChecked(false);
    cmdOK->setDefault(true);
    cmdOK->setAutoDefault(true);
    cmdCancel->setAutoDefault(false);
    // The browse buttons are tiny; their text must still show.
    for (QPushButton* b : {cmdTRPath, cmdArcPath}) b->setStyleSheet("padding: 0px;");

    connect(cmdTRPath, &QPushButton::clicked, this, &frmSetting::cmdTRPath_Click);
    connect(cmdArcPath, &QPushButton::clicked, this, &frmSetting::cmdArcPath_Click);
    connect(cmdOK, &QPushButton::clicked, this, &frmSetting::cmdOK_Click);
    connect(cmdCancel, &QPushButton::clicked, this, &frmSetting::cmdCancel_Click);

    ui::growToFitText(this);
    int right = 0;
    for (QWidget* w : findChildren<QWidget*>(Qt::FindDirectChildrenOnly))
        if (w != chkFirstRun) right = std::max(right, w->geometry().right());
    setFixedSize(std::max(ui::twips(6090), right + ui::twips(105)), std::max(ui::twips(2310), height()));
    Form_Load();
}

void frmSetting::Form_Load() {
    INIAccess ini;
    ini.FileName = kIniFileName;
    txtTRPath->setText(q(ini.GetINIData(kSection, kKeyTRPath)));
    txtArcPath->setText(q(ini.GetINIData(kSection, kKeyArcPath)));
    const std::string rm = ini.GetINIData(kSection, kKeyExitRMNoFileDir);
    if (!rm.empty()) {
        const auto state = checkStateFromSetting(rm, chkRmNoFileFolder->checkState());
        if (state == Qt::PartiallyChecked) chkRmNoFileFolder->setTristate(true);
        chkRmNoFileFolder->setCheckState(state);
    }
}

void frmSetting::cmdTRPath_Click() {
    const std::string folder = SelectFolder(dialogs_, "Tessarune インストール先", txtTRPath->text().toStdString());
    if (!folder.empty()) txtTRPath->setText(q(folder));
}

void frmSetting::cmdArcPath_Click() {
    const std::string folder = SelectFolder(dialogs_, "冷蔵庫フォルダのパス", txtArcPath->text().toStdString());
    if (!folder.empty()) txtArcPath->setText(q(folder));
}

void frmSetting::cmdOK_Click() {
    INIAccess ini;
    ini.FileName = kIniFileName;
    const int state = chkRmNoFileFolder->checkState() == Qt::Checked            ? 1
                      : chkRmNoFileFolder->checkState() == Qt::PartiallyChecked ? 2
                                                                                : 0;
    // One write for the three: a save never keeps one setting and loses the next.
    const auto failure = ini.SetINIValues(kSection, {{kKeyTRPath, txtTRPath->text().toStdString()},
                                                     {kKeyArcPath, txtArcPath->text().toStdString()},
                                                     {kKeyExitRMNoFileDir, std::to_string(state)}});
    saved_ = failure.ok();
    // A save that did not reach the disk would otherwise show up only as the
    // same first-run warnings again, with no hint why. The dialog stays, with
    // what the user typed, to try again or to cancel.
    if (!saved_) {
        dialogs_.message({"設定を保存できませんでした。\r\n" + failure.detail, "", sysutil::MsgIcon::Exclamation,
                          sysutil::MsgButtons::Ok, sysutil::MsgAnswer::Ok});
        return;
    }
    accept();
}

void frmSetting::cmdCancel_Click() {
    if (chkFirstRun->isChecked()) endProgram_ = true;
    reject();
}

void frmSetting::keyPressEvent(QKeyEvent* event) {
    // Esc is bound to no button here.
    if (event->key() == Qt::Key_Escape) {
        event->ignore();
        return;
    }
    QDialog::keyPressEvent(event);
}

}  // namespace settings
