#pragma once
// Putting a finished extraction in place, all or nothing. A new destination
// is the staging folder renamed. An existing one receives file after file;
// each file it replaces stays at hand until every file is in, and all of
// them go back if any fails, so a failed take out leaves the folder as it was.
#include <filesystem>

#include "archive/ArchiveResult.h"

namespace archiver {

// Where to stage an extraction into `destination`: beside it when it is new,
// inside it when it exists, so that every move stays on its file system
// (the destination may be a mount point of its own).
std::filesystem::path stagingParentFor(const std::filesystem::path& destination);

// Moves everything of `staging` into `destination`. Files replace files of
// the same name (compared as Windows does); a file where a folder stands, or
// the other way round, or a link in the way, is refused before anything moves.
ArchiveResult placeExtracted(const std::filesystem::path& staging, const std::filesystem::path& destination);

}  // namespace archiver
