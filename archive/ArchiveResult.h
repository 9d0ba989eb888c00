#pragma once
// The outcome of one archiver command: a code the callers test, a Japanese
// message they can show as it stands, and the system's cause when one is
// known (a full disk is told from other write errors by it).
#include <exception>
#include <new>
#include <string>
#include <system_error>

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
    std::error_code cause;

    bool ok() const { return error == ArchiveError::None; }
    int code() const { return static_cast<int>(error); }

    static ArchiveResult success() { return {}; }
    static ArchiveResult failure(ArchiveError e, std::string msg, std::error_code ec = {}) {
        return {e, std::move(msg), ec};
    }
};

// Whether an extraction failed for what the archive is, not for where it
// was going: no archive, damaged, a method or an entry it cannot take, or
// unreadable. Reading and planning fail only so; writing and placing never do.
inline bool archiveAtFault(ArchiveError e) {
    switch (e) {
        case ArchiveError::NotArchive:
        case ArchiveError::UnsupportedMethod:
        case ArchiveError::Corrupt:
        case ArchiveError::UnsafeEntry:
        case ArchiveError::ReadFailed:
            return true;
        default:
            return false;
    }
}

// Runs archive work and turns an exception thrown in it (memory running out,
// a progress report that fails) into a failure, so that the caller still
// removes what the work left half done.
template <typename Work>
ArchiveResult guarded(Work&& work, ArchiveError kind, const std::string& message) {
    try {
        return work();
    } catch (const std::bad_alloc&) {
        return ArchiveResult::failure(kind, message + " (メモリが足りません)");
    } catch (const std::exception& e) {
        return ArchiveResult::failure(kind, message + " (" + e.what() + ")");
    }
}

}  // namespace archiver
