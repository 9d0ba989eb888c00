#pragma once
// Plain binary file access with 64-bit offsets, for the writer's streaming and
// its seek-back to fill in a header once the entry's data is written.
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <system_error>

namespace lha {

class InputFile {
public:
    InputFile() = default;
    ~InputFile();
    InputFile(const InputFile&) = delete;
    InputFile& operator=(const InputFile&) = delete;

    bool open(const std::filesystem::path& path);
    // Returns the bytes read; 0 at the end; sets failed() on a read error.
    std::size_t read(void* buffer, std::size_t size);
    bool rewind();
    bool seek(std::uint64_t offset);
    bool failed() const { return failed_; }
    void close();

private:
    std::FILE* file_ = nullptr;
    bool failed_ = false;
};

// Where LhaWriter puts an archive: written in order, with seeks back to fill
// in a header once its entry's data is written.
class ArchiveOutput {
public:
    virtual ~ArchiveOutput() = default;
    virtual bool write(const void* data, std::size_t size) = 0;
    virtual std::uint64_t tell() const = 0;
    virtual bool seek(std::uint64_t offset) = 0;
    // What the system said when a write or seek failed (disk full, ...).
    virtual std::error_code error() const = 0;
};

class OutputFile : public ArchiveOutput {
public:
    OutputFile() = default;
    ~OutputFile() override;
    OutputFile(const OutputFile&) = delete;
    OutputFile& operator=(const OutputFile&) = delete;

    // Creates a new file; fails when one already exists at the path.
    bool createNew(const std::filesystem::path& path);
    bool write(const void* data, std::size_t size) override;
    std::uint64_t tell() const override { return position_; }
    bool seek(std::uint64_t offset) override;
    // Cuts the file at the current position, flushes it to the disk (unless
    // told the system's cache will do) and closes it; false when anything
    // failed on the way.
    bool close(bool toDisk = true);
    bool failed() const { return failed_; }
    // What the system said when something failed (disk full, ...).
    std::error_code error() const override { return error_; }

private:
    void fail();

    std::FILE* file_ = nullptr;
    std::uint64_t position_ = 0;
    std::uint64_t end_ = 0;  // the farthest written before a seek back
    static constexpr std::uint64_t kWriteBehind = 4 << 20;
    std::uint64_t unstarted_ = 0;  // bytes written since the disk was last started on them
    bool failed_ = false;
    std::error_code error_;
};

}  // namespace lha
