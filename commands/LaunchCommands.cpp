#include "commands/LaunchCommands.h"

#include "sysutil/PathRules.h"

namespace commands {

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

bool launch(sysutil::Launcher& launcher, std::uintptr_t owner, const std::string& line) {
    try {
        return launcher.ShellX(line, sysutil::SW_SHOWNORMAL, owner, false);
    } catch (...) {
        return false;  // a launch that fails changes nothing; the window says so
    }
}

}  // namespace

bool mnuOpenArchiveFolder(const std::string& ArcPath, sysutil::Launcher& launcher, std::uintptr_t owner) {
    return launch(launcher, owner, openFolderCommandLine(ArcPath));
}

bool mnuOpenFolder(const std::string& TRPath, sysutil::Launcher& launcher, std::uintptr_t owner) {
    return launch(launcher, owner, openFolderCommandLine(TRPath));
}

bool mnuExecuteTessarune(const std::string& TRPath, sysutil::Launcher& launcher, std::uintptr_t owner) {
    return launch(launcher, owner, startProgramCommandLine(TRPath, "Tessarune.exe"));
}

bool mnuExecuteTessaruneEditor(const std::string& TRPath, sysutil::Launcher& launcher, std::uintptr_t owner) {
    return launch(launcher, owner, startProgramCommandLine(TRPath, "TessaruneEditor.exe"));
}

}  // namespace commands
