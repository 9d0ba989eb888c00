#pragma once
// The outcome of one archiver command: a code the callers test and a Japanese
// message they can show as it stands.
#include <string>

namespace archiver {

enum class ArchiveError {
    None = 0,
    BadCommand = 0x8001,
    NotArchive,
    UnsupportedMethod,
    Corrupt,
    UnsafeEntry,
    AlreadyExists,
    ReadFailed,
    WriteFailed,
    NoSpace,
    Cancelled,
};

struct ArchiveResult {
    ArchiveError error = ArchiveError::None;
    std::string message;

    bool ok() const { return error == ArchiveError::None; }
    int code() const { return static_cast<int>(error); }

    static ArchiveResult success() { return {}; }
    static ArchiveResult failure(ArchiveError e, std::string msg) { return {e, std::move(msg)}; }
};

}  // namespace archiver
