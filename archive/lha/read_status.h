#pragma once
// How reading an archive went: a kind the caller can act on, and a short
// detail in plain words (byte offsets, method ids) for the message it builds.
#include <string>

namespace lha {

enum class ReadError {
    None,
    NotArchive,         // no LHA header where one must stand
    BadHeader,          // a header that is damaged or contradicts itself
    Truncated,          // the file ends inside a header or an entry's data
    UnsupportedMethod,  // a method this reader does not decode
    BadData,            // compressed data that cannot be decoded, or that decodes to another size
    CrcMismatch,        // decoded data whose CRC differs from the header's
    ReadFailed,         // the file could not be read
    Stopped,            // the sink refused the data (a write failed, or the user cancelled)
};

struct ReadStatus {
    ReadError error = ReadError::None;
    std::string detail;
    explicit operator bool() const { return error == ReadError::None; }
};

}  // namespace lha
