#pragma once
// An entry's path: decoded from the archive's bytes into UTF-8, split into
// folders, and checked to stay inside the destination.
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "archive/lha/entry.h"

namespace archiver {

struct StoredPath {
    std::vector<std::string> components;  // UTF-8, as stored (empty ones included)
    bool nameless = false;                // no file name after the last folder
    // The path for listings and messages: printable (see printableText), and
    // bytes the name's encoding does not decode shown as \xHH, not as U+FFFD.
    std::string shown;
};

// UTF-16 extensions where present; otherwise the bytes in the code page the
// entry names, else CP932 for archives from MS-DOS and Windows, else UTF-8
// where the bytes are valid UTF-8, else CP932. Folders are separated by 0xFF,
// '/' and '\' (a '\' that is the second byte of a CP932 character is not one).
StoredPath storedPath(const lha::Entry& entry);

// The components of a stored path when it is safe to write below a folder:
// each a name Windows can hold (no "..", drive, device name, control or
// reserved character, and no separator that decoding brought into one
// component). Empty and "." components drop out, so a leading separator
// means the archive's top. nullopt when unsafe; an empty vector for the
// folder itself.
std::optional<std::vector<std::string>> safeComponents(const std::vector<std::string>& components);

// Text from an archive as it may be shown: control characters and bytes
// that are no UTF-8 as \xHH, C1 controls and the bidirectional overrides
// as \uHHHH, so that a hostile archive cannot drive a terminal or dress
// one name up as another.
std::string printableText(std::string_view text);

// A name for messages: components printable as above, joined by '/' (empty ones left out).
std::string printableName(const std::vector<std::string>& components);

}  // namespace archiver
