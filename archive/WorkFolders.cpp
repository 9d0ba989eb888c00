#include "archive/WorkFolders.h"

#include <vector>

#include "archive/Placement.h"
#include "sysutil/PathRules.h"
#include "sysutil/WorkFolder.h"

namespace archiver {
namespace fs = std::filesystem;

void removeLeftovers(const fs::path& folder, sysutil::Trash* trash) {
    std::error_code ec;
    std::vector<fs::path> stale;
    for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec))
        if (sysutil::workFolderOwner(sysutil::utf8FromPath(it->path().filename()))) stale.push_back(it->path());
    // Each held while it is finished and removed: no other tidying meddles.
    for (const auto& path : stale)
        if (auto work = sysutil::claimLeftover(path); !work.empty() && finishMerge(work.path(), trash))
            discardWork(work);
}

}  // namespace archiver
