#pragma once
// Reading LHA archives through libarchive: check, list, test and extract.
// Extraction is all or nothing: entries land in a staging folder beside the
// destination and move into place only when every one of them came out whole.
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "archive/ArchiveResult.h"
#include "sysutil/Dialogs.h"

namespace archiver {

struct ListedEntry {
    std::string name;  // UTF-8, '/' separated, a folder ends with '/'
    std::uint64_t size = 0;
    std::int64_t mtime = 0;
    bool isFolder = false;
};

// libarchive converts names through the C library's locale: without a UTF-8
// LC_CTYPE it fails at the first Japanese name. Called before any archive is
// opened; the program calls it at start-up, before any worker thread exists.
void ensureUtf8Locale();

// True when the file is an LHA archive whose every entry the reader can extract.
bool canExtract(const std::string& archivePath);

ArchiveResult listArchive(const std::string& archivePath, std::vector<ListedEntry>& entries);

// Decompresses every entry and checks its CRC.
ArchiveResult testArchive(const std::string& archivePath, const sysutil::ProgressReport& progress);

// Extracts into `destination` (created when missing). Files of the same name
// already there are replaced; nothing else in it is touched.
ArchiveResult extractArchive(const std::string& archivePath, const std::string& destination,
                             const sysutil::ProgressReport& progress);

}  // namespace archiver
