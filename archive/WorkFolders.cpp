#include "archive/WorkFolders.h"

#include <vector>

#include "archive/Placement.h"
#include "sysutil/WorkFolder.h"

namespace archiver {
namespace fs = std::filesystem;

void removeLeftovers(const fs::path& folder, sysutil::Trash* trash) {
    std::error_code ec;
    std::vector<fs::path> stale;
    for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec))
        if (sysutil::isLeftoverWorkFolder(it->path())) stale.push_back(it->path());
    for (const auto& work : stale)
        if (finishMerge(work, trash)) discardWork(work);
}

}  // namespace archiver
