#include "archive/WorkFolders.h"

#include <random>

#include "sysutil/FileAccessDOS.h"
#include "sysutil/PathRules.h"

#if defined(_WIN32)
#include <windows.h>
#else
#include <signal.h>
#include <unistd.h>

#include <cerrno>
#endif

namespace archiver {
namespace fs = std::filesystem;
namespace {

constexpr std::string_view kPrefix = ".fzarc-";

unsigned long currentProcess() {
#if defined(_WIN32)
    return GetCurrentProcessId();
#else
    return static_cast<unsigned long>(getpid());
#endif
}

bool processRuns(unsigned long pid) {
#if defined(_WIN32)
    HANDLE h = OpenProcess(SYNCHRONIZE, FALSE, static_cast<DWORD>(pid));
    if (!h) return GetLastError() == ERROR_ACCESS_DENIED;
    const bool running = WaitForSingleObject(h, 0) == WAIT_TIMEOUT;
    CloseHandle(h);
    return running;
#else
    return kill(static_cast<pid_t>(pid), 0) == 0 || errno == EPERM;
#endif
}

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
    const std::string stem = std::string(kPrefix) + kind + "-" + std::to_string(currentProcess()) + "-";
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
        if (owner && *owner != currentProcess() && !processRuns(*owner)) stale.push_back(it->path());
    }
    for (const auto& p : stale) sysutil::removeTree(sysutil::utf8FromPath(p));
}

}  // namespace archiver
