#include "archive/lha/file_io.h"

#include <algorithm>
#include <cerrno>

#if defined(_WIN32)
#include <fcntl.h>
#include <io.h>
#include <sys/stat.h>
#else
#include <fcntl.h>
#include <unistd.h>
#endif

namespace lha {
namespace {

std::FILE* openFile(const std::filesystem::path& path, bool forWriting) {
#if defined(_WIN32)
    if (!forWriting) return _wfopen(path.c_str(), L"rb");
    // msvcrt's fopen has no "x": create exclusively, then wrap the descriptor.
    const int fd = _wopen(path.c_str(), _O_CREAT | _O_EXCL | _O_WRONLY | _O_BINARY, _S_IREAD | _S_IWRITE);
    if (fd < 0) return nullptr;
    std::FILE* f = _fdopen(fd, "wb");
    if (!f) _close(fd);
    return f;
#else
    return std::fopen(path.c_str(), forWriting ? "wbx" : "rb");
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

}  // namespace

InputFile::~InputFile() {
    close();
}

bool InputFile::open(const std::filesystem::path& path) {
    close();
    failed_ = false;
    file_ = openFile(path, false);
    return file_ != nullptr;
}

std::size_t InputFile::read(void* buffer, std::size_t size) {
    if (!file_) return 0;
    const std::size_t n = std::fread(buffer, 1, size, file_);
    if (n < size && std::ferror(file_)) failed_ = true;
    return n;
}

bool InputFile::rewind() {
    return seek(0);
}

bool InputFile::seek(std::uint64_t offset) {
    if (!file_) return false;
    std::clearerr(file_);
    return seekTo(file_, offset);
}

void InputFile::close() {
    if (file_) std::fclose(file_);
    file_ = nullptr;
}

OutputFile::~OutputFile() {
    if (file_) std::fclose(file_);
}

void OutputFile::fail() {
    // A failure with no word from the system is still an I/O error, never "success".
    if (!failed_) error_ = std::error_code(errno ? errno : EIO, std::generic_category());
    failed_ = true;
}

bool OutputFile::createNew(const std::filesystem::path& path) {
    file_ = openFile(path, true);
    position_ = 0;
    end_ = 0;
    failed_ = false;
    if (!file_) fail();
    return file_ != nullptr;
}

bool OutputFile::write(const void* data, std::size_t size) {
    if (!file_ || failed_) return false;
    if (size != 0 && std::fwrite(data, 1, size, file_) != size) fail();
    position_ += size;
#if defined(__linux__)
    // The disk starts on what is written every few MiB, so that the flush
    // at the close waits for the last of it only. Only a start: nothing
    // counts as written before that flush.
    unstarted_ += size;
    if (unstarted_ >= kWriteBehind && !failed_) {
        unstarted_ = 0;
        if (std::fflush(file_) != 0) fail();
        ::sync_file_range(fileno(file_), 0, 0, SYNC_FILE_RANGE_WRITE);
    }
#endif
    return !failed_;
}

bool OutputFile::seek(std::uint64_t offset) {
    if (!file_ || failed_) return false;
    if (std::fflush(file_) != 0 || !seekTo(file_, offset)) fail();
    end_ = std::max(end_, position_);
    position_ = offset;
    return !failed_;
}

bool OutputFile::close(bool toDisk) {
    if (!file_) return !failed_;
    // Anything past the position is left over from a rewritten entry.
    const bool leftOver = end_ > position_;
    if (std::fflush(file_) != 0 || (leftOver && !truncateAt(file_, position_)) || (toDisk && !syncToDisk(file_)))
        fail();
    if (std::fclose(file_) != 0) fail();
    file_ = nullptr;
    return !failed_;
}

}  // namespace lha
