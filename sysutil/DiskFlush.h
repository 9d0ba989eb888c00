#pragma once
// What many files written into one folder need before anything makes them
// visible: to be on the disk, or a power cut could leave empty files under
// their final names. Linux flushes the whole file system: on a second thread
// while the files are still being written, each time a few MiB more were
// written, then once more after the last, which then finds little left to
// write. One flush per file would cost several times the writing. Elsewhere
// each file is flushed as it closes (kFlushEachFile).
#include <cstddef>
#include <filesystem>
#include <system_error>

#if defined(__linux__)
#include <condition_variable>
#include <mutex>
#include <thread>
#endif

namespace sysutil {

#if defined(__linux__)
inline constexpr bool kFlushEachFile = false;

class DiskFlush {
public:
    // Opened before the first write: the last flush reports every write
    // error since then, those the early flushes met included.
    explicit DiskFlush(const std::filesystem::path& folder);
    ~DiskFlush();
    DiskFlush(const DiskFlush&) = delete;
    DiskFlush& operator=(const DiskFlush&) = delete;

    // `n` more bytes were written below the folder.
    void written(std::size_t n);
    // Everything written so far, on the disk.
    std::error_code finish();

private:
    void writeEarly();
    void stopEarlyWriting();

    std::filesystem::path folder_;
    int fd_;
    int error_;  // why fd_ could not be opened
    std::size_t sinceKick_ = 0;
    bool started_ = false;
    int earlyFd_ = -1;
    std::thread early_;
    std::mutex mutex_;
    std::condition_variable wake_;
    bool kicked_ = false;
    bool stopping_ = false;
};
#else
inline constexpr bool kFlushEachFile = true;

class DiskFlush {
public:
    explicit DiskFlush(const std::filesystem::path&) {}
    void written(std::size_t) {}
    std::error_code finish() { return {}; }
};
#endif

}  // namespace sysutil
