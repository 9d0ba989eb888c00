#pragma once
// The four commands that start the engine, its editor, or the file browser.
#include <cstdint>
#include <string>

#include "sysutil/Launcher.h"

namespace inspect {

// The command lines as the engine's Windows users have always had them.
std::string openFolderCommandLine(const std::string& folder);  // explorer.exe "folder"
std::string startProgramCommandLine(const std::string& trPath, const std::string& exeName);

void mnuOpenArchiveFolder(sysutil::Launcher& launcher, std::uintptr_t owner);
void mnuOpenFolder(sysutil::Launcher& launcher, std::uintptr_t owner);
void mnuExecuteTessarune(sysutil::Launcher& launcher, std::uintptr_t owner);
void mnuExecuteTessaruneEditor(sysutil::Launcher& launcher, std::uintptr_t owner);

}  // namespace inspect
