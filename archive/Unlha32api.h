#pragma once
// The archiver's calls, as the program has always made them (the version,
// whether a file can be extracted, a command line to run), over the typed
// entry points the program's own commands use.
#include <optional>
#include <string>

#include "archive/ArchiveResult.h"
#include "archive/lha/method.h"
#include "sysutil/Dialogs.h"

namespace archiver {

// This archiver's version times 100.
std::optional<int> UnlhaGetVersion();

// Mode 0: true exactly for an LHA archive that can be extracted completely.
bool UnlhaCheckArchive(const std::string& archivePath, int mode);

// Runs "E", "A", "L" or "T" (see CommandLine.h), parsed into the calls below.
// `output` receives the listing of "L". Progress may cancel; a cancelled or
// failed command leaves nothing half-made behind.
ArchiveResult Unlha(const std::string& commandLine, std::string& output, const sysutil::ProgressReport& progress = {});

// The archiver as the program's commands see it; tests put a fake in its place.
class Archiver {
public:
    virtual ~Archiver() = default;
    virtual std::optional<int> getVersion() = 0;
    // Whether the archive can be extracted completely: every entry is read.
    virtual ArchiveResult check(const std::string& archivePath, const sysutil::ProgressReport& progress) = 0;
    // Extracts the archive into the folder, which is made when missing.
    virtual ArchiveResult extract(const std::string& archivePath, const std::string& folder,
                                  const sysutil::ProgressReport& progress) = 0;
    // Creates a new archive of everything below the folder.
    virtual ArchiveResult create(const std::string& archivePath, const std::string& folder, const lha::Method& method,
                                 const sysutil::ProgressReport& progress) = 0;
};

class Unlha32Archiver : public Archiver {
public:
    std::optional<int> getVersion() override;
    ArchiveResult check(const std::string& archivePath, const sysutil::ProgressReport& progress) override;
    ArchiveResult extract(const std::string& archivePath, const std::string& folder,
                          const sysutil::ProgressReport& progress) override;
    ArchiveResult create(const std::string& archivePath, const std::string& folder, const lha::Method& method,
                         const sysutil::ProgressReport& progress) override;
};

}  // namespace archiver
