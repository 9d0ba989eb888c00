#pragma once
// Parses LHA headers of levels 0 to 3, every length checked against the file
// before it is trusted, checksums and header CRCs verified.
#include <cstdint>

#include "archive/lha/byte_source.h"
#include "archive/lha/entry.h"
#include "archive/lha/read_status.h"

namespace lha {

// Parses the header at `offset` into `entry`. `atEnd` is set instead when the
// archive's end mark (or the end of the file) stands there.
ReadStatus readHeader(ByteSource& source, std::uint64_t offset, Entry& entry, bool& atEnd);

// Whether the bytes at `offset` begin like a header: its method field is in place.
bool looksLikeHeader(ByteSource& source, std::uint64_t offset);

}  // namespace lha
