#pragma once
// Creating a new LHA archive from a folder tree with our own encoder. The
// archive is written to a temporary file beside its final name and appears
// under that name only when complete; an existing file is never overwritten.
#include <functional>
#include <string>
#include <system_error>

#include "archive/ArchiveResult.h"
#include "archive/lha/method.h"
#include "sysutil/Dialogs.h"

namespace archiver {

// How a command makes way for a new archive where one already lies: called
// once the new one is whole and flushed beside its name, just before it
// takes that name, so that a failure up to there leaves the old one alone.
// It moves the old one away (to the trash) or leaves it to be replaced in
// one step; an error it returns abandons the new archive.
using MakeRoom = std::function<std::error_code()>;

// Every folder below `folder` is taken, with paths relative to it, and the
// files whose names match `filePattern`. Refused before anything is written
// when take out could not give an entry back as it is: a link or a special
// file, a name Windows cannot hold or cannot tell from another, a name in
// neither UTF-8 nor CP932 (a CP932 name is stored as CP932). An existing
// file of that name is replaced only through `makeRoom`.
ArchiveResult createArchive(const std::string& archivePath, const std::string& folder, const lha::Method& method,
                            const sysutil::ProgressReport& progress, const std::string& filePattern = "*.*",
                            const MakeRoom& makeRoom = {});

// Copies an archive made elsewhere to `target`, the same way: written under a
// hidden work name beside it, flushed to the disk, then published under its
// name. An existing file there is replaced only through `makeRoom`;
// without it the copy fails with AlreadyExists. Ordinary files only.
ArchiveResult copyArchive(const std::string& source, const std::string& target, const MakeRoom& makeRoom,
                          const sysutil::ProgressReport& progress);

}  // namespace archiver
