#pragma once
// Reading LHA archives: the entries one after another, and each entry's data
// decoded with its size and CRC checked. Nothing here writes a file.
#include <optional>

#include "archive/lha/byte_source.h"
#include "archive/lha/entry.h"
#include "archive/lha/output_window.h"
#include "archive/lha/read_status.h"

namespace lha {

class Reader {
public:
    explicit Reader(ByteSource& source) : source_(source) {}

    // The next entry, or an empty `entry` at the end of the archive. The first
    // call finds the archive: at the start of the file, or behind the program
    // of a self-extracting one.
    ReadStatus next(std::optional<Entry>& entry);

private:
    ReadStatus findStart(Entry& first, bool& atEnd);

    ByteSource& source_;
    std::uint64_t offset_ = 0;
    bool started_ = false;
};

// Decodes the entry's data into `sink`: exactly its declared size, matching
// its CRC, or a failure that says which of them it missed.
ReadStatus decodeEntry(ByteSource& source, const Entry& entry, const DataSink& sink);

}  // namespace lha
