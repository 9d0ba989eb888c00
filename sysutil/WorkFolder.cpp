#include "sysutil/WorkFolder.h"

#include <algorithm>
#include <cerrno>
#include <random>
#include <utility>
#include <vector>

#include "sysutil/FileAccessDOS.h"
#include "sysutil/PathRules.h"
#include "sysutil/Processes.h"

#if defined(_WIN32)
#include <windows.h>
#else
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>
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

// Whether the folder holds, beside its marker, only what a run of its kind
// makes there: a take out its extracted tree, the replaced files kept at
// hand, those bound for the trash, and its journal; a put away its archive; a settings save the new
// file. Anything else is someone's who only used the name.
bool holdsOnlyWork(const fs::path& folder) {
    static const std::vector<std::pair<std::string, std::vector<std::string>>> made = {
        {std::string(kPrefix) + kWorkStaging + "-", {"tree", "kept", "replaced", "journal", "journal.tmp"}},
        {std::string(kPrefix) + kWorkArchive + "-", {"archive.lzh"}},
        {std::string(kPrefix) + kWorkSettings + "-", {"fzarc.ini"}}};
    const std::string name = utf8FromPath(folder.filename());
    const auto kind = std::find_if(made.begin(), made.end(), [&](const auto& k) { return name.starts_with(k.first); });
    if (kind == made.end()) return false;
    std::error_code ec;
    for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
        const std::string entry = utf8FromPath(it->path().filename());
        if (entry != kWorkMarker && std::find(kind->second.begin(), kind->second.end(), entry) == kind->second.end())
            return false;
    }
    return !ec;
}

bool isEmptyFolder(const fs::path& folder) {
    std::error_code ec;
    fs::directory_iterator it(folder, ec);
    return !ec && it == fs::directory_iterator();
}

#if defined(_WIN32)
using Native = HANDLE;
constexpr Native kNoHandle = nullptr;
void closeNative(Native h) {
    if (h != kNoHandle) CloseHandle(h);
}
#else
using Native = int;
constexpr Native kNoHandle = -1;
void closeNative(Native h) {
    if (h != kNoHandle) ::close(h);
}
#endif

enum class Lock {
    Taken,    // ours now
    Shared,   // nobody's, as far as an opening only for reading can tell: judged, never claimed
    Refused,  // someone holds it
    Unknown,  // the file system cannot lock, or the marker cannot be opened
    Missing,  // no marker (any more)
};

struct Attempt {
    Lock lock;
    Native handle = kNoHandle;  // open for Taken, and for Unknown once the marker opened
    std::error_code ec;
};

// Opens the marker (makes it, when `create`) and takes its lock without
// waiting. The lock belongs to this opening of the file, not to the process:
// a second opening in the same process is refused too.
Attempt lockMarker(const fs::path& marker, bool create) {
#if defined(_WIN32)
    // Shared for reading and writing, never for deletion: while held, the
    // marker stays. Not inherited by programs started meanwhile.
    HANDLE h =
        CreateFileW(marker.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                    create ? CREATE_NEW : OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
    if (h == INVALID_HANDLE_VALUE) {
        const DWORD e = GetLastError();
        const std::error_code ec(static_cast<int>(e), std::system_category());
        if (e == ERROR_SHARING_VIOLATION) return {Lock::Refused, kNoHandle, ec};
        if (e == ERROR_FILE_NOT_FOUND || e == ERROR_PATH_NOT_FOUND) return {Lock::Missing, kNoHandle, ec};
        return {Lock::Unknown, kNoHandle, ec};
    }
    OVERLAPPED at{};
    if (LockFileEx(h, LOCKFILE_EXCLUSIVE_LOCK | LOCKFILE_FAIL_IMMEDIATELY, 0, 1, 0, &at)) return {Lock::Taken, h, {}};
    const DWORD e = GetLastError();
    const std::error_code ec(static_cast<int>(e), std::system_category());
    if (e == ERROR_LOCK_VIOLATION) {
        CloseHandle(h);
        return {Lock::Refused, kNoHandle, ec};
    }
    return {Lock::Unknown, h, ec};
#else
    const int common = O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK;
    int fd = ::open(marker.c_str(), common | O_RDWR | (create ? O_CREAT | O_EXCL : 0), 0666);
    bool exclusive = true;
    if (fd < 0 && !create && (errno == EACCES || errno == EPERM || errno == EROFS)) {
        fd = ::open(marker.c_str(), common | O_RDONLY);  // another user's, or a read-only disk
        exclusive = false;
    }
    if (fd < 0) {
        const int e = errno;
        return {e == ENOENT ? Lock::Missing : Lock::Unknown, kNoHandle, std::error_code(e, std::generic_category())};
    }
    struct stat opened {};
    if (::fstat(fd, &opened) != 0 || !S_ISREG(opened.st_mode)) {
        ::close(fd);
        return {Lock::Unknown, kNoHandle, std::make_error_code(std::errc::invalid_argument)};
    }
    int e = 0;
#if defined(F_OFD_SETLK)
    struct flock whole {};
    whole.l_type = exclusive ? F_WRLCK : F_RDLCK;
    whole.l_whence = SEEK_SET;
    if (::fcntl(fd, F_OFD_SETLK, &whole) != 0) e = errno;
    if (e == EINVAL)  // a kernel from before these locks
#endif
        e = ::flock(fd, (exclusive ? LOCK_EX : LOCK_SH) | LOCK_NB) == 0 ? 0 : errno;
    if (e == EAGAIN || e == EACCES || e == EWOULDBLOCK) {
        ::close(fd);
        return {Lock::Refused, kNoHandle, std::error_code(e, std::generic_category())};
    }
    if (e != 0) return {Lock::Unknown, fd, std::error_code(e, std::generic_category())};
    // The marker may have gone between the opening and the lock (its owner
    // removing the folder): a lock on a file no longer there holds nothing.
    struct stat now {};
    if (::lstat(marker.c_str(), &now) != 0 || now.st_dev != opened.st_dev || now.st_ino != opened.st_ino) {
        ::close(fd);
        return {Lock::Missing, kNoHandle, std::make_error_code(std::errc::no_such_file_or_directory)};
    }
    // A shared lock proves only that nobody works there now: two tidyings
    // would both get one.
    return {exclusive ? Lock::Taken : Lock::Shared, fd, {}};
#endif
}

}  // namespace

WorkFolder::~WorkFolder() {
    release();
}

WorkFolder::WorkFolder(WorkFolder&& other) noexcept
    : path_(std::exchange(other.path_, {})), lock_(std::exchange(other.lock_, kNone)) {}

WorkFolder& WorkFolder::operator=(WorkFolder&& other) noexcept {
    if (this != &other) {
        release();
        path_ = std::exchange(other.path_, {});
        lock_ = std::exchange(other.lock_, kNone);
    }
    return *this;
}

void WorkFolder::release() {
    closeNative(static_cast<Native>(lock_));
    lock_ = kNone;
}

WorkFolder createWorkFolder(const fs::path& parent, const std::string& kind, std::error_code& ec) {
    static thread_local std::mt19937 random{std::random_device{}()};
    const std::string stem = std::string(kPrefix) + kind + "-" + std::to_string(currentProcessId()) + "-";
    // A tidying elsewhere may take a folder this fresh (empty, or its marker
    // not locked yet) for a killed run's, and remove it: then another name.
    for (int taken = 0; taken < 100;) {
        const fs::path folder = parent / (stem + std::to_string(random()));
        if (!fs::create_directory(folder, ec)) {
            if (ec) return {};
            continue;  // the name was someone's already
        }
        hide(folder);
        const Attempt a = lockMarker(folder / kWorkMarker, true);
        if (a.lock == Lock::Taken || (a.lock == Lock::Unknown && a.handle != kNoHandle))
            return WorkFolder(folder, a.handle);
        if (a.lock == Lock::Refused || a.lock == Lock::Missing) {
            ++taken;
            continue;
        }
        ec = a.ec;
        std::error_code ignored;
        fs::remove(folder, ignored);
        return {};
    }
    ec = std::make_error_code(std::errc::device_or_resource_busy);
    return {};
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

WorkFolder claimLeftover(const fs::path& path) {
    if (!workFolderOwner(utf8FromPath(path.filename()))) return {};
    std::error_code ec;
    if (!fs::is_directory(fs::symlink_status(path, ec))) return {};
    const auto marker = fs::symlink_status(path / kWorkMarker, ec);
    if (marker.type() == fs::file_type::not_found) {
        // Made, then killed before its marker. A run making it this moment
        // finds it gone and takes another name; removing a folder refuses
        // one that holds anything by now.
        if (isEmptyFolder(path)) fs::remove(path, ec);
        return {};
    }
    if (!fs::is_regular_file(marker)) return {};
    const Attempt a = lockMarker(path / kWorkMarker, false);
    // Looked into once held: a run still making it would add to it.
    if (a.lock == Lock::Taken && holdsOnlyWork(path)) return WorkFolder(path, a.handle);
    closeNative(a.handle);
    return {};
}

bool workFolderInUse(const fs::path& path) {
    // Our marker is a plain file: a folder, a link or a pipe there is no
    // work of ours, and is not opened (a device might do something).
    std::error_code ec;
    const auto type = fs::symlink_status(path / kWorkMarker, ec).type();
    if (type != fs::file_type::regular && type != fs::file_type::none && type != fs::file_type::unknown) return false;
    const Attempt a = lockMarker(path / kWorkMarker, false);
    closeNative(a.handle);
    return a.lock == Lock::Refused || a.lock == Lock::Unknown;
}

bool removeWorkFolder(WorkFolder& work) {
    if (work.empty()) return true;
    const std::string folder = utf8FromPath(work.path());
    // Removed while held, so that no tidying meddles. Where the system keeps
    // a file open from going (Windows), the marker goes once let go.
    const bool gone = removeTree(folder, kWorkMarker).empty();
    work.release();
    return gone || removeTree(folder, kWorkMarker).empty() || removeTree(folder, kWorkMarker).empty();
}

}  // namespace sysutil
