#include "archive/WorkFolders.h"

#include <random>

#include "sysutil/FileAccessDOS.h"
#include "sysutil/PathRules.h"
#include "sysutil/Processes.h"

#if defined(_WIN32)
#include <windows.h>
#endif

namespace archiver {
namespace fs = std::filesystem;
namespace {

constexpr std::string_view kPrefix = ".fzarc-";

// The owner's process id in a work name, ".fzarc-<kind>-<pid>-...".
std::optional<unsigned long> ownerOf(const std::string& name) {
    if (!name.starts_with(kPrefix)) return std::nullopt;
    const std::size_t kindEnd = name.find('-', kPrefix.size());
    if (kindEnd == std::string::npos) return std::nullopt;
    const std::size_t pidEnd = name.find('-', kindEnd + 1);
    if (pidEnd == std::string::npos || pidEnd == kindEnd + 1) return std::nullopt;
    unsigned long pid = 0;
    for (std::size_t i = kindEnd + 1; i < pidEnd; ++i) {
        if (name[i] < '0' || name[i] > '9' || pid > 0xFFFFFFFFul / 10) return std::nullopt;
        pid = pid * 10 + static_cast<unsigned long>(name[i] - '0');
    }
    return pid;
}

}  // namespace

fs::path workPath(const fs::path& folder, const std::string& kind, const std::string& suffix) {
    static thread_local std::mt19937 random{std::random_device{}()};
    const std::string stem = std::string(kPrefix) + kind + "-" + std::to_string(sysutil::currentProcessId()) + "-";
    for (;;) {
        const fs::path p = folder / (stem + std::to_string(random()) + suffix);
        std::error_code ec;
        if (!fs::exists(fs::symlink_status(p, ec))) return p;
    }
}

void hideWorkPath([[maybe_unused]] const fs::path& path) {
#if defined(_WIN32)
    const DWORD attr = GetFileAttributesW(path.c_str());
    if (attr != INVALID_FILE_ATTRIBUTES) SetFileAttributesW(path.c_str(), attr | FILE_ATTRIBUTE_HIDDEN);
#endif
}

void removeLeftovers(const fs::path& folder) {
    std::error_code ec;
    std::vector<fs::path> stale;
    for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
        const auto owner = ownerOf(sysutil::utf8FromPath(it->path().filename()));
        if (owner && *owner != sysutil::currentProcessId() && !sysutil::processRuns(*owner))
            stale.push_back(it->path());
    }
    for (const auto& p : stale) sysutil::removeTree(sysutil::utf8FromPath(p));
}

}  // namespace archiver
