#include "commands/LaunchCommands.h"

#include <exception>
#include <new>

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

// A launch that fails changes nothing; the window says so, with why.
sysutil::Failure launch(sysutil::Launcher& launcher, std::uintptr_t owner, const std::string& line) {
    try {
        return launcher.ShellX(line, sysutil::SW_SHOWNORMAL, owner, false);
    } catch (const std::bad_alloc&) {
        return sysutil::Failure::of(sysutil::FailureKind::NotStarted, "メモリが足りません。");
    } catch (const std::exception& e) {
        return sysutil::Failure::of(sysutil::FailureKind::NotStarted,
                                    std::string("エラーが発生しました。(") + e.what() + ")");
    }
}

}  // namespace

sysutil::Failure mnuOpenArchiveFolder(const std::string& ArcPath, sysutil::Launcher& launcher, std::uintptr_t owner) {
    return launch(launcher, owner, openFolderCommandLine(ArcPath));
}

sysutil::Failure mnuOpenFolder(const std::string& TRPath, sysutil::Launcher& launcher, std::uintptr_t owner) {
    return launch(launcher, owner, openFolderCommandLine(TRPath));
}

sysutil::Failure mnuExecuteTessarune(const std::string& TRPath, sysutil::Launcher& launcher, std::uintptr_t owner) {
    return launch(launcher, owner, startProgramCommandLine(TRPath, "Tessarune.exe"));
}

sysutil::Failure mnuExecuteTessaruneEditor(const std::string& TRPath, sysutil::Launcher& launcher,
                                           std::uintptr_t owner) {
    return launch(launcher, owner, startProgramCommandLine(TRPath, "TessaruneEditor.exe"));
}

}  // namespace commands
