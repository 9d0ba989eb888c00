#pragma once
// The main window: the fridge (archives) above, the cutting board (scenario
// folders) below, and every command of the program in its menus.
#include <QAction>
#include <QGroupBox>
#include <QListWidget>
#include <QMainWindow>
#include <QMenu>
#include <QPushButton>
#include <optional>
#include <vector>

#include "archive/ArchiveCommands.h"
#include "archive/Archiver.h"
#include "sysutil/Dialogs.h"
#include "sysutil/Launcher.h"
#include "ui/FileListBox.h"
#include "ui/ListBox.h"

namespace app {

class frmFzarc : public QMainWindow {
    Q_OBJECT
public:
    frmFzarc(sysutil::Dialogs& dialogs, archiver::Archiver& archiver, sysutil::Launcher& launcher,
             QWidget* parent = nullptr);

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

private:
    void buildControls();
    void buildMenus();
    void RefreshPool();
    void reload();
    void removeLeftovers(const std::vector<std::string>& folders);
    void applyRefresh(archiver::Refresh refresh);
    std::optional<archiver::FridgeSelection> selectedArchive() const;
    std::optional<std::string> selectedScenario() const;
    // Runs a command unless another one (or a refresh) is still under way:
    // waits keep the window's events flowing, so a second click could land
    // inside the first command.
    template <typename Command>
    void unlessACommandRuns(Command command);

    sysutil::Dialogs& dialogs_;
    archiver::Archiver& archiver_;
    sysutil::Launcher& launcher_;
    bool busy_ = false;
};

}  // namespace app
