#pragma once
// Writes an LHA archive entry by entry into an already open output file.
// Each entry's header is written after its data, by seeking back, so data
// streams straight from the source file into the archive.
#include <cstdint>
#include <functional>
#include <string>

#include "archive/lha/file_io.h"
#include "archive/lha/header.h"
#include "archive/lha/method.h"

namespace lha {

enum class WriteError { None, ReadFailed, WriteFailed, TooLarge, Cancelled };

struct WriteStatus {
    WriteError error = WriteError::None;
    std::string detail;
    explicit operator bool() const { return error == WriteError::None; }
};

// Called with the source bytes consumed so far of the current entry; returning
// false cancels the write.
using ByteProgress = std::function<bool(std::uint64_t bytesDone)>;

class LhaWriter {
public:
    explicit LhaWriter(OutputFile& out) : out_(out) {}

    WriteStatus addDirectory(EntryHeader entry);
    // `entry` carries the path, times and attributes; sizes, CRC and method are
    // filled in here. The method falls back to -lh0- when it cannot shrink the file.
    WriteStatus addFile(EntryHeader entry, InputFile& source, std::uint64_t size, const Method& method,
                        const ByteProgress& progress);
    // Writes the end-of-archive mark.
    WriteStatus finish();

private:
    WriteStatus writeHeaderAt(std::uint64_t offset, const EntryHeader& entry);
    WriteStatus compressInto(InputFile& source, const Method& method, const ByteProgress& progress, std::uint16_t& crc,
                             std::uint64_t& packed, std::uint64_t& read);
    WriteStatus storeInto(InputFile& source, const ByteProgress& progress, std::uint16_t& crc, std::uint64_t& packed);

    OutputFile& out_;
};

// Whether sampled parts of the file shrink under the method; a quick test so
// that incompressible data is stored without a full compression pass.
bool looksCompressible(InputFile& source, std::uint64_t size, const Method& method);

}  // namespace lha
