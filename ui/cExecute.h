#pragma once
// Starts a command line: the first blank-separated prefix that names an
// existing file is the program and the rest its parameters; the platform's
// "open" starts it (an executable runs, a document or folder opens in its
// associated program); when that fails, the whole line runs as a command.
#include <atomic>
#include <string>
#include <utility>
#include <vector>

#include "sysutil/Launcher.h"

namespace ui {

class cExecute : public sysutil::Launcher {
public:
    cExecute() = default;
    ~cExecute() override { blnTerminate = true; }

    sysutil::Failure ShellX(const std::string& strCommandLine, int WindowStyle, std::uintptr_t lngOwnerhWnd,
                            bool blnWait) override;
    sysutil::Failure OpenDocument(const std::string& path, std::uintptr_t lngOwnerhWnd) override;

    // Where Wine's loader is looked for when neither `wine` nor `wine64` is
    // on PATH (Debian's wine64 package installs it only in its own folder).
    std::vector<std::string> wineLoaders{"/usr/lib/wine/wine64",
                                         "/usr/lib/wine/wine",
                                         "/usr/lib/x86_64-linux-gnu/wine/wine64",
                                         "/usr/lib/i386-linux-gnu/wine/wine",
                                         "/usr/lib64/wine/wine64",
                                         "/opt/wine-stable/bin/wine64",
                                         "/opt/wine-stable/bin/wine",
                                         "/opt/wine-staging/bin/wine64",
                                         "/opt/wine-staging/bin/wine"};

    // The split rule: {program, parameters}.
    static std::pair<std::string, std::string> splitCommandLine(const std::string& line);
    // Whether the file search finds `name`: the program's folder, the current
    // folder, the system folders (Windows) and PATH; existing files only.
    static bool FindInPath(const std::string& name);

    std::atomic<bool> blnTerminate{false};

private:
    sysutil::Failure openThroughShell(const std::string& program, const std::string& parameters, bool wait);
    sysutil::Failure startCommand(const std::string& line, bool wait);
    // wine, else wine64, on PATH; else the first loader found; "" when none.
    std::string findWine() const;
};

}  // namespace ui
