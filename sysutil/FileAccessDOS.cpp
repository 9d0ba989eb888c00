#include "sysutil/FileAccessDOS.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <vector>

#include "sysutil/ErrorText.h"
#include "sysutil/PathRules.h"

#if defined(_WIN32)
#include <windows.h>
#else
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace sysutil {
namespace fs = std::filesystem;
namespace {

// The names a failed deletion reports: what a message shows.
constexpr std::size_t kRemainsReported = 5;

#if defined(__linux__)
// The walk reads each folder once, opened from its parent's descriptor and
// never through a link, by raw getdents64 into one reused buffer: a board of
// 20,000 folders is walked at every refresh.
struct Walk {
    Subfolders& out;
    std::string_view noted;
    std::vector<char> buffer = std::vector<char>(32 * 1024);
};

// Descriptors held open down the tree; deeper, a folder is opened by its full path.
constexpr int kDeepestHeldOpen = 64;

void collectFolders(int fd, std::string& path, int depth, Walk& walk, bool* notedHere) {
    std::vector<std::string> subfolders;
    std::vector<bool> isLinkToFolder;
    for (;;) {
        const long got = ::getdents64(fd, walk.buffer.data(), walk.buffer.size());
        if (got < 0 && notedHere) *notedHere = true;  // not read whole: the name may be there
        if (got <= 0) break;
        for (long at = 0; at < got;) {
            const auto* d = reinterpret_cast<const dirent64*>(walk.buffer.data() + at);
            at += d->d_reclen;
            const std::string_view name(d->d_name);
            if (name == "." || name == "..") continue;
            if (notedHere && !*notedHere && !walk.noted.empty() && sameName(name, walk.noted)) *notedHere = true;
            unsigned char type = d->d_type;
            struct stat st {};
            if (type == DT_UNKNOWN) {
                if (::fstatat(fd, d->d_name, &st, AT_SYMLINK_NOFOLLOW) != 0) continue;
                type = S_ISDIR(st.st_mode) ? DT_DIR : S_ISLNK(st.st_mode) ? DT_LNK : DT_REG;
            }
            if (type == DT_DIR) {
                subfolders.emplace_back(name);
                isLinkToFolder.push_back(false);
            } else if (type == DT_LNK && ::fstatat(fd, d->d_name, &st, 0) == 0 && S_ISDIR(st.st_mode)) {
                // A linked folder is listed, but what lies behind the link is not ours.
                subfolders.emplace_back(name);
                isLinkToFolder.push_back(true);
            }
        }
    }
    std::vector<std::size_t> order(subfolders.size());
    for (std::size_t i = 0; i < order.size(); ++i) order[i] = i;
    std::sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) { return subfolders[a] < subfolders[b]; });
    const bool holdOpen = depth < kDeepestHeldOpen;
    if (!holdOpen) ::close(fd);
    const std::size_t base = path.size();
    if (base > 0 && path.back() != '/') path += '/';
    const std::size_t stem = path.size();
    for (const std::size_t i : order) {
        path.resize(stem);
        path += subfolders[i];
        walk.out.paths.push_back(path);
        walk.out.mayHoldNoted.push_back(true);  // until the folder has been read whole
        if (isLinkToFolder[i]) continue;
        const int child = holdOpen
                              ? ::openat(fd, subfolders[i].c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC)
                              : ::open(path.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
        if (child < 0) continue;  // unreadable, or no longer a folder: listed, nothing below
        bool noted = false;
        const std::size_t slot = walk.out.mayHoldNoted.size() - 1;
        collectFolders(child, path, depth + 1, walk, &noted);
        walk.out.mayHoldNoted[slot] = noted;
    }
    path.resize(base);
    if (holdOpen) ::close(fd);
}
#else
void collectFolders(const fs::path& folder, Subfolders& out, std::string_view noted, bool* notedHere) {
    std::error_code ec;
    std::vector<fs::directory_entry> subfolders;
    for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
        if (notedHere && !*notedHere && !noted.empty() && sameName(utf8FromPath(it->path().filename()), noted))
            *notedHere = true;
        std::error_code ec2;
        if (it->is_directory(ec2)) subfolders.push_back(*it);
    }
    if (ec && notedHere) *notedHere = true;  // not read whole: the name may be there
    std::sort(subfolders.begin(), subfolders.end(), [](const auto& a, const auto& b) {
        return utf8FromPath(a.path().filename()) < utf8FromPath(b.path().filename());
    });
    for (const auto& sub : subfolders) {
        out.paths.push_back(utf8FromPath(sub.path()));
        out.mayHoldNoted.push_back(true);  // until the folder has been read whole
        // A linked folder is listed, but what lies behind the link is not ours.
        if (isLink(sub)) continue;
        bool here = false;
        const std::size_t slot = out.mayHoldNoted.size() - 1;
        collectFolders(sub.path(), out, noted, &here);
        out.mayHoldNoted[slot] = here;
    }
}
#endif

// What a removal could not take away, kept to the first few paths and
// counted beyond them, with the first cause the system gave; the mount
// points left alone come first and are always named.
struct Remains {
    explicit Remains(std::size_t report) : limit(report) {}
    std::vector<std::string> paths, mountPoints;
    std::size_t limit;
    std::size_t uncounted = 0;
    std::error_code cause;
    void add(const fs::path& p, const std::error_code& ec) {
        if (!cause) cause = ec;
        if (paths.size() < limit)
            paths.push_back(utf8FromPath(p));
        else
            ++uncounted;
    }
    void addMountPoint(const fs::path& p) {
        mountPoints.push_back(utf8FromPath(p) + "（別のファイルシステムのため、中は削除していません）");
    }
    // The names to report, and how many more there are.
    std::vector<std::string> all(std::size_t* unnamed = nullptr) const {
        std::vector<std::string> out = mountPoints;
        std::size_t more = uncounted;
        for (const auto& p : paths)
            if (out.size() < std::max(limit, mountPoints.size()))
                out.push_back(p);
            else
                ++more;
        if (unnamed) *unnamed = more;
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

std::error_code removeEntry(const fs::path& p) {
    std::error_code ec;
#if defined(_WIN32)
    // Read-only files and folders refuse deletion until the attribute goes.
    const DWORD attr = GetFileAttributesW(p.c_str());
    if (attr != INVALID_FILE_ATTRIBUTES && (attr & FILE_ATTRIBUTE_READONLY))
        SetFileAttributesW(p.c_str(), attr & ~FILE_ATTRIBUTE_READONLY);
#endif
    fs::remove(p, ec);
    return ec;
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
        remains.add(folder, ec);
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
        if (const auto failed = removeEntry(e.path())) {
            remains.add(e.path(), failed);
            empty = false;
        }
    }
    for (const auto& e : last) {
        std::error_code failed;
        if (empty && !(failed = removeEntry(e.path()))) continue;
        remains.add(e.path(), failed);
        empty = false;
    }
    return empty;
}

}  // namespace

Subfolders listSubfolders(const std::string& folder, std::string_view noted) {
    Subfolders all;
#if defined(__linux__)
    const int fd = ::open(pathFromUtf8(folder).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return all;
    std::string path = folder;
    Walk walk{all, noted};
    collectFolders(fd, path, 0, walk, nullptr);
#else
    collectFolders(pathFromUtf8(folder), all, noted, nullptr);
#endif
    return all;
}

std::vector<std::string> listSubfolders(const std::string& folder) {
    return listSubfolders(folder, {}).paths;
}

namespace {

Remains removeAll(const std::string& folder, const std::string& lastName, std::size_t report) {
    const fs::path root = pathFromUtf8(folder);
    Remains remains(report);
    std::error_code ec;
    const auto st = fs::symlink_status(root, ec);
    if (ec || !fs::exists(st)) return remains;
    if (!fs::is_directory(st)) {  // a file, or a link: itself only
        if (const auto failed = removeEntry(root)) remains.add(root, failed);
        return remains;
    }
    if (removeContents(root, lastName, deviceOf(root), remains))
        if (const auto failed = removeEntry(root)) remains.add(root, failed);
    return remains;
}

}  // namespace

std::vector<std::string> removeTree(const std::string& folder, const std::string& lastName, std::size_t report) {
    return removeAll(folder, lastName, report).all();
}

bool isMountedOn(const fs::path& folder) {
    return isMountPoint(folder, deviceOf(folder.parent_path()));
}

FileAccessDOS::FileAccessDOS(Dialogs* dialogs) : dialogs_(dialogs) {}

std::vector<std::string> FileAccessDOS::SubDirectories(const std::string& TargetDirectory) {
    return SubDirectories(TargetDirectory, {}).paths;
}

Subfolders FileAccessDOS::SubDirectories(const std::string& TargetDirectory, std::string_view noted) {
    return listSubfolders(TargetDirectory, noted);
}

std::string FileAccessDOS::SerchSubDirectory(const std::string& TargetDirectory) {
    std::string joined;
    for (const auto& f : SubDirectories(TargetDirectory)) {
        if (!joined.empty()) joined += '|';
        joined += f;
    }
    return joined;
}

Failure FileAccessDOS::DelTree(const std::string& TargetDirectory, bool NoMsg) {
    // Asked even when the folder has gone meanwhile: the answer is the user's.
    if (!NoMsg && dialogs_) {
        const MessageRequest ask{"本当によろしいですか？", "", MsgIcon::Exclamation, MsgButtons::YesNo, MsgAnswer::No};
        if (dialogs_->message(ask) != MsgAnswer::Yes) return {};
    }
    const Remains remains = removeAll(TargetDirectory, "Summary.tsm", kRemainsReported);
    Failure failure;
    failure.names = remains.all(&failure.unnamed);
    if (failure.names.empty()) return {};
    failure.kind = isDiskFull(remains.cause) ? FailureKind::NoSpace : FailureKind::WriteFailed;
    failure.code = remains.cause;
    failure.detail = "「" + TargetDirectory + "」を削除しきれませんでした。次のものが残っています。" +
                     firstFive(failure.names, failure.unnamed);
    if (remains.cause) failure.detail += "\r\n" + describeError(remains.cause);
    return failure;
}

bool sameContent(const std::filesystem::path& a, const std::filesystem::path& b) {
    namespace fs = std::filesystem;
    std::error_code ec;
    if (!fs::is_regular_file(fs::symlink_status(a, ec)) || !fs::is_regular_file(fs::symlink_status(b, ec)) ||
        fs::file_size(a, ec) != fs::file_size(b, ec) || ec)
        return false;
    std::ifstream x(a, std::ios::binary), y(b, std::ios::binary);
    std::vector<char> bx(1 << 16), by(1 << 16);
    while (x && y) {
        x.read(bx.data(), static_cast<std::streamsize>(bx.size()));
        y.read(by.data(), static_cast<std::streamsize>(by.size()));
        if (x.gcount() != y.gcount() || !std::equal(bx.begin(), bx.begin() + x.gcount(), by.begin())) return false;
    }
    return x.eof() && y.eof();
}

}  // namespace sysutil
