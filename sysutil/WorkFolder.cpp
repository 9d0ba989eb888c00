#include "sysutil/WorkFolder.h"

#include <cerrno>
#include <fstream>
#include <random>

#include "sysutil/FileAccessDOS.h"
#include "sysutil/PathRules.h"
#include "sysutil/Processes.h"

#if defined(_WIN32)
#include <windows.h>
#endif

namespace sysutil {
namespace fs = std::filesystem;
namespace {

constexpr std::string_view kPrefix = ".fzarc-";
constexpr std::string_view kKinds[] = {kWorkStaging, kWorkArchive, kWorkSettings};

// Digits only, at most as many as a 32-bit number has.
std::optional<unsigned long> number(std::string_view s) {
    if (s.empty() || s.size() > 10) return std::nullopt;
    unsigned long long n = 0;
    for (const char c : s) {
        if (c < '0' || c > '9') return std::nullopt;
        n = n * 10 + static_cast<unsigned>(c - '0');
    }
    if (n > 0xFFFFFFFFull) return std::nullopt;
    return static_cast<unsigned long>(n);
}

void hide([[maybe_unused]] const fs::path& path) {
#if defined(_WIN32)
    const DWORD attr = GetFileAttributesW(path.c_str());
    if (attr != INVALID_FILE_ATTRIBUTES) SetFileAttributesW(path.c_str(), attr | FILE_ATTRIBUTE_HIDDEN);
#endif
}

bool isEmptyFolder(const fs::path& folder) {
    std::error_code ec;
    fs::directory_iterator it(folder, ec);
    return !ec && it == fs::directory_iterator();
}

}  // namespace

fs::path createWorkFolder(const fs::path& parent, const std::string& kind, std::error_code& ec) {
    static thread_local std::mt19937 random{std::random_device{}()};
    const std::string stem = std::string(kPrefix) + kind + "-" + std::to_string(currentProcessId()) + "-";
    fs::path folder;
    for (;;) {
        folder = parent / (stem + std::to_string(random()));
        if (fs::create_directory(folder, ec)) break;
        if (ec) return {};  // false without an error: the name was taken
    }
    hide(folder);
    {
        std::ofstream marker(folder / kWorkMarker, std::ios::binary);
        if (!marker) ec = std::error_code(errno ? errno : EIO, std::generic_category());
    }
    if (ec) {
        std::error_code ignored;
        fs::remove(folder, ignored);
        return {};
    }
    return folder;
}

std::optional<unsigned long> workFolderOwner(const std::string& name) {
    if (!name.starts_with(kPrefix)) return std::nullopt;
    const std::string_view rest = std::string_view(name).substr(kPrefix.size());
    for (const std::string_view kind : kKinds) {
        if (!rest.starts_with(kind) || rest.size() <= kind.size() || rest[kind.size()] != '-') continue;
        const std::string_view ids = rest.substr(kind.size() + 1);
        const std::size_t dash = ids.find('-');
        if (dash == std::string_view::npos || !number(ids.substr(dash + 1))) return std::nullopt;
        return number(ids.substr(0, dash));
    }
    return std::nullopt;
}

bool isLeftoverWorkFolder(const fs::path& path) {
    const auto owner = workFolderOwner(utf8FromPath(path.filename()));
    if (!owner || *owner == currentProcessId() || processRuns(*owner)) return false;
    std::error_code ec;
    if (!fs::is_directory(fs::symlink_status(path, ec))) return false;
    return fs::is_regular_file(fs::symlink_status(path / kWorkMarker, ec)) || isEmptyFolder(path);
}

bool removeWorkFolder(const fs::path& path) {
    const std::string folder = utf8FromPath(path);
    return removeTree(folder, kWorkMarker).empty() || removeTree(folder, kWorkMarker).empty();
}

}  // namespace sysutil
