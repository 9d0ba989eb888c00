#pragma once
// Starts a command line: the first blank-separated prefix that names an
// existing file is the program and the rest its parameters; the platform's
// "open" starts it (an executable runs, a document or folder opens in its
// associated program); when that fails, the whole line runs as a command.
#include <atomic>
#include <string>
#include <utility>

#include "sysutil/Launcher.h"

namespace ui {

class cExecute : public sysutil::Launcher {
public:
    cExecute() = default;
    ~cExecute() override { blnTerminate = true; }

    bool ShellX(const std::string& strCommandLine, int WindowStyle, std::uintptr_t lngOwnerhWnd, bool blnWait) override;
    bool OpenDocument(const std::string& path, std::uintptr_t lngOwnerhWnd) override;

    // The split rule: {program, parameters}.
    static std::pair<std::string, std::string> splitCommandLine(const std::string& line);
    // Whether the file search finds `name`: the program's folder, the current
    // folder, the system folders (Windows) and PATH; existing files only.
    static bool FindInPath(const std::string& name);

    std::atomic<bool> blnTerminate{false};

private:
    bool openThroughShell(const std::string& program, const std::string& parameters, bool wait);
    bool startCommand(const std::string& line, bool wait);
};

}  // namespace ui
