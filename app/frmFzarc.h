#pragma once
// The main window: the fridge (archives) above, the cutting board (scenario
// folders) below, and every command of the program in its menus.
#include <QAction>
#include <QElapsedTimer>
#include <QFileSystemWatcher>
#include <QGroupBox>
#include <QListWidget>
#include <QMainWindow>
#include <QMenu>
#include <QPushButton>
#include <QTimer>
#include <functional>
#include <map>
#include <optional>
#include <vector>

#include "archive/Archiver.h"
#include "commands/ArchiveCommands.h"
#include "commands/Job.h"
#include "sysutil/Dialogs.h"
#include "sysutil/Launcher.h"
#include "sysutil/Trash.h"
#include "ui/FileListBox.h"
#include "ui/ListBox.h"

namespace app {

class frmFzarc : public QMainWindow {
    Q_OBJECT
public:
    frmFzarc(sysutil::Dialogs& dialogs, archiver::Archiver& archiver, sysutil::Launcher& launcher,
             sysutil::Trash& trash, QWidget* parent = nullptr);

    // Window load: the fridge list on the stored folder, then the reload command.
    void Form_Load();

    QGroupBox* fraFiles;
    ui::FileListBox* filArc;
    QPushButton* cmdChangeArcFolder;
    QPushButton* cmdLoad;
    QGroupBox* fraCuttingBoard;
    ui::ListBox* lstPool;
    QPushButton* cmdDelete;
    QPushButton* cmdDocument;
    QPushButton* cmdReArc;

    QMenu* mnuFile;
    QMenu* mnuFreezer;
    QMenu* mnuCuttingBoard;
    QMenu* mnuExecute;
    QMenu* mnuHelp;
    QAction* mnuLoad;
    QAction* mnuDeleteArchive;
    QAction* mnuChangeArcFolder;
    QAction* mnuDelete;
    QAction* mnuDocument;
    QAction* mnuReArc;
    QAction* mnuOpenArchiveFolder;
    QAction* mnuOpenFolder;
    QAction* mnuExecuteTessarune;
    QAction* mnuExecuteTessaruneEditor;
    QAction* mnuSp0;
    QAction* mnuReload;
    QAction* mnuSetting;
    QAction* mnuSp1;
    QAction* mnuExit;
    QAction* mnuVersion;

public slots:
    void mnuLoad_Click();
    void mnuDeleteArchive_Click();
    void mnuChangeArcFolder_Click();
    void mnuDelete_Click();
    void mnuDocument_Click();
    void mnuReArc_Click();
    void mnuOpenArchiveFolder_Click();
    void mnuOpenFolder_Click();
    void mnuExecuteTessarune_Click();
    void mnuExecuteTessaruneEditor_Click();
    void mnuReload_Click();
    void mnuSetting_Click();
    void mnuExit_Click();
    void mnuVersion_Click();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    // Archives dropped from the file manager are copied into the fridge.
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    void buildControls();
    void buildMenus();
    void buildWatchers();
    // Shows the board as a job read it, keeping the highlighted scenario, or
    // highlighting the first scenario at or below `made`; `tellProblems`
    // says when the board could not be made.
    void RefreshPool(const commands::BoardReading& reading, const std::string& made = {}, bool tellProblems = false);
    // Reads the fridge again, keeping the highlighted archive, or
    // highlighting the one named `made`.
    void refreshFridge(const std::string& made = {});
    void showFridge(const std::string& folder);
    void applyOutcome(const commands::Outcome& outcome);
    void boardCannotBeMade(const std::string& board, const std::error_code& ec);
    enum class Changed { Fridge, Board, Above };
    void folderChanged(Changed what);
    void followTheDisk();
    // Watches the folders above the fridge and the board, for either to go or come back.
    void watchAbove();
    QString fridgeToolTip(int row);
    QString boardToolTip(int row) const;
    // Says that a launch command started nothing, and why when it is known.
    void launchFailed(const std::string& what, const std::string& path, const sysutil::Failure& failure);
    std::optional<commands::FridgeSelection> selectedArchive() const;
    std::optional<std::string> selectedScenario() const;
    // Starts a command's job unless another one (or a refresh) is under
    // way: the window's events flow while a job works, so a second click can
    // come meanwhile. When the job has ended the window shows its outcome,
    // runs `after`, and the keyboard is back in `home`, the list the command
    // belongs to, when one is given.
    void startJob(commands::Job::Runs where, commands::Work work, QWidget* home = nullptr,
                  std::function<void()> after = {});

    sysutil::Dialogs& dialogs_;
    archiver::Archiver& archiver_;
    sysutil::Launcher& launcher_;
    sysutil::Trash& trash_;
    // The command under way, if any.
    commands::Job* job_ = nullptr;
    // The lists follow the disk: a change in the fridge or on the board
    // refreshes its list once things have been quiet for a moment, never
    // while a command runs (a command's own refresh reads the changes).
    QFileSystemWatcher* fridgeWatcher_ = nullptr;
    QFileSystemWatcher* boardWatcher_ = nullptr;
    QFileSystemWatcher* aboveWatcher_ = nullptr;
    bool aboveChanged_ = false;
    // Whether each list showed its folder at its last reading.
    bool fridgeThere_ = true;
    bool boardThere_ = true;
    std::string fridgeKept_;          // highlighted when the fridge went
    QString boardKept_;               // highlighted when the board went
    std::string board_;               // the folder the board list was read from, as named
    std::string fridgeId_, boardId_;  // which folders the lists were read from
    // What an archive's headers said, by path, size and time: read when its
    // tooltip first shows, not at start.
    std::map<std::string, QString> archiveFacts_;
    QTimer followTimer_;
    QElapsedTimer firstChange_;
    bool fridgeChanged_ = false;
    bool boardChanged_ = false;
};

}  // namespace app
