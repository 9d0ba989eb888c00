#pragma once
// Putting a finished extraction in place, all or nothing. A take out works in
// a work folder (sysutil/WorkFolder.h) that holds the extracted tree. A new
// destination is that tree renamed. An existing one receives file after file,
// as a journal written first lists them; each file it replaces stays at hand
// until every file is in, and all of them go back if one fails, so a failed
// take out leaves the folder as it was. A run killed half-way leaves its
// journal, and whoever next tidies the folder finishes the merge.
#include <filesystem>
#include <vector>

#include "archive/ArchiveResult.h"
#include "sysutil/WorkFolder.h"

namespace sysutil {
class Trash;
}

namespace archiver {

// Where a take out's work folder goes: beside the destination when it is
// new, inside it when it exists, so that every move stays on its file system
// (the destination may be a mount point of its own).
std::filesystem::path stagingParentFor(const std::filesystem::path& destination);

// Where the entries are extracted inside a work folder.
std::filesystem::path extractedTree(const std::filesystem::path& work);

// What a merge of the extracted tree of `work` into the existing folder
// `destination` would do before anything moves: the refusals of
// placeExtracted, and in `changed` the files it would replace by another
// content (relative to `destination`, as it names them). Nothing for a new
// destination.
ArchiveResult compareWithDestination(const std::filesystem::path& work, const std::filesystem::path& destination,
                                     std::vector<std::filesystem::path>& changed);

// Moves the extracted tree of `work` into `destination`. Files replace files
// of the same name (compared as Windows does), except those of the same name
// and content, which stay; a file where a folder stands, or the other way
// round, or a link in the way, is refused before anything moves. The files
// must already be on the disk: a merge's journal promises that they are.
// With a `trash`, the replaced files go there at the end, as one folder named
// after the destination (one rename); if they cannot, the merge is undone.
// Without one, they are deleted with the work folder.
// With `agreed`, a file it would replace by another content that is not
// among them (changed since the question) refuses the merge.
ArchiveResult placeExtracted(const std::filesystem::path& work, const std::filesystem::path& destination,
                             sysutil::Trash* trash = nullptr,
                             const std::vector<std::filesystem::path>* agreed = nullptr);

// Finishes the merge whose journal a run left in `work` (its destination is
// the folder that holds `work`). The journal is written only once every new
// file lies whole in the work folder, so a merge can always be finished; the
// destination then holds what the take out would have left. True when there
// was nothing to finish or it is finished; false when a step cannot be done
// now, and the work folder must stay as it is. With a `trash`, the files the
// merge replaced go there (false, and all stays, if they cannot); without
// one they stay in the work folder (false) for a run that has a trash.
bool finishMerge(const std::filesystem::path& work, sysutil::Trash* trash = nullptr);

// Whether `folder` is a dead take out's work folder that holds nothing but
// the files it replaced, waiting for a trash: no part of its scenario.
bool awaitsTheTrash(const std::filesystem::path& folder);

// Removes a take out's work folder, unless it holds the journal of a merge
// still to be finished: that one stays, and once let go, whoever next tidies
// its folder finishes the merge.
void discardWork(sysutil::WorkFolder& work);

}  // namespace archiver
