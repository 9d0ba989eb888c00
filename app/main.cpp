// FZARC: keeps Tessarune scenarios as LHA archives in a fridge folder and
// takes them out onto the engine's cutting board.
#include <QApplication>
#include <QStandardPaths>

#include "app/AppInfo.h"
#include "app/frmFzarc.h"
#include "app/mdlFZARC.h"
#include "sysutil/ProgramFolder.h"
#include "ui/QtDialogs.h"
#include "ui/QtTrash.h"
#include "ui/cExecute.h"

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    app::configureApplication(application);
    // The settings sit beside the program when it may write there (portable
    // use), otherwise in the user's configuration folder.
    sysutil::setSettingsFolder(sysutil::chooseSettingsFolder(
        QStandardPaths::writableLocation(QStandardPaths::AppConfigLocation).toStdString()));

    ui::QtDialogs dialogs(nullptr, QString::fromUtf8(app::kAppTitle));
    archiver::Unlha32Archiver archiver;
    if (!app::prepareSettingsFolder(dialogs, sysutil::settingsFolder()) || !app::Main(dialogs, archiver)) return 0;

    ui::cExecute launcher;
    ui::QtTrash trash;
    app::frmFzarc window(dialogs, archiver, launcher, trash);
    dialogs.setOwner(&window);
    window.Form_Load();
    window.show();
    return QApplication::exec();
}
