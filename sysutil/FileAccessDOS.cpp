#include "sysutil/FileAccessDOS.h"

#include <algorithm>
#include <filesystem>
#include <vector>

#include "sysutil/BackgroundWork.h"
#include "sysutil/PathRules.h"

#if defined(_WIN32)
#include <windows.h>
#else
#include <fcntl.h>
#include <sys/stat.h>
#endif

namespace sysutil {
namespace fs = std::filesystem;
namespace {

constexpr std::size_t kRemainsReported = 6;

void collectFolders(const fs::path& folder, std::vector<std::string>& out) {
    std::error_code ec;
    std::vector<fs::directory_entry> subfolders;
    for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
        std::error_code ec2;
        if (it->is_directory(ec2)) subfolders.push_back(*it);
    }
    std::sort(subfolders.begin(), subfolders.end(), [](const auto& a, const auto& b) {
        return utf8FromPath(a.path().filename()) < utf8FromPath(b.path().filename());
    });
    for (const auto& sub : subfolders) {
        out.push_back(utf8FromPath(sub.path()));
        // A linked folder is listed, but what lies behind the link is not ours.
        if (!isLink(sub)) collectFolders(sub.path(), out);
    }
}

// What a removal could not take away, kept to the first few paths; the
// mount points left alone come first and are always named.
struct Remains {
    std::vector<std::string> paths, mountPoints;
    std::size_t limit;
    void add(const fs::path& p) {
        if (paths.size() < limit) paths.push_back(utf8FromPath(p));
    }
    void addMountPoint(const fs::path& p) {
        mountPoints.push_back(utf8FromPath(p) + "（別のファイルシステムのため、中は削除していません）");
    }
    std::vector<std::string> all() const {
        std::vector<std::string> out = mountPoints;
        for (const auto& p : paths)
            if (out.size() < std::max(limit, mountPoints.size())) out.push_back(p);
        return out;
    }
};

// The device a folder lives on, to tell its own file system from another
// mounted inside it. Windows' mount points are reparse points, which isLink
// keeps the walk out of already.
std::uintmax_t deviceOf([[maybe_unused]] const fs::path& p) {
#if defined(_WIN32)
    return 0;
#else
    struct stat st {};
    return ::lstat(p.c_str(), &st) == 0 ? static_cast<std::uintmax_t>(st.st_dev) : 0;
#endif
}

// Another file system mounted on `folder`, or a bind mount of the same one:
// what lies there is not the tree's to delete.
bool isMountPoint([[maybe_unused]] const fs::path& folder, [[maybe_unused]] std::uintmax_t treeDevice) {
#if defined(_WIN32)
    return false;
#else
    if (deviceOf(folder) != treeDevice) return true;
#if defined(STATX_ATTR_MOUNT_ROOT)
    struct statx sx {};
    if (::statx(AT_FDCWD, folder.c_str(), AT_SYMLINK_NOFOLLOW, 0, &sx) == 0 &&
        (sx.stx_attributes_mask & STATX_ATTR_MOUNT_ROOT))
        return (sx.stx_attributes & STATX_ATTR_MOUNT_ROOT) != 0;
#endif
    return false;
#endif
}

#if !defined(_WIN32)
// A folder of ours without read, write or search permission cannot be emptied
// until it has them back; one we do not own stays as it is.
void openUp(const fs::path& folder) {
    std::error_code ec;
    const auto perms = fs::symlink_status(folder, ec).permissions();
    const auto needed = fs::perms::owner_all;
    if (!ec && (perms & needed) != needed) fs::permissions(folder, needed, fs::perm_options::add, ec);
}
#endif

bool removeEntry(const fs::path& p) {
    std::error_code ec;
#if defined(_WIN32)
    // Read-only files and folders refuse deletion until the attribute goes.
    const DWORD attr = GetFileAttributesW(p.c_str());
    if (attr != INVALID_FILE_ATTRIBUTES && (attr & FILE_ATTRIBUTE_READONLY))
        SetFileAttributesW(p.c_str(), attr & ~FILE_ATTRIBUTE_READONLY);
#endif
    fs::remove(p, ec);
    return !ec;
}

// Empties the folder without leaving its file system; true when nothing is left in it.
bool removeContents(const fs::path& folder, const std::string& lastName, std::uintmax_t device, Remains& remains) {
#if !defined(_WIN32)
    openUp(folder);
#endif
    std::error_code ec;
    std::vector<fs::directory_entry> entries, last;
    for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
        const bool isLast = !lastName.empty() && sameName(utf8FromPath(it->path().filename()), lastName);
        (isLast ? last : entries).push_back(*it);
    }
    if (ec) {
        remains.add(folder);
        return false;
    }
    bool empty = true;
    for (const auto& e : entries) {
        std::error_code ec2;
        if (!isLink(e) && e.is_directory(ec2)) {
            if (isMountPoint(e.path(), device)) {
                remains.addMountPoint(e.path());
                empty = false;
                continue;
            }
            if (!removeContents(e.path(), lastName, device, remains)) {
                empty = false;
                continue;
            }
        }
        if (!removeEntry(e.path())) {
            remains.add(e.path());
            empty = false;
        }
    }
    for (const auto& e : last) {
        if (empty && removeEntry(e.path())) continue;
        remains.add(e.path());
        empty = false;
    }
    return empty;
}

}  // namespace

std::vector<std::string> listSubfolders(const std::string& folder) {
    std::vector<std::string> all;
    collectFolders(pathFromUtf8(folder), all);
    return all;
}

std::vector<std::string> removeTree(const std::string& folder, const std::string& lastName, std::size_t report) {
    const fs::path root = pathFromUtf8(folder);
    Remains remains{{}, {}, report};
    std::error_code ec;
    const auto st = fs::symlink_status(root, ec);
    if (ec || !fs::exists(st)) return {};
    if (!fs::is_directory(st)) {  // a file, or a link: itself only
        if (!removeEntry(root)) remains.add(root);
        return remains.all();
    }
    if (removeContents(root, lastName, deviceOf(root), remains) && !removeEntry(root)) remains.add(root);
    return remains.all();
}

bool isMountedOn(const fs::path& folder) {
    return isMountPoint(folder, deviceOf(folder.parent_path()));
}

FileAccessDOS::FileAccessDOS(Dialogs* dialogs) : dialogs_(dialogs) {}

void FileAccessDOS::waitFor(const std::function<void()>& work) {
    if (!dialogs_) return work();
    runServingEvents(work, [this] { dialogs_->serveEvents(); });
}

std::vector<std::string> FileAccessDOS::SubDirectories(const std::string& TargetDirectory) {
    std::vector<std::string> result;
    waitFor([&] { result = listSubfolders(TargetDirectory); });
    return result;
}

std::string FileAccessDOS::SerchSubDirectory(const std::string& TargetDirectory) {
    std::string joined;
    for (const auto& f : SubDirectories(TargetDirectory)) {
        if (!joined.empty()) joined += '|';
        joined += f;
    }
    return joined;
}

std::vector<std::string> FileAccessDOS::DelTree(const std::string& TargetDirectory, bool NoMsg) {
    // Asked even when the folder has gone meanwhile: the answer is the user's.
    if (!NoMsg && dialogs_) {
        const MessageRequest ask{"本当によろしいですか？", "", MsgIcon::Exclamation, MsgButtons::YesNo, MsgAnswer::No};
        if (dialogs_->message(ask) != MsgAnswer::Yes) return {};
    }
    std::vector<std::string> remains;
    waitFor([&] { remains = removeTree(TargetDirectory, "Summary.tsm", kRemainsReported); });
    return remains;
}

}  // namespace sysutil
