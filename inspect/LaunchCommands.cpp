#include "inspect/LaunchCommands.h"

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

void mnuOpenArchiveFolder(const std::string& ArcPath, sysutil::Launcher& launcher, std::uintptr_t owner) {
    launch(launcher, owner, openFolderCommandLine(ArcPath));
}

void mnuOpenFolder(const std::string& TRPath, sysutil::Launcher& launcher, std::uintptr_t owner) {
    launch(launcher, owner, openFolderCommandLine(TRPath));
}

void mnuExecuteTessarune(const std::string& TRPath, sysutil::Launcher& launcher, std::uintptr_t owner) {
    launch(launcher, owner, startProgramCommandLine(TRPath, "Tessarune.exe"));
}

void mnuExecuteTessaruneEditor(const std::string& TRPath, sysutil::Launcher& launcher, std::uintptr_t owner) {
    launch(launcher, owner, startProgramCommandLine(TRPath, "TessaruneEditor.exe"));
}

}  // namespace inspect
