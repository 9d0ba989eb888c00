#pragma once
// The archiver's calls as the program has always made them: the version,
// whether a file can be extracted, and a command line to run, which is parsed
// into the same typed command that fzarc-lha runs (Archiver.h).
#include <optional>
#include <string>

#include "archive/Archiver.h"

namespace archiver {

// This archiver's version times 100.
std::optional<int> UnlhaGetVersion();

// Mode 0: true exactly for an LHA archive that can be extracted completely.
bool UnlhaCheckArchive(const std::string& archivePath, int mode);

// Runs "E", "A", "L" or "T" (see CommandLine.h). `output` receives the
// listing of "L".
ArchiveResult Unlha(const std::string& commandLine, std::string& output, const sysutil::ProgressReport& progress = {});

}  // namespace archiver
