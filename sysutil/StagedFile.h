#pragma once
// A file that appears under its name only whole and on the disk: written in a
// work folder, flushed, then published under its final name, or discarded.
// What the archive writer, a dropped archive's copy, the settings save and a
// take out's journal all do, so that a crash or a full disk leaves the old
// file or the new one, never a part. Every step says why it failed.
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <system_error>

#include "sysutil/WorkFolder.h"

namespace sysutil {

enum class Publish {
    // Fails with file_exists when the name is taken, however late it was.
    WithoutReplacing,
    // Takes the name in one rename, over whatever holds it.
    Replacing,
};

class StagedFile {
public:
    StagedFile() = default;
    // Discards the file unless it was published.
    ~StagedFile();
    StagedFile(const StagedFile&) = delete;
    StagedFile& operator=(const StagedFile&) = delete;

    // Makes `name` in a work folder of `kind` made beside `target` for this
    // file alone; the folder goes once the file is published or discarded.
    std::error_code createBeside(const std::filesystem::path& target, const char* kind,
                                 const std::filesystem::path& name);
    // Makes `name` in `folder`, a work folder the caller holds.
    std::error_code createIn(const std::filesystem::path& folder, const std::filesystem::path& name);

    std::error_code write(const void* data, std::size_t size);
    std::uint64_t tell() const { return position_; }
    // Goes back to fill in what was left open; the file ends where the
    // position stands when it is flushed.
    std::error_code seek(std::uint64_t offset);
    // Cuts the file at the position, writes it to the disk and closes it.
    std::error_code flush();
    // Gives the flushed file its final name.
    std::error_code publish(const std::filesystem::path& target, Publish how);
    // Removes the file (and its own work folder), unless published.
    void discard();

    // Where the file is written until it is published.
    const std::filesystem::path& path() const { return path_; }
    // The first failure of any step; later steps fail with it too.
    std::error_code error() const { return error_; }

private:
    std::error_code create(const std::filesystem::path& path);
    std::error_code fail(std::error_code ec);
    std::error_code failWithErrno();
    void closeFile();

    WorkFolder work_;  // held for this file alone, or empty
    std::filesystem::path path_;
    std::FILE* file_ = nullptr;
    std::uint64_t position_ = 0;
    std::uint64_t end_ = 0;        // the farthest written before a seek back
    std::uint64_t unstarted_ = 0;  // bytes written since the disk was last started on them
    bool flushed_ = false;
    bool published_ = false;
    std::error_code error_;
};

}  // namespace sysutil
