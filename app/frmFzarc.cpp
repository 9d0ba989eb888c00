#include "app/frmFzarc.h"

#include <QApplication>
#include <QCloseEvent>
#include <QDateTime>
#include <QDropEvent>
#include <QFileInfo>
#include <QKeyEvent>
#include <QLocale>
#include <QMenuBar>
#include <QMimeData>
#include <QScreen>
#include <QToolTip>
#include <QUrl>
#include <chrono>
#include <filesystem>
#if !defined(_WIN32)
#include <sys/stat.h>
#endif

#include "app/AppIcon.h"
#include "app/AppInfo.h"
#include "app/frmVersion.h"
#include "archive/ArchiveReader.h"
#include "archive/WorkFolders.h"
#include "commands/LaunchCommands.h"
#include "commands/Outcome.h"
#include "inspect/frmDocumentView.h"
#include "settings/Folders.h"
#include "settings/SettingsCommands.h"
#include "sysutil/ErrorText.h"
#include "sysutil/PathRules.h"
#include "sysutil/ProgramFolder.h"
#include "ui/TwipsLayout.h"

namespace app {
namespace {

QString q(const std::string& s) {
    return QString::fromStdString(s);
}

// How long the disk must be quiet before the lists follow it, and the
// longest a change waits while it is not.
constexpr int kQuietMs = 250;
constexpr int kLongestWaitMs = 800;

// The local files a drag carries.
std::vector<std::string> draggedFiles(const QMimeData& data) {
    std::vector<std::string> files;
    for (const QUrl& url : data.urls()) {
        if (!url.isLocalFile()) continue;
#if defined(_WIN32)
        files.push_back(url.toLocalFile().toStdString());
#else
        // The name's own bytes: a Shift-JIS name from old media, read as
        // UTF-8, would name no file at all.
        files.push_back(QByteArray::fromPercentEncoding(url.path(QUrl::FullyEncoded).toLatin1()).toStdString());
#endif
    }
    return files;
}

// Which folder a name stands for: a folder swapped for another under the
// same name (a backup put back) tells itself apart, though its watch, set on
// the old one, says nothing. "" where the system gives no such mark.
std::string folderIdentity(const std::string& folder) {
#if defined(_WIN32)
    (void)folder;
    return {};
#else
    struct stat st {};
    if (::stat(sysutil::pathFromUtf8(folder).c_str(), &st) != 0) return {};
    return std::to_string(st.st_dev) + ':' + std::to_string(st.st_ino);
#endif
}

bool carriesAnArchive(const QMimeData& data) {
    for (const auto& file : draggedFiles(data))
        if (sysutil::matchesWildcard("*.LZH", sysutil::displayName(sysutil::pathFromUtf8(file).filename())))
            return true;
    return false;
}

// After a throw away the highlight moves to the row that took the thrown
// one's place (the row before it, when it was the last), so the keyboard goes
// on from there instead of from the top.
class NeighbourOf {
public:
    explicit NeighbourOf(ui::ListBox& list) : list_(list), row_(list.ListIndex()), text_(list.selectedText()) {}
    void highlightWhenGone() const {
        if (row_ < 0 || list_.count() == 0 || !list_.findItems(text_, Qt::MatchExactly).isEmpty()) return;
        list_.highlightRow(list_.item(std::min(row_, list_.count() - 1))->text());
    }

private:
    ui::ListBox& list_;
    int row_;
    QString text_;
};

}  // namespace

frmFzarc::frmFzarc(sysutil::Dialogs& dialogs, archiver::Archiver& archiver, sysutil::Launcher& launcher,
                   sysutil::Trash& trash, QWidget* parent)
    : QMainWindow(parent), dialogs_(dialogs), archiver_(archiver), launcher_(launcher), trash_(trash) {
    setObjectName("frmFzarc");
    setWindowTitle(QString::fromUtf8(kWindowCaption));
    setWindowIcon(appIcon());
    setWindowFlags(Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                   Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint);
    buildControls();
    buildMenus();
    buildWatchers();
    setAcceptDrops(true);
}

void frmFzarc::buildControls() {
    using ui::placeTwips;
    auto* client = new QWidget(this);
    setCentralWidget(client);

    fraFiles = new QGroupBox(QStringLiteral("冷蔵庫"), client);
    filArc = new ui::FileListBox(fraFiles);
    filArc->setPattern("*.LZH");
    filArc->elideLongRows(Qt::ElideMiddle);  // the name's start and its ".LZH" stay in sight
    cmdChangeArcFolder = new QPushButton(QStringLiteral("フォルダ変更(&O)..."), fraFiles);
    cmdLoad = new QPushButton(QStringLiteral("とりだす(&L)..."), fraFiles);
    cmdLoad->setToolTip(QStringLiteral("シナリオを解凍してまな板フォルダに展開します。"));
    fraCuttingBoard = new QGroupBox(QStringLiteral("まな板"), client);
    lstPool = new ui::ListBox(fraCuttingBoard);
    lstPool->setSortingEnabled(false);
    lstPool->elideLongRows(Qt::ElideLeft);  // the full paths all begin alike
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
    filArc->setToolTipSource([this](int row) { return fridgeToolTip(row); });
    lstPool->setToolTipSource([this](int row) { return boardToolTip(row); });
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

void frmFzarc::buildWatchers() {
    fridgeWatcher_ = new QFileSystemWatcher(this);
    boardWatcher_ = new QFileSystemWatcher(this);
    aboveWatcher_ = new QFileSystemWatcher(this);
    connect(fridgeWatcher_, &QFileSystemWatcher::directoryChanged, this, [this] { folderChanged(Changed::Fridge); });
    connect(boardWatcher_, &QFileSystemWatcher::directoryChanged, this, [this] { folderChanged(Changed::Board); });
    connect(aboveWatcher_, &QFileSystemWatcher::directoryChanged, this, [this] { folderChanged(Changed::Above); });
    followTimer_.setSingleShot(true);
    connect(&followTimer_, &QTimer::timeout, this, &frmFzarc::followTheDisk);
}

void frmFzarc::Form_Load() {
    // Before the window shows, so on its thread: what a killed or crashed
    // run left behind (a half-written archive in the fridge, a settings file
    // never renamed, a staging folder on the board or in a folder a take out
    // was merging into) goes before the board is read, which would show a
    // half-merged scenario; deeper scenarios' leftovers once it is read.
    startJob(commands::Job::Runs::OnTheWindow, [this](const settings::Folders& folders, sysutil::Dialogs&) {
        archiver::tidyAtStart(folders.fridge, folders.cuttingBoard, sysutil::settingsFolder(), &trash_);
        commands::Outcome outcome(commands::Refresh::None);
        outcome.fridgeFolder = folders.fridge;
        outcome.board = commands::readBoard(folders.cuttingBoard, true);
        outcome.tellBoardProblems = true;
        for (const auto& scenario : outcome.board->scenarios)
            archiver::removeLeftovers(sysutil::pathFromUtf8(scenario), &trash_);
        return outcome;
    });
    // Centre on the screen; the fridge list has the focus (first in tab order).
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());
    filArc->setFocus();
}

void frmFzarc::startJob(commands::Job::Runs where, commands::Work work, QWidget* home, std::function<void()> after) {
    if (job_) return;
    job_ = new commands::Job(where, std::move(work), dialogs_, this);
    connect(job_, &commands::Job::finished, this, [this, home, after](const commands::Outcome& outcome) {
        job_->deleteLater();
        job_ = nullptr;
        applyOutcome(outcome);
        if (after) after();
        if (home) home->setFocus(Qt::OtherFocusReason);
        // What changed on the disk while the job ran and its reading did not see.
        if (fridgeChanged_) folderChanged(Changed::Fridge);
        if (boardChanged_) folderChanged(Changed::Board);
        if (aboveChanged_) folderChanged(Changed::Above);
    });
    job_->start();
}

namespace {

// Stops watching: what the watcher still had to say is dropped with it.
void unwatch(QFileSystemWatcher& watcher) {
    const QStringList folders = watcher.directories();
    if (!folders.isEmpty()) watcher.removePaths(folders);
}

}  // namespace

void frmFzarc::RefreshPool(const commands::BoardReading& reading, const std::string& made, bool tellProblems) {
    // Whatever changed so far, this reading saw.
    boardChanged_ = false;
    unwatch(*boardWatcher_);
    QToolTip::hideText();  // it may speak of a scenario that has gone
    const std::string& board = reading.board;
    if (reading.cannotMake && tellProblems) boardCannotBeMade(board, reading.cannotMake);
    board_ = board;
    boardId_ = folderIdentity(board);
    // What was highlighted, or was when the board went: back with the board.
    const QString kept = lstPool->selectedText().isEmpty() ? boardKept_ : lstPool->selectedText();
    // Cleared, the list hands the keyboard on to the next button: it comes back.
    const bool hadKeyboard = lstPool->hasFocus();
    lstPool->clear();
    // Ordered and found by the part below the board, as the fridge by its names.
    struct Row {
        QString path, below;
    };
    std::vector<Row> rows;
    const QString boardText = q(board);
    for (const auto& scenario : reading.scenarios) {
        const QString path = q(scenario);
        rows.push_back({path, path.startsWith(boardText) ? path.mid(boardText.size()) : path});
    }
    const QCollator order = ui::ListBox::order();
    std::stable_sort(rows.begin(), rows.end(), [&](const Row& a, const Row& b) { return order(a.below, b.below); });
    for (const auto& row : rows) {
        auto* entry = new QListWidgetItem(row.path, lstPool);
        entry->setData(ui::ListBox::kKeyRole, row.below);
    }
    boardThere_ = reading.there;
    fraCuttingBoard->setTitle(boardThere_ ? QStringLiteral("まな板")
                                          : QStringLiteral("まな板（フォルダが見つかりません）"));
    boardKept_ = boardThere_ ? QString() : kept;
    // The scenario a take out made (its folder, or the first scenario below
    // it); else the one highlighted before, if it is still there; else none.
    bool highlighted = false;
    if (!made.empty()) {
        const QString below = q(made) + QChar(sysutil::kSeparator);
        for (int row = 0; row < lstPool->count() && !highlighted; ++row) {
            const QString text = lstPool->item(row)->text();
            if (text == q(made) || text.startsWith(below)) highlighted = lstPool->highlightRow(text);
        }
    }
    if (!highlighted && !kept.isEmpty()) lstPool->highlightRow(kept);
    if (hadKeyboard) lstPool->setFocus(Qt::OtherFocusReason);
    if (!reading.watched.empty()) {
        QStringList watched;
        for (const auto& folder : reading.watched) watched << q(folder);
        boardWatcher_->addPaths(watched);
    }
    watchAbove();
}

void frmFzarc::boardCannotBeMade(const std::string& board, const std::error_code& ec) {
    namespace fs = std::filesystem;
    const fs::path boardPath = sysutil::pathFromUtf8(board).parent_path();
    const fs::path scenarioFolder = boardPath.parent_path();
    const std::string engine = sysutil::utf8FromPath(scenarioFolder.parent_path());
    std::error_code ec2;
    std::string why;
    if (!fs::is_directory(scenarioFolder.parent_path(), ec2))
        why = "Tessarune のインストール先「" + engine + "」が見つかりません。";
    else if (!fs::is_directory(scenarioFolder, ec2))
        why = "Tessarune のインストール先「" + engine + "」に「Scenario」フォルダがありません。";
    else
        why = sysutil::describeError(ec);
    const sysutil::MessageRequest request{"まな板のフォルダを作れません。\r\n" + sysutil::utf8FromPath(boardPath) +
                                              "\r\n" + why + "\r\n設定でインストール先を確かめてください。",
                                          "", sysutil::MsgIcon::Exclamation, sysutil::MsgButtons::Ok,
                                          sysutil::MsgAnswer::Ok};
    // Once the window's events flow again: at start, over the window it speaks of.
    QTimer::singleShot(0, this, [this, request] { dialogs_.message(request); });
}

void frmFzarc::refreshFridge(const std::string& made) {
    showFridge(filArc->Path());
    if (!made.empty()) filArc->highlightFile(made);
}

void frmFzarc::showFridge(const std::string& folder) {
    // Whatever changed so far, this read sees.
    fridgeChanged_ = false;
    unwatch(*fridgeWatcher_);
    QToolTip::hideText();  // it may speak of an archive that has gone
    fridgeId_ = folderIdentity(folder);
    // What was highlighted, or was when the fridge went: back with the fridge.
    const std::string kept = folder != filArc->Path()     ? std::string()
                             : filArc->FileName().empty() ? fridgeKept_
                                                          : filArc->FileName();
    if (folder == filArc->Path())
        filArc->Refresh();
    else
        filArc->setPath(folder);
    const QString path = q(folder);
    fridgeThere_ = !path.isEmpty() && QFileInfo(path).isDir();
    if (fridgeThere_ && !kept.empty() && filArc->ListIndex() < 0) filArc->highlightFile(kept);
    fridgeKept_ = fridgeThere_ ? std::string() : kept;
    if (fridgeThere_) fridgeWatcher_->addPath(path);
    fraFiles->setTitle(fridgeThere_ ? QStringLiteral("冷蔵庫") : QStringLiteral("冷蔵庫（フォルダが見つかりません）"));
    watchAbove();
}

void frmFzarc::watchAbove() {
    // A folder moved or renamed is seen by the folder that held it: the
    // folders just above the two are watched (the fridge's, the board's
    // "Scenario" and the engine's folder), or the nearest one still there,
    // for the folder to come back. Not every one
    // up to the root: setting a watch on a folder of many entries (/tmp)
    // costs the system a walk over all of them, and only what changed is
    // set again.
    QStringList above;
    for (const auto& [folder, levels] : {std::pair{filArc->Path(), 1}, std::pair{board_, 2}}) {
        if (folder.empty()) continue;
        std::filesystem::path p = sysutil::pathFromUtf8(folder);
        if (!p.has_filename()) p = p.parent_path();  // a trailing separator
        bool found = false;
        for (int level = 1; p.has_relative_path() && (level <= levels || !found); ++level) {
            p = p.parent_path();
            std::error_code ec;
            if (!std::filesystem::is_directory(p, ec)) continue;
            above << q(sysutil::utf8FromPath(p));
            found = true;
        }
    }
    above.removeDuplicates();
    QStringList gone;
    for (const QString& watched : aboveWatcher_->directories())
        if (!above.contains(watched)) gone << watched;
    if (!gone.isEmpty()) aboveWatcher_->removePaths(gone);
    QStringList added;
    for (const QString& folder : above)
        if (!aboveWatcher_->directories().contains(folder)) added << folder;
    if (!added.isEmpty()) aboveWatcher_->addPaths(added);
}

void frmFzarc::applyOutcome(const commands::Outcome& outcome) {
    using commands::Refresh;
    if (outcome.fridgeFolder) showFridge(*outcome.fridgeFolder);
    if (outcome.board) RefreshPool(*outcome.board, outcome.scenarioFolder, outcome.tellBoardProblems);
    if (outcome.refresh == Refresh::Reload || outcome.refresh == Refresh::FridgeOnly)
        refreshFridge(outcome.archiveName);
}

void frmFzarc::folderChanged(Changed what) {
    (what == Changed::Fridge ? fridgeChanged_ : what == Changed::Board ? boardChanged_ : aboveChanged_) = true;
    if (job_) return;  // the job's end looks again
    // A burst of changes (a copy of many files) costs one refresh, and none
    // waits longer than kLongestWaitMs.
    if (!followTimer_.isActive()) {
        firstChange_.start();
        followTimer_.start(kQuietMs);
    } else if (firstChange_.elapsed() + kQuietMs <= kLongestWaitMs) {
        followTimer_.start(kQuietMs);
    }
}

void frmFzarc::followTheDisk() {
    if (job_) return;  // the job's end looks again
    if (aboveChanged_) {
        // The fridge list follows when its folder went or came back, or is another folder now.
        const bool fridgeNow = QFileInfo(q(filArc->Path())).isDir();
        if (fridgeNow != fridgeThere_ ||
            (fridgeNow && (fridgeWatcher_->directories().isEmpty() || folderIdentity(filArc->Path()) != fridgeId_ ||
                           fridgeId_.empty())))
            fridgeChanged_ = true;
    }
    if (fridgeChanged_) refreshFridge();
    if (!boardChanged_ && !aboveChanged_) return watchAbove();
    // The board, the same way, off the window's thread: it may be large.
    const bool above = std::exchange(aboveChanged_, false);
    const bool changed = boardChanged_;
    const bool wasThere = boardThere_, watched = !boardWatcher_->directories().isEmpty();
    const std::string listedId = boardId_;
    startJob(
        commands::Job::Runs::OffTheWindow,
        [=](const settings::Folders& folders, sysutil::Dialogs&) {
            commands::Outcome outcome;
            std::error_code ec;
            const std::string& board = folders.cuttingBoard;
            const bool there = std::filesystem::is_directory(sysutil::pathFromUtf8(board), ec);
            if (changed || (above && (there != wasThere ||
                                      (there && (!watched || listedId.empty() || folderIdentity(board) != listedId)))))
                outcome.board = commands::readBoard(board, false);
            return outcome;
        },
        nullptr, [this] { watchAbove(); });
}

namespace {

QString firstPart(const QString& below) {
    return below.section(QChar(sysutil::kSeparator), 0, 0, QString::SectionSkipEmpty);
}

QString lastPart(const QString& below) {
    return below.section(QChar(sysutil::kSeparator), -1, -1, QString::SectionSkipEmpty);
}

}  // namespace

QString frmFzarc::fridgeToolTip(int row) {
    namespace fs = std::filesystem;
    const QString shown = filArc->item(row)->text();
    QString tip = shown;
    const fs::path file = sysutil::pathFromUtf8(sysutil::AddBackslash(filArc->Path()) + filArc->storedName(row));
    std::error_code ec;
    const auto size = fs::file_size(file, ec);
    if (ec) return tip;
    // From the name's own bytes: a Shift-JIS name, read as UTF-8, would name no file.
    const auto written = fs::last_write_time(file, ec);
    if (ec) return tip;
    const QDateTime changed = QDateTime::fromMSecsSinceEpoch(
        std::chrono::duration_cast<std::chrono::milliseconds>(
            (std::chrono::system_clock::now() + (written - fs::file_time_type::clock::now())).time_since_epoch())
            .count());
    // The headers are read once per version of the file, when first asked.
    const std::string key = sysutil::utf8FromPath(file) + '|' + std::to_string(size) + '|' +
                            std::to_string(written.time_since_epoch().count());
    auto known = archiveFacts_.find(key);
    if (known == archiveFacts_.end()) {
        std::vector<archiver::ListedEntry> entries;
        QString facts;
        if (archiver::listArchive(sysutil::utf8FromPath(file), entries).ok())
            facts = QStringLiteral("ファイル数: %1")
                        .arg(std::count_if(entries.begin(), entries.end(),
                                           [](const archiver::ListedEntry& e) { return !e.isFolder; }));
        else
            facts = QStringLiteral("LZH 書庫として読めません。");
        known = archiveFacts_.emplace(key, facts).first;
    }
    const QLocale locale;
    tip += QStringLiteral("\n大きさ: %1（%2 バイト）")
               .arg(locale.formattedDataSize(static_cast<qint64>(size), 1, QLocale::DataSizeTraditionalFormat),
                    locale.toString(static_cast<qulonglong>(size)));
    tip += QStringLiteral("\n日付: ") + changed.toString(QStringLiteral("yyyy/MM/dd HH:mm"));
    tip += QStringLiteral("\n") + known->second;
    // Take out puts it in a folder of the archive's name on the board.
    const QString stem = QFileInfo(shown).completeBaseName();
    bool onBoard = false;
    for (int i = 0; i < lstPool->count() && !onBoard; ++i)
        onBoard =
            firstPart(lstPool->item(i)->data(ui::ListBox::kKeyRole).toString()).compare(stem, Qt::CaseInsensitive) == 0;
    tip += onBoard ? QStringLiteral("\nまな板に「%1」があります。").arg(stem)
                   : QStringLiteral("\nまな板に「%1」はありません。").arg(stem);
    return tip;
}

QString frmFzarc::boardToolTip(int row) const {
    const QString below = lstPool->item(row)->data(ui::ListBox::kKeyRole).toString();
    QString tip = lstPool->item(row)->text();
    // The archive it was taken out of, or one named like the scenario itself.
    QStringList names{firstPart(below) + QStringLiteral(".LZH")};
    if (lastPart(below) != firstPart(below)) names << lastPart(below) + QStringLiteral(".LZH");
    QStringList found;
    for (const QString& name : names)
        for (int i = 0; i < filArc->count(); ++i)
            if (filArc->item(i)->text().compare(name, Qt::CaseInsensitive) == 0) found << filArc->item(i)->text();
    tip += found.isEmpty() ? QStringLiteral("\n冷蔵庫に同じ名前の書庫はありません。")
                           : QStringLiteral("\n冷蔵庫に「%1」があります。").arg(found.join(QStringLiteral("」「")));
    return tip;
}

std::optional<commands::FridgeSelection> frmFzarc::selectedArchive() const {
    if (filArc->ListIndex() < 0) return std::nullopt;
    return commands::FridgeSelection{filArc->Path(), filArc->FileName(), filArc->shownName()};
}

std::optional<std::string> frmFzarc::selectedScenario() const {
    if (lstPool->ListIndex() < 0) return std::nullopt;
    return lstPool->selectedText().toStdString();
}

void frmFzarc::mnuLoad_Click() {
    startJob(
        commands::Job::Runs::OffTheWindow,
        [this, selected = selectedArchive()](const settings::Folders& folders, sysutil::Dialogs& dialogs) {
            return commands::takeOut(selected, folders.cuttingBoard, dialogs, archiver_, trash_);
        },
        filArc);
}

void frmFzarc::mnuDeleteArchive_Click() {
    const NeighbourOf gone(*filArc);
    startJob(
        commands::Job::Runs::OffTheWindow,
        [this, selected = selectedArchive()](const settings::Folders&, sysutil::Dialogs& dialogs) {
            return commands::throwAwayArchive(selected, dialogs, trash_);
        },
        filArc, [gone] { gone.highlightWhenGone(); });
}

void frmFzarc::mnuChangeArcFolder_Click() {
    startJob(
        commands::Job::Runs::OnTheWindow,
        [this](const settings::Folders&, sysutil::Dialogs& dialogs) {
            commands::Outcome outcome;
            outcome.fridgeFolder = settings::mnuChangeArcFolder(dialogs, filArc->Path());
            return outcome;
        },
        filArc);
}

void frmFzarc::mnuDelete_Click() {
    const NeighbourOf gone(*lstPool);
    startJob(
        commands::Job::Runs::OffTheWindow,
        [this, selected = selectedScenario(), shown = filArc->Path()](const settings::Folders& folders,
                                                                      sysutil::Dialogs& dialogs) {
            return commands::throwAwayScenario(selected, {folders.fridge, shown}, dialogs, trash_);
        },
        lstPool, [gone] { gone.highlightWhenGone(); });
}

void frmFzarc::mnuDocument_Click() {
    startJob(
        commands::Job::Runs::OnTheWindow,
        [this](const settings::Folders&, sysutil::Dialogs& dialogs) {
            if (const auto scenario = selectedScenario()) inspect::mnuDocument(*scenario, dialogs, launcher_, this);
            return commands::Outcome();
        },
        lstPool);
}

void frmFzarc::mnuReArc_Click() {
    startJob(
        commands::Job::Runs::OffTheWindow,
        [this, selected = selectedScenario(), fridge = filArc->Path()](const settings::Folders&,
                                                                       sysutil::Dialogs& dialogs) {
            return commands::putAway(selected, fridge, dialogs, archiver_, trash_);
        },
        lstPool);
}

void frmFzarc::launchFailed(const std::string& what, const std::string& path, const sysutil::Failure& failure) {
    std::string text = what;
    std::error_code ec;
    if (!std::filesystem::exists(sysutil::pathFromUtf8(path), ec))
        text += "\r\n「" + path + "」が見つかりません。";
    else if (!failure.detail.empty())
        text += "\r\n" + failure.detail;
    dialogs_.message({text, "", sysutil::MsgIcon::Exclamation, sysutil::MsgButtons::Ok, sysutil::MsgAnswer::Ok});
}

// The launches hand the desktop what to open: on the window's thread, where
// the desktop's services and the busy cursor belong.
void frmFzarc::mnuOpenArchiveFolder_Click() {
    startJob(commands::Job::Runs::OnTheWindow, [this](const settings::Folders& folders, sysutil::Dialogs&) {
        if (const auto f = commands::mnuOpenArchiveFolder(folders.fridge, launcher_, winId()); !f.ok())
            launchFailed("冷蔵庫フォルダを開けませんでした。", folders.fridge, f);
        return commands::Outcome();
    });
}
void frmFzarc::mnuOpenFolder_Click() {
    startJob(commands::Job::Runs::OnTheWindow, [this](const settings::Folders& folders, sysutil::Dialogs&) {
        if (const auto f = commands::mnuOpenFolder(folders.engine, launcher_, winId()); !f.ok())
            launchFailed("まな板フォルダを開けませんでした。", folders.engine, f);
        return commands::Outcome();
    });
}
void frmFzarc::mnuExecuteTessarune_Click() {
    startJob(commands::Job::Runs::OnTheWindow, [this](const settings::Folders& folders, sysutil::Dialogs&) {
        if (const auto f = commands::mnuExecuteTessarune(folders.engine, launcher_, winId()); !f.ok())
            launchFailed("Tessarune を起動できませんでした。", sysutil::AddBackslash(folders.engine) + "Tessarune.exe",
                         f);
        return commands::Outcome();
    });
}
void frmFzarc::mnuExecuteTessaruneEditor_Click() {
    startJob(commands::Job::Runs::OnTheWindow, [this](const settings::Folders& folders, sysutil::Dialogs&) {
        if (const auto f = commands::mnuExecuteTessaruneEditor(folders.engine, launcher_, winId()); !f.ok())
            launchFailed("TessaruneEditor を起動できませんでした。",
                         sysutil::AddBackslash(folders.engine) + "TessaruneEditor.exe", f);
        return commands::Outcome();
    });
}

void frmFzarc::mnuReload_Click() {
    startJob(commands::Job::Runs::OffTheWindow, [](const settings::Folders& folders, sysutil::Dialogs&) {
        commands::Outcome outcome(commands::Refresh::Reload);
        outcome.board = commands::readBoard(folders.cuttingBoard, true);
        outcome.tellBoardProblems = true;
        return outcome;
    });
}

void frmFzarc::mnuSetting_Click() {
    startJob(commands::Job::Runs::OnTheWindow, [this](const settings::Folders&, sysutil::Dialogs& dialogs) {
        commands::Outcome outcome;
        outcome.fridgeFolder = settings::mnuSetting(dialogs, this);
        return outcome;
    });
}

void frmFzarc::mnuExit_Click() {
    close();
}

void frmFzarc::mnuVersion_Click() {
    startJob(commands::Job::Runs::OnTheWindow, [this](const settings::Folders&, sysutil::Dialogs& dialogs) {
        frmVersion about(this);
        dialogs.showModal(about);
        return commands::Outcome();
    });
}

void frmFzarc::closeEvent(QCloseEvent* event) {
    // Closing while a job works would tidy the board beside a take out
    // writing to it, and end the program in the middle of it: the window
    // closes once the job has ended, as asked.
    if (job_) {
        connect(job_, &commands::Job::finished, this, &QWidget::close,
                static_cast<Qt::ConnectionType>(Qt::QueuedConnection | Qt::UniqueConnection));
        event->ignore();
        return;
    }
    // The settings dialog promises this clean-up; it touches empty folders
    // outside the scenarios only.
    commands::Job tidy(
        commands::Job::Runs::OnTheWindow,
        [](const settings::Folders& folders, sysutil::Dialogs&) {
            if (folders.tidyAtExit) archiver::removeEmptyFoldersOutsideScenarios(folders.cuttingBoard);
            return commands::Outcome();
        },
        dialogs_);
    tidy.start();
    event->accept();
}

void frmFzarc::dragEnterEvent(QDragEnterEvent* event) {
    // A copy, whatever the file manager proposes: a move would take the
    // archive away from where the user keeps it.
    if (job_ || !carriesAnArchive(*event->mimeData()) || !(event->possibleActions() & Qt::CopyAction)) return;
    event->setDropAction(Qt::CopyAction);
    event->accept();
}

void frmFzarc::dragMoveEvent(QDragMoveEvent* event) {
    if (job_ || !carriesAnArchive(*event->mimeData()) || !(event->possibleActions() & Qt::CopyAction)) {
        event->ignore();
        return;
    }
    event->setDropAction(Qt::CopyAction);
    event->accept();
}

void frmFzarc::dropEvent(QDropEvent* event) {
    if (job_ || !carriesAnArchive(*event->mimeData()) || !(event->possibleActions() & Qt::CopyAction)) return;
    event->setDropAction(Qt::CopyAction);
    event->accept();
    startJob(
        commands::Job::Runs::OffTheWindow,
        [this, files = draggedFiles(*event->mimeData()), fridge = filArc->Path()](const settings::Folders&,
                                                                                  sysutil::Dialogs& dialogs) {
            return commands::copyIntoFridge(files, fridge, dialogs, trash_);
        },
        filArc);
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
