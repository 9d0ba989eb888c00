#include "app/frmFzarc.h"

#include <QApplication>
#include <QCloseEvent>
#include <QKeyEvent>
#include <QMenuBar>
#include <QScreen>
#include <filesystem>

#include "app/AppIcon.h"
#include "app/AppInfo.h"
#include "app/frmVersion.h"
#include "archive/WorkFolders.h"
#include "inspect/LaunchCommands.h"
#include "inspect/frmDocumentView.h"
#include "settings/Folders.h"
#include "settings/INIAccess.h"
#include "settings/SettingsCommands.h"
#include "sysutil/FileAccessDOS.h"
#include "sysutil/PathRules.h"
#include "sysutil/ProgramFolder.h"
#include "ui/TwipsLayout.h"

namespace app {
namespace {

QString q(const std::string& s) {
    return QString::fromStdString(s);
}

class BusyScope {
public:
    explicit BusyScope(bool& flag) : flag_(flag) { flag_ = true; }
    ~BusyScope() { flag_ = false; }
    BusyScope(const BusyScope&) = delete;
    BusyScope& operator=(const BusyScope&) = delete;

private:
    bool& flag_;
};

}  // namespace

frmFzarc::frmFzarc(sysutil::Dialogs& dialogs, archiver::Archiver& archiver, sysutil::Launcher& launcher,
                   QWidget* parent)
    : QMainWindow(parent), dialogs_(dialogs), archiver_(archiver), launcher_(launcher) {
    setObjectName("frmFzarc");
    setWindowTitle(QString::fromUtf8(kWindowCaption));
    setWindowIcon(appIcon());
    setWindowFlags(Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                   Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint);
    buildControls();
    buildMenus();
}

void frmFzarc::buildControls() {
    using ui::placeTwips;
    auto* client = new QWidget(this);
    setCentralWidget(client);

    fraFiles = new QGroupBox(QStringLiteral("冷蔵庫"), client);
    filArc = new ui::FileListBox(fraFiles);
    filArc->setPattern("*.LZH");
    cmdChangeArcFolder = new QPushButton(QStringLiteral("フォルダ変更(&O)..."), fraFiles);
    cmdLoad = new QPushButton(QStringLiteral("とりだす(&L)..."), fraFiles);
    cmdLoad->setToolTip(QStringLiteral("シナリオを解凍してまな板フォルダに展開します。"));
    fraCuttingBoard = new QGroupBox(QStringLiteral("まな板"), client);
    lstPool = new ui::ListBox(fraCuttingBoard);
    lstPool->setSortingEnabled(false);
    cmdDelete = new QPushButton(QStringLiteral("すてる(&D)..."), fraCuttingBoard);
    cmdDelete->setToolTip(QStringLiteral("選択されているシナリオを削除します。"));
    cmdDocument = new QPushButton(QStringLiteral("調べる(&T)..."), fraCuttingBoard);
    cmdDocument->setToolTip(QStringLiteral("付属ドキュメントなどを閲覧します。"));
    cmdReArc = new QPushButton(QStringLiteral("しまう(&R)..."), fraCuttingBoard);
    cmdReArc->setToolTip(QStringLiteral("再圧縮して別名保存します。"));

    const std::pair<QWidget*, const char*> names[] = {{fraFiles, "fraFiles"},
                                                      {filArc, "filArc"},
                                                      {cmdChangeArcFolder, "cmdChangeArcFolder"},
                                                      {cmdLoad, "cmdLoad"},
                                                      {fraCuttingBoard, "fraCuttingBoard"},
                                                      {lstPool, "lstPool"},
                                                      {cmdDelete, "cmdDelete"},
                                                      {cmdDocument, "cmdDocument"},
                                                      {cmdReArc, "cmdReArc"}};
    for (const auto& [w, name] : names) w->setObjectName(name);

    placeTwips(fraFiles, 105, 105, 4845, 2000);
    placeTwips(filArc, 105, 210, 4635, 1350);
    placeTwips(cmdChangeArcFolder, 105, 1575, 1800, 330);
    placeTwips(cmdLoad, 2940, 1575, 1800, 330);
    placeTwips(fraCuttingBoard, 105, 2205, 4845, 2010);
    placeTwips(lstPool, 105, 210, 4635, 1320);
    placeTwips(cmdDelete, 105, 1575, 1485, 330);
    placeTwips(cmdDocument, 1680, 1575, 1485, 330);
    placeTwips(cmdReArc, 3255, 1575, 1485, 330);
    ui::setTabOrderChain({filArc, cmdChangeArcFolder, cmdLoad, lstPool, cmdDelete, cmdDocument, cmdReArc});
    for (QPushButton* b : {cmdChangeArcFolder, cmdLoad, cmdDelete, cmdDocument, cmdReArc}) b->setAutoDefault(false);

    // Japanese captions may be wider than the design allowed: grow, never clip.
    ui::growToFitText(client);
    const int frameWidth = std::max(fraFiles->width(), fraCuttingBoard->width());
    fraFiles->resize(frameWidth, fraFiles->height());
    fraCuttingBoard->resize(frameWidth, fraCuttingBoard->height());
    for (QWidget* list : {static_cast<QWidget*>(filArc), static_cast<QWidget*>(lstPool)})
        list->resize(frameWidth - 2 * ui::twips(105), list->height());
    // The right-hand buttons keep to the frames' right edge.
    cmdLoad->move(frameWidth - ui::twips(105) - cmdLoad->width(), cmdLoad->y());
    cmdReArc->move(frameWidth - ui::twips(105) - cmdReArc->width(), cmdReArc->y());
    client->setFixedSize(std::max(ui::twips(5070), frameWidth + 2 * ui::twips(105)),
                         std::max(ui::twips(4305), client->height()));

    filArc->installEventFilter(this);
    lstPool->installEventFilter(this);
    connect(cmdLoad, &QPushButton::clicked, this, &frmFzarc::mnuLoad_Click);
    connect(cmdChangeArcFolder, &QPushButton::clicked, this, &frmFzarc::mnuChangeArcFolder_Click);
    connect(cmdDelete, &QPushButton::clicked, this, &frmFzarc::mnuDelete_Click);
    connect(cmdDocument, &QPushButton::clicked, this, &frmFzarc::mnuDocument_Click);
    connect(cmdReArc, &QPushButton::clicked, this, &frmFzarc::mnuReArc_Click);
}

void frmFzarc::buildMenus() {
    auto action = [this](QMenu* menu, const char* text, const char* name, void (frmFzarc::*slot)()) {
        QAction* a = menu->addAction(QString::fromUtf8(text));
        a->setObjectName(name);
        connect(a, &QAction::triggered, this, slot);
        return a;
    };
    mnuFile = menuBar()->addMenu(QStringLiteral("ファイル(&F)"));
    mnuFile->setObjectName("mnuFile");
    mnuFreezer = mnuFile->addMenu(QStringLiteral("冷蔵庫(&F)"));
    mnuFreezer->setObjectName("mnuFreezer");
    mnuLoad = action(mnuFreezer, "とりだす(&L)...", "mnuLoad", &frmFzarc::mnuLoad_Click);
    mnuDeleteArchive = action(mnuFreezer, "すてる(&D)...", "mnuDeleteArchive", &frmFzarc::mnuDeleteArchive_Click);
    mnuChangeArcFolder =
        action(mnuFreezer, "フォルダ変更(&F)...", "mnuChangeArcFolder", &frmFzarc::mnuChangeArcFolder_Click);
    mnuCuttingBoard = mnuFile->addMenu(QStringLiteral("まな板(&C)"));
    mnuCuttingBoard->setObjectName("mnuCuttingBoard");
    mnuDelete = action(mnuCuttingBoard, "すてる(&D)...", "mnuDelete", &frmFzarc::mnuDelete_Click);
    mnuDocument = action(mnuCuttingBoard, "調べる(&T)...", "mnuDocument", &frmFzarc::mnuDocument_Click);
    mnuReArc = action(mnuCuttingBoard, "しまう(&R)...", "mnuReArc", &frmFzarc::mnuReArc_Click);
    mnuExecute = mnuFile->addMenu(QStringLiteral("実行(&E)"));
    mnuExecute->setObjectName("mnuExecute");
    mnuOpenArchiveFolder =
        action(mnuExecute, "冷蔵庫フォルダを開く(&A)", "mnuOpenArchiveFolder", &frmFzarc::mnuOpenArchiveFolder_Click);
    mnuOpenFolder = action(mnuExecute, "まな板フォルダを開く(&T)", "mnuOpenFolder", &frmFzarc::mnuOpenFolder_Click);
    mnuExecuteTessarune =
        action(mnuExecute, "Tessarune起動(&C)", "mnuExecuteTessarune", &frmFzarc::mnuExecuteTessarune_Click);
    mnuExecuteTessaruneEditor = action(mnuExecute, "TessaruneEditor起動(&E)", "mnuExecuteTessaruneEditor",
                                       &frmFzarc::mnuExecuteTessaruneEditor_Click);
    mnuExecuteTessaruneEditor->setEnabled(false);  // shown, never available
    mnuSp0 = mnuFile->addSeparator();
    mnuSp0->setObjectName("mnuSp0");
    mnuReload = action(mnuFile, "最新の情報に更新(&R)", "mnuReload", &frmFzarc::mnuReload_Click);
    mnuReload->setShortcut(QKeySequence(Qt::Key_F5));
    mnuSetting = action(mnuFile, "設定(&S)", "mnuSetting", &frmFzarc::mnuSetting_Click);
    mnuSp1 = mnuFile->addSeparator();
    mnuSp1->setObjectName("mnuSp1");
    mnuExit = action(mnuFile, "終了(&X)", "mnuExit", &frmFzarc::mnuExit_Click);
    mnuHelp = menuBar()->addMenu(QStringLiteral("ヘルプ(&H)"));
    mnuHelp->setObjectName("mnuHelp");
    mnuVersion = action(mnuHelp, "バージョン情報(&V)...", "mnuVersion", &frmFzarc::mnuVersion_Click);
    setFixedSize(sizeHint());
}

void frmFzarc::Form_Load() {
    const settings::Folders folders = settings::currentFolders();
    filArc->setPath(folders.fridge);
    // What a killed or crashed run left behind: a half-written archive in the
    // fridge, a settings file never renamed, a staging folder on the board or
    // in a folder a take out was merging into (before the list is read, which
    // would show a half-merged scenario), and deeper scenarios once listed.
    archiver::tidyAtStart(filArc->Path(), folders.cuttingBoard, sysutil::settingsFolder());
    mnuReload_Click();
    std::vector<std::string> scenarios;
    for (int i = 0; i < lstPool->count(); ++i) scenarios.push_back(lstPool->item(i)->text().toStdString());
    removeLeftovers(scenarios);
    // Centre on the screen; the fridge list has the focus (first in tab order).
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());
    filArc->setFocus();
}

void frmFzarc::removeLeftovers(const std::vector<std::string>& folders) {
    for (const auto& folder : folders)
        if (!folder.empty()) archiver::removeLeftovers(sysutil::pathFromUtf8(folder));
}

template <typename Command>
void frmFzarc::unlessACommandRuns(Command command) {
    if (busy_) return;
    BusyScope scope(busy_);
    command();
}

void frmFzarc::RefreshPool() {
    const std::string board = settings::currentFolders().cuttingBoard;
    if (!sysutil::lookupExists(board, sysutil::LookupKind::FilesAndFolders)) {
        std::error_code ec;
        std::filesystem::create_directory(sysutil::pathFromUtf8(board), ec);  // the last level only
    }
    lstPool->clear();
    lstPool->setEnabled(false);
    fraCuttingBoard->setTitle(QStringLiteral("一覧更新中..."));
    sysutil::FileAccessDOS dos(&dialogs_);
    QStringList scenarios;
    for (const auto& scenario : archiver::scenariosAmong(dos.SubDirectories(board))) scenarios << q(scenario);
    lstPool->addItems(scenarios);
    lstPool->setEnabled(true);
    fraCuttingBoard->setTitle(QStringLiteral("まな板"));
}

void frmFzarc::reload() {
    RefreshPool();
    filArc->Refresh();
}

void frmFzarc::applyRefresh(archiver::Refresh refresh) {
    if (refresh == archiver::Refresh::Reload) reload();
    if (refresh == archiver::Refresh::PoolOnly) RefreshPool();
}

std::optional<archiver::FridgeSelection> frmFzarc::selectedArchive() const {
    if (filArc->ListIndex() < 0) return std::nullopt;
    return archiver::FridgeSelection{filArc->Path(), filArc->FileName(), filArc->shownName()};
}

std::optional<std::string> frmFzarc::selectedScenario() const {
    if (lstPool->ListIndex() < 0) return std::nullopt;
    return lstPool->selectedText().toStdString();
}

void frmFzarc::mnuLoad_Click() {
    unlessACommandRuns([this] {
        applyRefresh(
            archiver::takeOut(selectedArchive(), settings::currentFolders().cuttingBoard, dialogs_, archiver_));
    });
}

void frmFzarc::mnuDeleteArchive_Click() {
    unlessACommandRuns([this] { applyRefresh(archiver::throwAwayArchive(selectedArchive(), dialogs_)); });
}

void frmFzarc::mnuChangeArcFolder_Click() {
    unlessACommandRuns([this] {
        if (const auto folder = settings::mnuChangeArcFolder(dialogs_)) filArc->setPath(*folder);
    });
}

void frmFzarc::mnuDelete_Click() {
    unlessACommandRuns([this] { applyRefresh(archiver::throwAwayScenario(selectedScenario(), dialogs_)); });
}

void frmFzarc::mnuDocument_Click() {
    unlessACommandRuns([this] {
        if (const auto scenario = selectedScenario()) inspect::mnuDocument(*scenario, dialogs_, launcher_, this);
    });
}

void frmFzarc::mnuReArc_Click() {
    unlessACommandRuns(
        [this] { applyRefresh(archiver::putAway(selectedScenario(), filArc->Path(), dialogs_, archiver_)); });
}

void frmFzarc::mnuOpenArchiveFolder_Click() {
    inspect::mnuOpenArchiveFolder(settings::currentFolders().fridge, launcher_, winId());
}
void frmFzarc::mnuOpenFolder_Click() {
    inspect::mnuOpenFolder(settings::currentFolders().engine, launcher_, winId());
}
void frmFzarc::mnuExecuteTessarune_Click() {
    inspect::mnuExecuteTessarune(settings::currentFolders().engine, launcher_, winId());
}
void frmFzarc::mnuExecuteTessaruneEditor_Click() {
    inspect::mnuExecuteTessaruneEditor(settings::currentFolders().engine, launcher_, winId());
}

void frmFzarc::mnuReload_Click() {
    unlessACommandRuns([this] { reload(); });
}

void frmFzarc::mnuSetting_Click() {
    unlessACommandRuns([this] { filArc->setPath(settings::mnuSetting(dialogs_, this)); });
}

void frmFzarc::mnuExit_Click() {
    close();
}

void frmFzarc::mnuVersion_Click() {
    unlessACommandRuns([this] {
        frmVersion about(this);
        dialogs_.showModal(about);
    });
}

void frmFzarc::closeEvent(QCloseEvent* event) {
    // The settings dialog promises this clean-up; it touches empty folders
    // outside the scenarios only.
    if (settings::readSetting(settings::kKeyExitRMNoFileDir) == "1")
        archiver::removeEmptyFoldersOutsideScenarios(settings::currentFolders().cuttingBoard);
    event->accept();
}

bool frmFzarc::eventFilter(QObject* watched, QEvent* event) {
    QPushButton* button = watched == filArc ? cmdLoad : watched == lstPool ? cmdDocument : nullptr;
    if (button) {
        // The default button follows the focus of the two lists.
        if (event->type() == QEvent::FocusIn) button->setDefault(true);
        if (event->type() == QEvent::FocusOut) button->setDefault(false);
        if (event->type() == QEvent::KeyPress) {
            const int key = static_cast<QKeyEvent*>(event)->key();
            if (key == Qt::Key_Return || key == Qt::Key_Enter) {
                button->click();
                return true;
            }
        }
    }
    return QMainWindow::eventFilter(watched, event);
}

}  // namespace app
