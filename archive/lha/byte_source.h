#pragma once
// Where an archive's bytes come from: a file, or memory (the fuzzer reads
// archives without touching the disk). Reads name their offset, so the only
// cursor is the reader's own.
#include <cstdint>
#include <filesystem>
#include <span>

#include "archive/lha/file_io.h"

namespace lha {

class ByteSource {
public:
    virtual ~ByteSource() = default;
    virtual std::uint64_t size() const = 0;
    // Copies up to `count` bytes from `offset`; fewer only past the end or
    // when reading failed, which failed() then says.
    virtual std::size_t readAt(std::uint64_t offset, void* buffer, std::size_t count) = 0;
    virtual bool failed() const = 0;
};

class MemorySource : public ByteSource {
public:
    explicit MemorySource(std::span<const std::uint8_t> bytes) : bytes_(bytes) {}
    std::uint64_t size() const override { return bytes_.size(); }
    std::size_t readAt(std::uint64_t offset, void* buffer, std::size_t count) override;
    bool failed() const override { return false; }

private:
    std::span<const std::uint8_t> bytes_;
};

class FileSource : public ByteSource {
public:
    bool open(const std::filesystem::path& path);
    std::uint64_t size() const override { return size_; }
    std::size_t readAt(std::uint64_t offset, void* buffer, std::size_t count) override;
    bool failed() const override { return seekFailed_ || file_.failed(); }

private:
    InputFile file_;
    std::uint64_t size_ = 0;
    std::uint64_t position_ = 0;  // where the file stands, to spare a seek per read
    bool seekFailed_ = false;
};

}  // namespace lha
