#pragma once
// Reading LHA archives through our own codec: check, list, test and extract.
// Extraction is all or nothing: entries land in a staging folder beside the
// destination and move into place only when every one of them came out whole.
#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "archive/ArchiveResult.h"
#include "archive/lha/byte_source.h"
#include "sysutil/Dialogs.h"
#include "sysutil/WorkFolder.h"

namespace sysutil {
class Trash;
}

namespace archiver {

struct ListedEntry {
    std::string name;  // UTF-8, '/' separated, a folder ends with '/'
    std::uint64_t size = 0;
    std::uint64_t packedSize = 0;
    std::string method;  // as the header names it, e.g. "-lh5-"
    std::uint16_t crc = 0;
    std::optional<std::int64_t> mtime;  // seconds since 1970; unset when there is none a file could take
    bool isFolder = false;
};

// Succeeds exactly for an archive that extractArchive can extract completely:
// every name safe, every method known, every entry's data whole.
ArchiveResult checkArchive(const std::string& archivePath, const sysutil::ProgressReport& progress);
// The same for an archive already open (the fuzzer's, in memory).
ArchiveResult checkArchive(lha::ByteSource& source, const sysutil::ProgressReport& progress);

// Hands each entry to `listed` as its header is read: memory stays the same
// however many entries the archive holds.
ArchiveResult listArchive(const std::string& archivePath, const std::function<void(const ListedEntry&)>& listed);
ArchiveResult listArchive(const std::string& archivePath, std::vector<ListedEntry>& entries);

// Decompresses every entry and checks its size and CRC, one entry after
// another as the headers are read.
ArchiveResult testArchive(const std::string& archivePath, const sysutil::ProgressReport& progress);

// Extracts into `destination` (created when missing). Files of the same name
// already there are replaced; nothing else in it is touched.
ArchiveResult extractArchive(const std::string& archivePath, const std::string& destination,
                             const sysutil::ProgressReport& progress);

// An extraction whose entries lie whole in a work folder by the destination,
// not yet in place: what it would replace can be shown, and asked about,
// before anything of the destination changes. Going away, it removes its
// work folder (unless a merge journal there still needs it).
class StagedExtraction {
public:
    StagedExtraction(sysutil::WorkFolder work, std::filesystem::path destination);
    ~StagedExtraction();
    StagedExtraction(const StagedExtraction&) = delete;
    StagedExtraction& operator=(const StagedExtraction&) = delete;

    // The refusals of a merge, and the files of the destination it would
    // replace by another content (relative, as the destination names them).
    ArchiveResult compare(std::vector<std::filesystem::path>& changed) const;
    // Moves the entries into place; what they replace goes to `trash` when
    // one is given, else it is deleted. With `agreed`, nothing moves if a
    // file to be replaced by another content is not among them (changed
    // since the user was asked).
    ArchiveResult place(sysutil::Trash* trash, const std::vector<std::filesystem::path>* agreed = nullptr);
    const std::filesystem::path& workFolder() const { return work_.path(); }

private:
    sysutil::WorkFolder work_;  // held until this goes
    std::filesystem::path destination_;
};

// The first half of extractArchive: every entry extracted into `staged`.
ArchiveResult stageArchive(const std::string& archivePath, const std::string& destination,
                           const sysutil::ProgressReport& progress, std::unique_ptr<StagedExtraction>& staged);

}  // namespace archiver
