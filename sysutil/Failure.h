#pragma once
// One failure, as every layer reports it: what kind, the system's cause when
// there is one, and the text of the layer that knew what was being done.
// Each layer composes its text once, from what it knows; the layer above
// shows it or composes its own from the kind, the cause and the names.
#include <cstddef>
#include <string>
#include <system_error>
#include <utility>
#include <vector>

namespace sysutil {

enum class FailureKind {
    None,
    NoSpace,     // the disk, or the user's quota on it, is full
    ReadFailed,  // a file or folder could not be read
    WriteFailed,
    Refused,     // not attempted: what was asked cannot be done as it stands
    NotStarted,  // no program was started, nothing was opened
};

// Whether the system said the disk or the quota is full: ENOSPC and EDQUOT,
// and Windows' ERROR_DISK_FULL and ERROR_HANDLE_DISK_FULL.
bool isDiskFull(const std::error_code& ec);

struct Failure {
    FailureKind kind = FailureKind::None;
    std::error_code code;  // the system's cause; empty when none is known
    std::string detail;    // in Japanese, as it stands; "" when no reason is known
    // What a failure left behind: the first few by name, then how many more.
    std::vector<std::string> names;
    std::size_t unnamed = 0;

    bool ok() const { return kind == FailureKind::None; }

    static Failure of(FailureKind kind, std::string detail, std::error_code code = {}) {
        return {kind, code, std::move(detail), {}, 0};
    }
    // A write that failed: NoSpace when the disk is full. `what` says what
    // could not be written; the system's words follow on a line of their own.
    static Failure writing(const std::string& what, const std::error_code& code);
    static Failure reading(const std::string& what, const std::error_code& code);
};

// A value and how getting it failed; the value is empty unless ok().
template <typename T>
struct Result {
    T value{};
    Failure failure;
    bool ok() const { return failure.ok(); }
};

// The first five of a list for a message, each on a line of its own, then
// "ほか N 件" for the rest, `unnamed` more than the list holds among them.
std::string firstFive(const std::vector<std::string>& items, std::size_t unnamed = 0);

}  // namespace sysutil
