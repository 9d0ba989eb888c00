#pragma once
// Start-up: the two folder settings must be usable and the archiver must
// answer before the main window opens.
#include <QApplication>
#include <string>

#include "archive/Archiver.h"
#include "sysutil/Dialogs.h"

namespace app {

// The application as the program sets it up: its name (the per-user settings
// folder is named after it), and Qt's own texts (Yes, No, Cancel, the folder
// picker) in Japanese whatever the system's locale, since the program speaks
// Japanese. No display name: Qt would add it to every window's caption.
// False when Qt's Japanese texts are not installed; the program then runs
// with Qt's English ones.
bool configureApplication(QApplication& application);

// "UNLHA32.DLL...Version. " and the archiver's version; written once by Main.
extern std::string strUnLHAVer;

// The settings loop and the archiver check. True when the main window may
// open; false when the program is to end (Cancel at first run, or no archiver).
bool Main(sysutil::Dialogs& dialogs, archiver::Archiver& archiver);

// Makes the folder that holds fzarc.ini when it is missing. False, after a
// message, when it cannot be made: the program then ends.
bool prepareSettingsFolder(sysutil::Dialogs& dialogs, const std::string& folder);

// The validity test of a folder setting: not empty, and the lookup finds it.
bool folderSettingIsValid(const std::string& value);

// The version line for a version times 100 (193 gives "…Version. 1.93").
std::string archiverVersionLine(int versionTimes100);

}  // namespace app
