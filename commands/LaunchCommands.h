#pragma once
// The four commands that start the engine, its editor, or the file browser.
// Each is handed the folder the window read from the settings as it started
// the command: the stored fridge folder (ArcPath), or the engine's (TRPath).
#include <cstdint>
#include <string>

#include "sysutil/Launcher.h"

namespace commands {

// The command lines as the engine's Windows users have always had them.
std::string openFolderCommandLine(const std::string& folder);  // explorer.exe "folder"
std::string startProgramCommandLine(const std::string& trPath, const std::string& exeName);

// Each is ok when something was started or opened; otherwise it says why
// when the launcher knew.
sysutil::Failure mnuOpenArchiveFolder(const std::string& ArcPath, sysutil::Launcher& launcher, std::uintptr_t owner);
sysutil::Failure mnuOpenFolder(const std::string& TRPath, sysutil::Launcher& launcher, std::uintptr_t owner);
sysutil::Failure mnuExecuteTessarune(const std::string& TRPath, sysutil::Launcher& launcher, std::uintptr_t owner);
sysutil::Failure mnuExecuteTessaruneEditor(const std::string& TRPath, sysutil::Launcher& launcher,
                                           std::uintptr_t owner);

}  // namespace commands
