#include "archive/lha/lha_writer.h"

#include <array>
#include <limits>
#include <vector>

#include "archive/lha/crc16.h"
#include "archive/lha/lzh_encoder.h"

namespace lha {
namespace {

constexpr std::size_t kReadChunk = 256 * 1024;
constexpr std::uint64_t kSampleSize = 64 * 1024;
constexpr std::uint64_t kMaxEntrySize = std::numeric_limits<std::uint32_t>::max();

WriteStatus fail(WriteError e, std::string detail) {
    return {e, std::move(detail)};
}

}  // namespace

bool looksCompressible(InputFile& source, std::uint64_t size, const Method& method) {
    if (size <= 4 * kSampleSize) return true;  // small: just try the real thing
    // The method's window with a quick lazy parse: whether there is anything
    // to gain shows long before the best parse would find all of it.
    Method quick = method;
    quick.maxChain = 8;
    quick.niceLength = 32;
    quick.lazyLength = 16;
    quick.goodLength = 8;
    quick.optimalParse = false;
    const std::array<std::uint64_t, 3> starts{0, size / 2, size - kSampleSize};
    std::uint64_t in = 0, out = 0;
    std::vector<std::uint8_t> buf(kSampleSize);
    for (auto start : starts) {
        if (!source.seek(start)) return true;
        const std::size_t n = source.read(buf.data(), buf.size());
        LzhEncoder enc(quick, [&](const std::uint8_t*, std::size_t s) { out += s; });
        enc.write(buf.data(), n);
        enc.finish();
        in += n;
    }
    source.rewind();
    return out < in - in / 64;  // at least 1.5% saved
}

WriteStatus LhaWriter::writeHeaderAt(std::uint64_t offset, const EntryHeader& entry) {
    const auto header = buildLevel2Header(entry);
    if (header.size() > 0xFFFF) return fail(WriteError::TooLarge, "path too long for an LHA header");
    const std::uint64_t back = out_.tell();
    const bool seekBack = offset != back;
    if (seekBack && !out_.seek(offset)) return fail(WriteError::WriteFailed, "seek");
    if (!out_.write(header.data(), header.size())) return fail(WriteError::WriteFailed, "write");
    if (seekBack && !out_.seek(back)) return fail(WriteError::WriteFailed, "seek");
    return {};
}

WriteStatus LhaWriter::addDirectory(EntryHeader entry) {
    entry.method = kDirectoryId;
    entry.compressedSize = entry.originalSize = 0;
    entry.dataCrc = 0;
    entry.name.clear();
    entry.nameUtf16.clear();
    entry.dosAttributes = 0x10;
    return writeHeaderAt(out_.tell(), entry);
}

namespace {

// Reads the source to its end, handing each chunk to `consume` (false: the
// output failed), with its CRC and the progress callback along the way.
template <typename Consume>
WriteStatus readThrough(InputFile& source, const ByteProgress& progress, std::uint16_t& crc, std::uint64_t& done,
                        Consume consume) {
    std::vector<std::uint8_t> buf(kReadChunk);
    crc = 0;
    done = 0;
    for (;;) {
        const std::size_t n = source.read(buf.data(), buf.size());
        if (source.failed()) return fail(WriteError::ReadFailed, "read");
        if (n == 0) return {};
        crc = crc16(crc, buf.data(), n);
        if (!consume(buf.data(), n)) return fail(WriteError::WriteFailed, "write");
        done += n;
        if (progress && !progress(done)) return fail(WriteError::Cancelled, "");
    }
}

}  // namespace

WriteStatus LhaWriter::compressInto(InputFile& source, const Method& method, const ByteProgress& progress,
                                    std::uint16_t& crc, std::uint64_t& packed, std::uint64_t& read) {
    bool writeOk = true;
    LzhEncoder enc(method, [&](const std::uint8_t* d, std::size_t s) {
        if (writeOk) writeOk = out_.write(d, s);
    });
    if (auto s = readThrough(source, progress, crc, read,
                             [&](const std::uint8_t* d, std::size_t n) {
                                 enc.write(d, n);
                                 return writeOk;
                             });
        !s)
        return s;
    enc.finish();
    if (!writeOk) return fail(WriteError::WriteFailed, "write");
    packed = enc.bytesOut();
    return {};
}

WriteStatus LhaWriter::storeInto(InputFile& source, const ByteProgress& progress, std::uint16_t& crc,
                                 std::uint64_t& packed) {
    return readThrough(source, progress, crc, packed,
                       [&](const std::uint8_t* d, std::size_t n) { return out_.write(d, n); });
}

WriteStatus LhaWriter::addFile(EntryHeader entry, InputFile& source, std::uint64_t size, const Method& method,
                               const ByteProgress& progress) {
    if (size > kMaxEntrySize) return fail(WriteError::TooLarge, "file larger than 4 GiB");
    const std::uint64_t headerAt = out_.tell();
    // A provisional header reserves the room; sizes and CRC do not change its length.
    entry.method = method.id;
    if (auto s = writeHeaderAt(headerAt, entry); !s) return s;
    const std::uint64_t dataAt = out_.tell();

    std::uint16_t crc = 0;
    std::uint64_t packed = 0;
    std::uint64_t read = 0;
    bool stored = size == 0 || !looksCompressible(source, size, method);
    if (!stored) {
        if (auto s = compressInto(source, method, progress, crc, packed, read); !s) return s;
        if (packed >= size) {  // did not shrink after all: store instead
            if (!source.rewind() || !out_.seek(dataAt)) return fail(WriteError::WriteFailed, "seek");
            stored = true;
        }
    }
    if (stored) {
        if (auto s = storeInto(source, progress, crc, packed); !s) return s;
        read = packed;
    }
    // A file that changed size while it was read would make a lying header.
    if (read != size) return fail(WriteError::ReadFailed, "file changed while reading");

    entry.method = stored ? kStoredId : method.id;
    entry.compressedSize = static_cast<std::uint32_t>(packed);
    entry.originalSize = static_cast<std::uint32_t>(size);
    entry.dataCrc = crc;
    const std::uint64_t end = dataAt + packed;
    if (out_.tell() != end && !out_.seek(end)) return fail(WriteError::WriteFailed, "seek");
    return writeHeaderAt(headerAt, entry);
}

WriteStatus LhaWriter::finish() {
    const std::uint8_t endMark = 0;
    if (!out_.write(&endMark, 1)) return fail(WriteError::WriteFailed, "write");
    return {};
}

}  // namespace lha
