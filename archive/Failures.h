#pragma once
// Every way the archive side fails, in the user's words. Each failure is made
// here and nowhere else, so that it reads the same from the window and from
// fzarc-lha, and so that a full disk is told from other write errors once.
#include <filesystem>
#include <string>
#include <system_error>
#include <vector>

#include "archive/ArchiveResult.h"

namespace lha {
struct ReadStatus;
struct WriteStatus;
}  // namespace lha

namespace archiver::failed {

// The user cancelled.
ArchiveResult cancelled();
ArchiveResult unknownCommand();

// What the codec reported, for the entry or archive `name`.
ArchiveResult reading(const lha::ReadStatus& status, const std::string& name);
ArchiveResult writing(const lha::WriteStatus& status, const std::string& name);

// Entries a take out refuses before it writes anything.
ArchiveResult linkEntry(const std::string& shown);
ArchiveResult unsafeName(const std::string& shown);
ArchiveResult namelessFile();
ArchiveResult namesClash(const std::string& shown);
ArchiveResult impossibleSizes();
// Entries a put away refuses, each with why; the first few are named.
struct Refusal {
    std::string name;
    std::string why;
};
ArchiveResult refusedEntries(const std::vector<Refusal>& refused);

// Files and folders that cannot be read or are not what they should be.
ArchiveResult cannotOpenArchive(const std::string& path);
ArchiveResult cannotOpenFile(const std::string& name);
ArchiveResult unreadable(const std::filesystem::path& path, const std::error_code& ec);
ArchiveResult notARegularFile(const std::string& path);
ArchiveResult noSourceFolder(const std::filesystem::path& folder);
ArchiveResult noDestinationFolder(const std::filesystem::path& folder);
ArchiveResult destinationNotAFolder(const std::string& shown);
ArchiveResult destinationIsLink(const std::filesystem::path& folder);
ArchiveResult fileMeetsFolder(const std::string& shown);
// A take out into a folder that another made or merges into meanwhile.
ArchiveResult destinationMadeMeanwhile(const std::string& shown);
ArchiveResult changedMeanwhile(const std::string& shown);
ArchiveResult anotherMergeUnderWay(const std::string& shown);
ArchiveResult workFolderGone(const std::string& shown);
// Two entries of a folder that Windows takes for one name, where a take out
// would replace one of them.
ArchiveResult destinationTwins(const std::string& shown, const std::string& twin);
ArchiveResult alreadyExists(const std::string& path);

// Writes that failed; each is NoSpace when the disk is full.
ArchiveResult noSpace();
ArchiveResult cannotWrite(const std::string& name, const std::error_code& ec);
ArchiveResult cannotPlace(const std::string& shown, const std::error_code& ec);
ArchiveResult cannotTrashReplaced(const std::string& shown, const std::error_code& ec);
ArchiveResult cannotFlushExtracted(const std::error_code& ec);
ArchiveResult cannotMakeWorkFolder(const std::filesystem::path& parent, const std::error_code& ec);
ArchiveResult cannotMakeArchive(const std::string& where, const std::error_code& ec);
ArchiveResult cannotWriteInto(const std::filesystem::path& folder, const std::error_code& ec);
ArchiveResult cannotReplace(const std::string& path, const std::error_code& ec);
ArchiveResult cannotMakeDestination(const std::string& shown, const std::error_code& ec);
ArchiveResult cannotWriteDestination(const std::string& shown, const std::error_code& ec);

}  // namespace archiver::failed
