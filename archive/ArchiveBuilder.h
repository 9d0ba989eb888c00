#pragma once
// Creating a new LHA archive from a folder tree with our own encoder. The
// archive is written to a temporary file beside its final name and appears
// under that name only when complete; an existing file is never overwritten.
#include <string>

#include "archive/ArchiveResult.h"
#include "archive/lha/method.h"
#include "sysutil/Dialogs.h"

namespace archiver {

// `sourcePattern` is a folder followed by a wildcard for the file names
// ("…/Castle/*.*"); every folder below it is taken, with paths relative to it.
ArchiveResult createArchive(const std::string& archivePath, const std::string& sourcePattern, const lha::Method& method,
                            const sysutil::ProgressReport& progress);

}  // namespace archiver
