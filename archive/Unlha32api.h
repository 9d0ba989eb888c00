#pragma once
// The archiver's three calls, as the program has always made them: the
// version, whether a file can be extracted, and a command line to run.
#include <optional>
#include <string>

#include "archive/ArchiveResult.h"
#include "sysutil/Dialogs.h"

namespace archiver {

// This archiver's version times 100; nullopt when the LHA backend cannot start.
std::optional<int> UnlhaGetVersion();

// Mode 0: true only for an LHA archive whose every entry can be extracted.
bool UnlhaCheckArchive(const std::string& archivePath, int mode);

// Runs "E", "A", "L" or "T" (see CommandLine.h). `output` receives the listing
// of "L". Progress may cancel; a cancelled or failed command leaves nothing
// half-made behind.
ArchiveResult Unlha(const std::string& commandLine, std::string& output, const sysutil::ProgressReport& progress = {});

// The archiver as the program's commands see it; tests put a fake in its place.
class Archiver {
public:
    virtual ~Archiver() = default;
    virtual std::optional<int> getVersion() = 0;
    virtual bool checkArchive(const std::string& archivePath) = 0;
    virtual ArchiveResult run(const std::string& commandLine, const sysutil::ProgressReport& progress) = 0;
};

class Unlha32Archiver : public Archiver {
public:
    std::optional<int> getVersion() override { return UnlhaGetVersion(); }
    bool checkArchive(const std::string& archivePath) override { return UnlhaCheckArchive(archivePath, 0); }
    ArchiveResult run(const std::string& commandLine, const sysutil::ProgressReport& progress) override {
        std::string ignored;
        return Unlha(commandLine, ignored, progress);
    }
};

}  // namespace archiver
