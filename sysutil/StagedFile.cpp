#include "sysutil/StagedFile.h"

#include <cerrno>

#if defined(_WIN32)
#include <fcntl.h>
#include <io.h>
#include <sys/stat.h>
#include <windows.h>
#else
#include <fcntl.h>
#include <unistd.h>
#endif

namespace sysutil {
namespace fs = std::filesystem;
namespace {

std::FILE* createNew(const fs::path& path) {
#if defined(_WIN32)
    // msvcrt's fopen has no "x": create exclusively, then wrap the descriptor.
    const int fd = _wopen(path.c_str(), _O_CREAT | _O_EXCL | _O_WRONLY | _O_BINARY, _S_IREAD | _S_IWRITE);
    if (fd < 0) return nullptr;
    std::FILE* f = _fdopen(fd, "wb");
    if (!f) _close(fd);
    return f;
#else
    return std::fopen(path.c_str(), "wbx");
#endif
}

bool seekTo(std::FILE* f, std::uint64_t offset) {
#if defined(_WIN32)
    return _fseeki64(f, static_cast<long long>(offset), SEEK_SET) == 0;
#else
    return fseeko(f, static_cast<off_t>(offset), SEEK_SET) == 0;
#endif
}

bool truncateAt(std::FILE* f, std::uint64_t size) {
#if defined(_WIN32)
    return _chsize_s(_fileno(f), static_cast<long long>(size)) == 0;
#else
    return ftruncate(fileno(f), static_cast<off_t>(size)) == 0;
#endif
}

bool syncToDisk(std::FILE* f) {
#if defined(_WIN32)
    return _commit(_fileno(f)) == 0;
#else
    return fsync(fileno(f)) == 0;
#endif
}

std::error_code lastError() {
    return std::error_code(errno ? errno : EIO, std::generic_category());
}

// Renames without replacing: a hard link fails when the name is taken, which
// closes the gap between "does it exist" and the rename.
std::error_code renameWithoutReplacing(const fs::path& from, const fs::path& to, bool& linked) {
    linked = false;
#if defined(_WIN32)
    if (MoveFileExW(from.c_str(), to.c_str(), MOVEFILE_WRITE_THROUGH)) return {};
    const DWORD err = GetLastError();
    if (err == ERROR_ALREADY_EXISTS || err == ERROR_FILE_EXISTS) return std::make_error_code(std::errc::file_exists);
    return std::error_code(static_cast<int>(err), std::system_category());
#else
    if (::link(from.c_str(), to.c_str()) == 0) {
        linked = true;
        return {};
    }
    if (errno == EEXIST) return std::make_error_code(std::errc::file_exists);
    // File systems without hard links (FAT on a USB stick): check, then rename.
    std::error_code ec;
    if (fs::exists(fs::symlink_status(to, ec))) return std::make_error_code(std::errc::file_exists);
    fs::rename(from, to, ec);
    return ec;
#endif
}

}  // namespace

StagedFile::~StagedFile() {
    discard();
}

std::error_code StagedFile::fail(std::error_code ec) {
    if (!error_) error_ = ec;
    return error_;
}

std::error_code StagedFile::failWithErrno() {
    return fail(lastError());
}

std::error_code StagedFile::createBeside(const fs::path& target, const char* kind, const fs::path& name) {
    std::error_code ec;
    work_ = createWorkFolder(target.parent_path(), kind, ec);
    if (work_.empty()) return fail(ec ? ec : std::make_error_code(std::errc::io_error));
    return create(work_.path() / name);
}

std::error_code StagedFile::createIn(const fs::path& folder, const fs::path& name) {
    return create(folder / name);
}

std::error_code StagedFile::create(const fs::path& path) {
    if (error_) return error_;
    errno = 0;
    file_ = createNew(path);
    if (!file_) return failWithErrno();
    path_ = path;  // ours from here on: a discard removes it
    return {};
}

std::error_code StagedFile::write(const void* data, std::size_t size) {
    if (error_) return error_;
    if (!file_) return fail(std::make_error_code(std::errc::bad_file_descriptor));
    if (size != 0 && std::fwrite(data, 1, size, file_) != size) return failWithErrno();
    position_ += size;
#if defined(__linux__)
    // The disk starts on what is written every few MiB, so that the flush
    // waits for the last of it only. Only a start: nothing counts as
    // written before that flush.
    constexpr std::uint64_t kWriteBehind = 4 << 20;
    unstarted_ += size;
    if (unstarted_ >= kWriteBehind) {
        unstarted_ = 0;
        if (std::fflush(file_) != 0) return failWithErrno();
        ::sync_file_range(fileno(file_), 0, 0, SYNC_FILE_RANGE_WRITE);
    }
#endif
    return {};
}

std::error_code StagedFile::seek(std::uint64_t offset) {
    if (error_) return error_;
    if (!file_) return fail(std::make_error_code(std::errc::bad_file_descriptor));
    if (std::fflush(file_) != 0 || !seekTo(file_, offset)) return failWithErrno();
    if (position_ > end_) end_ = position_;
    position_ = offset;
    return {};
}

std::error_code StagedFile::flush() {
    if (error_ || flushed_) return error_;
    if (!file_) return fail(std::make_error_code(std::errc::bad_file_descriptor));
    // Anything past the position is left over from a rewritten part.
    const bool leftOver = end_ > position_;
    errno = 0;
    if (std::fflush(file_) != 0 || (leftOver && !truncateAt(file_, position_)) || !syncToDisk(file_)) failWithErrno();
    errno = 0;
    if (std::fclose(file_) != 0) failWithErrno();
    file_ = nullptr;
    flushed_ = !error_;
    return error_;
}

std::error_code StagedFile::publish(const fs::path& target, Publish how) {
    if (!flushed_) {
        if (const auto ec = flush()) return ec;
    }
    if (published_) return fail(std::make_error_code(std::errc::file_exists));
    std::error_code ec;
    bool linked = false;
    if (how == Publish::Replacing)
        fs::rename(path_, target, ec);
    else
        ec = renameWithoutReplacing(path_, target, linked);
    // Not kept as the file's failure: the file is whole, and may yet take
    // another name, or be discarded.
    if (ec) return ec;
    published_ = true;
    if (!work_.empty()) {
        removeWorkFolder(work_);  // the second link goes with it
    } else if (linked) {
        fs::remove(path_, ec);
    }
    return {};
}

void StagedFile::closeFile() {
    if (file_) std::fclose(file_);
    file_ = nullptr;
}

void StagedFile::discard() {
    closeFile();
    if (!published_ && !path_.empty()) {
        std::error_code ec;
        if (work_.empty()) fs::remove(path_, ec);
    }
    if (!work_.empty()) removeWorkFolder(work_);
    path_.clear();
}

}  // namespace sysutil
