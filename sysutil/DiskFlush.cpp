#include "sysutil/DiskFlush.h"

#if defined(__linux__)
#include <fcntl.h>
#include <unistd.h>

#include <cerrno>

namespace sysutil {

namespace {
constexpr std::size_t kKickEvery = 4u << 20;
}

DiskFlush::DiskFlush(const std::filesystem::path& folder)
    : folder_(folder), fd_(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC)), error_(errno) {}

DiskFlush::~DiskFlush() {
    stopEarlyWriting();
    if (fd_ >= 0) ::close(fd_);
}

void DiskFlush::written(std::size_t n) {
    if ((sinceKick_ += n) < kKickEvery) return;
    sinceKick_ = 0;
    if (!early_.joinable()) {
        if (started_) return;  // it could not start: the last flush does it all
        started_ = true;
        // A descriptor of its own, since a flush reports a write error once
        // per descriptor.
        earlyFd_ = ::open(folder_.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        if (earlyFd_ < 0) return;
        try {
            early_ = std::thread([this] { writeEarly(); });
        } catch (const std::system_error&) {
            ::close(earlyFd_);
            return;
        }
    }
    {
        std::lock_guard lock(mutex_);
        kicked_ = true;
    }
    wake_.notify_one();
}

std::error_code DiskFlush::finish() {
    stopEarlyWriting();
    if (fd_ >= 0 && ::syncfs(fd_) == 0) return {};
    return std::error_code(fd_ < 0 ? error_ : errno, std::generic_category());
}

void DiskFlush::writeEarly() {
    std::unique_lock lock(mutex_);
    for (;;) {
        wake_.wait(lock, [this] { return kicked_ || stopping_; });
        if (stopping_) return;
        kicked_ = false;
        lock.unlock();
        ::syncfs(earlyFd_);
        lock.lock();
    }
}

void DiskFlush::stopEarlyWriting() {
    if (!early_.joinable()) return;
    {
        std::lock_guard lock(mutex_);
        stopping_ = true;
    }
    wake_.notify_one();
    early_.join();
    ::close(earlyFd_);
}

}  // namespace sysutil
#endif
