#include "archive/Unlha32api.h"

#include "archive/CommandLine.h"

namespace archiver {

std::optional<int> UnlhaGetVersion() {
    return archiverVersion();
}

bool UnlhaCheckArchive(const std::string& archivePath, int mode) {
    if (mode != 0) return false;
    return checkArchive(archivePath, {}).ok();
}

ArchiveResult Unlha(const std::string& commandLine, std::string& output, const sysutil::ProgressReport& progress) {
    const auto parsed = parseCommandLine(commandLine);
    if (!parsed.ok()) return parsed.status;
    return runCommand(parsed.command, output, progress);
}

}  // namespace archiver
