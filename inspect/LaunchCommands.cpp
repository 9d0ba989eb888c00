#include "inspect/LaunchCommands.h"

#include "settings/INIAccess.h"
#include "sysutil/PathRules.h"

namespace inspect {

std::string openFolderCommandLine(const std::string& folder) {
#if defined(_WIN32)
    return "explorer.exe \"" + folder + "\"";
#else
    // No explorer.exe here: the quoted folder alone goes to the desktop's "open".
    return "\"" + folder + "\"";
#endif
}

std::string startProgramCommandLine(const std::string& trPath, const std::string& exeName) {
    return "\"" + sysutil::AddBackslash(trPath) + exeName + "\"";
}

namespace {

void launch(sysutil::Launcher& launcher, std::uintptr_t owner, const std::string& line) {
    try {
        launcher.ShellX(line, sysutil::SW_SHOWNORMAL, owner, false);
    } catch (...) {
        // A launch that fails says nothing and changes nothing.
    }
}

}  // namespace

void mnuOpenArchiveFolder(sysutil::Launcher& launcher, std::uintptr_t owner) {
    launch(launcher, owner, openFolderCommandLine(settings::readSetting(settings::kKeyArcPath)));
}

void mnuOpenFolder(sysutil::Launcher& launcher, std::uintptr_t owner) {
    launch(launcher, owner, openFolderCommandLine(settings::readSetting(settings::kKeyTRPath)));
}

void mnuExecuteTessarune(sysutil::Launcher& launcher, std::uintptr_t owner) {
    launch(launcher, owner, startProgramCommandLine(settings::readSetting(settings::kKeyTRPath), "Tessarune.exe"));
}

void mnuExecuteTessaruneEditor(sysutil::Launcher& launcher, std::uintptr_t owner) {
    launch(launcher, owner,
           startProgramCommandLine(settings::readSetting(settings::kKeyTRPath), "TessaruneEditor.exe"));
}

}  // namespace inspect
