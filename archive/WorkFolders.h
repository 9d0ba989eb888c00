#pragma once
// What a killed or crashed run of archive work left behind (see
// sysutil/WorkFolder.h): a take out's staging folder, perhaps with a merge it
// had begun, or a new archive never finished.
#include <filesystem>

namespace sysutil {
class Trash;
}

namespace archiver {

// Finishes each merge a dead run left unfinished in `folder`, then removes
// the work folders of dead runs there. A work folder whose merge cannot be
// finished yet stays, with everything the merge still needs; what a running
// program owns stays, and so does anything that only looks like FZARC's.
// With a `trash`, the files a finished merge replaced go there.
void removeLeftovers(const std::filesystem::path& folder, sysutil::Trash* trash = nullptr);

}  // namespace archiver
