#include "archive/lha/lha_writer.h"

#include <array>
#include <limits>

#include "archive/lha/crc16.h"

namespace lha {
namespace {

constexpr std::size_t kReadChunk = 256 * 1024;
constexpr std::uint64_t kMaxEntrySize = std::numeric_limits<std::uint32_t>::max();
// Files read ahead of the one being written: enough that a long one does not
// leave the other worker idle, few enough that their buffers stay small.
constexpr std::uint64_t kQueueBytes = 2 << 20;
constexpr std::size_t kQueueFiles = 256;
// Small files go to a worker together, so that handing them over costs less
// than compressing them.
constexpr std::uint64_t kBatchBytes = 64 * 1024;
constexpr std::size_t kBatchFiles = 32;

WriteStatus fail(WriteError e, std::string detail) {
    return {e, std::move(detail), {}};
}

// Whether the samples shrink under the method's quick parse (see sampleMethod).
bool samplesShrink(PieceCoder& coder, const Method& method, const std::array<const std::uint8_t*, 3>& samples,
                   const std::array<std::size_t, 3>& sizes, std::vector<std::uint8_t>& scratch) {
    const Method quick = sampleMethod(method);
    Prices prices;
    std::uint64_t in = 0, out = 0;
    for (std::size_t i = 0; i < samples.size(); ++i) {
        prices.setInitial(quick);
        scratch.clear();
        coder.code(quick, samples[i], 0, sizes[i], prices, scratch);
        in += sizes[i];
        out += scratch.size();
    }
    return out < in - in / kSampleSaving;
}

// Where the samples of a file of `size` bytes start.
std::array<std::uint64_t, 3> sampleStarts(std::uint64_t size) {
    return {0, size / 2, size - kSampleSize};
}

}  // namespace

LhaWriter::LhaWriter(ArchiveOutput& out, unsigned threads) : out_(out), workers_(threads) {}

LhaWriter::~LhaWriter() = default;

// The output failed: what the system said goes along, so that a full disk
// can be told apart.
WriteStatus LhaWriter::outputFailed(const char* what) const {
    return {WriteError::WriteFailed, what, out_.error()};
}

WriteStatus LhaWriter::writeHeaderAt(std::uint64_t offset, const EntryHeader& entry) {
    const auto header = buildLevel2Header(entry);
    if (header.size() > 0xFFFF) return fail(WriteError::TooLarge, "path too long for an LHA header");
    const std::uint64_t back = out_.tell();
    const bool seekBack = offset != back;
    if (seekBack && !out_.seek(offset)) return outputFailed("seek");
    if (!out_.write(header.data(), header.size())) return outputFailed("write");
    if (seekBack && !out_.seek(back)) return outputFailed("seek");
    return {};
}

WriteStatus LhaWriter::addDirectory(EntryHeader entry) {
    entry.method = kDirectoryId;
    entry.compressedSize = entry.originalSize = 0;
    entry.dataCrc = 0;
    entry.name.clear();
    entry.nameUtf16.clear();
    entry.dosAttributes = 0x10;
    if (queue_.empty()) return writeHeaderAt(out_.tell(), entry);
    Queued& q = takeSlot(0);
    q.entry = std::move(entry);
    q.isFile = false;
    q.size = 0;
    return writeFinished(false);
}

WriteStatus LhaWriter::addFile(EntryHeader entry, InputFile& source, std::uint64_t size, const Method& method,
                               const ByteProgress& progress) {
    if (size > kMaxEntrySize) return fail(WriteError::TooLarge, "file larger than 4 GiB");
    entry.method = method.id;
    if (buildLevel2Header(entry).size() > 0xFFFF) return fail(WriteError::TooLarge, "path too long for an LHA header");
    if (size <= LzhEncoder::wholeLimit(method)) return queueFile(std::move(entry), source, size, method, progress);
    if (auto s = writeFinished(true); !s) return s;
    return streamFile(std::move(entry), source, size, method, progress);
}

WriteStatus LhaWriter::finish() {
    if (auto s = writeFinished(true); !s) return s;
    const std::uint8_t endMark = 0;
    if (!out_.write(&endMark, 1)) return outputFailed("write");
    return {};
}

// Moves a spare slot to the end of the queue: the one whose buffer fits
// `size` most closely, else the biggest, so that buffers grow seldom.
LhaWriter::Queued& LhaWriter::takeSlot(std::uint64_t size) {
    const std::uint64_t need = size + 1;
    auto best = spare_.end();
    for (auto it = spare_.begin(); it != spare_.end(); ++it) {
        const std::size_t has = (*it)->data.size();
        if (best == spare_.end()) {
            best = it;
            continue;
        }
        const std::size_t had = (*best)->data.size();
        if (has >= need ? (had < need || has < had) : (had < need && has > had)) best = it;
    }
    if (best == spare_.end()) {
        queue_.push_back(std::make_unique<Queued>());
    } else {
        queue_.push_back(std::move(*best));
        spare_.erase(best);
    }
    Queued& q = *queue_.back();
    q.posted = q.compressing = false;
    return q;
}

WriteStatus LhaWriter::queueFile(EntryHeader entry, InputFile& source, std::uint64_t size, const Method& method,
                                 const ByteProgress& progress) {
    while (!queue_.empty() && (queuedBytes_ + size > kQueueBytes || queue_.size() >= kQueueFiles))
        if (auto s = writeQueued(); !s) return s;
    Queued& q = takeSlot(size);
    q.isFile = true;
    q.size = static_cast<std::size_t>(size);
    q.method = method;
    q.stored = true;
    // An entry that failed to be read leaves the queue again.
    auto drop = [&](WriteStatus s) {
        spare_.push_back(std::move(queue_.back()));
        queue_.pop_back();
        return s;
    };
    // The whole file, and a byte more to tell whether it grew since its size
    // was taken. The buffer keeps its size: bytes past the file are left as they are.
    if (q.data.size() < q.size + 1) q.data.resize(q.size + 1);
    std::size_t got = 0;
    for (std::size_t n = 1; n > 0 && got < q.size + 1; got += n) n = source.read(q.data.data() + got, q.size + 1 - got);
    if (source.failed()) return drop(fail(WriteError::ReadFailed, "read"));
    // A file that changed size while it was read would make a lying header.
    if (got != size) return drop(fail(WriteError::ReadFailed, "file changed while reading"));
    if (progress && !progress(size)) return drop(fail(WriteError::Cancelled, ""));
    queuedBytes_ += size;

    entry.dataCrc = crc16(0, q.data.data(), q.size);
    entry.originalSize = static_cast<std::uint32_t>(size);
    q.entry = std::move(entry);
    if (size != 0) {
        q.compressing = true;
        batch_.push_back(&q);
        batchBytes_ += size;
        if (batchBytes_ >= kBatchBytes || batch_.size() >= kBatchFiles) postBatch();
    }
    return writeFinished(false);
}

// Hands the files read since the last batch to a worker.
void LhaWriter::postBatch() {
    if (batch_.empty()) return;
    const std::uint64_t ticket = workers_.post([files = batch_](PieceCoder& coder) {
        for (Queued* q : files) compress(*q, coder);
    });
    for (Queued* q : batch_) {
        q->ticket = ticket;
        q->posted = true;
    }
    batch_.clear();
    batchBytes_ = 0;
}

// On a worker: compresses a queued file, or finds it is better stored.
void LhaWriter::compress(Queued& q, PieceCoder& coder) {
    const std::size_t n = q.size;
    if (n > kSampledAbove) {
        const auto starts = sampleStarts(n);
        const std::array<const std::uint8_t*, 3> samples{q.data.data() + starts[0], q.data.data() + starts[1],
                                                         q.data.data() + starts[2]};
        q.stored = !samplesShrink(coder, q.method, samples, {kSampleSize, kSampleSize, kSampleSize}, q.packed);
        if (q.stored) return;
    }
    q.packed.clear();
    q.prices.setInitial(q.method);
    coder.code(q.method, q.data.data(), 0, n, q.prices, q.packed);
    q.stored = q.packed.size() >= n;  // did not shrink after all
}

// Writes the queued entries in order: those already compressed, or all.
WriteStatus LhaWriter::writeFinished(bool all) {
    if (all) postBatch();
    while (!queue_.empty()) {
        const Queued& q = *queue_.front();
        const bool done = !q.compressing || (q.posted && (q.ticket == lastWaited_ || workers_.finished(q.ticket)));
        if (!all && !done) break;
        if (auto s = writeQueued(); !s) return s;
    }
    return {};
}

// Writes the oldest queued entry, waiting for its worker when it must.
WriteStatus LhaWriter::writeQueued() {
    spare_.push_back(std::move(queue_.front()));
    queue_.pop_front();
    Queued& q = *spare_.back();
    queuedBytes_ -= q.size;
    if (!q.isFile) return writeHeaderAt(out_.tell(), q.entry);
    if (q.compressing) {
        if (!q.posted) postBatch();
        waitFor(q.ticket);
    }
    const std::uint8_t* bytes = q.stored ? q.data.data() : q.packed.data();
    const std::size_t length = q.stored ? q.size : q.packed.size();
    q.entry.method = q.stored ? kStoredId : q.method.id;
    q.entry.compressedSize = static_cast<std::uint32_t>(length);
    if (auto s = writeHeaderAt(out_.tell(), q.entry); !s) return s;
    if (!out_.write(bytes, length)) return outputFailed("write");
    return {};
}

// Waits for a batch; the files that share it find it done.
void LhaWriter::waitFor(std::uint64_t ticket) {
    if (ticket == lastWaited_) return;
    workers_.wait(ticket);
    lastWaited_ = ticket;
}

bool LhaWriter::looksCompressible(InputFile& source, std::uint64_t size, const Method& method) {
    std::vector<std::uint8_t> buf(3 * kSampleSize);
    std::array<const std::uint8_t*, 3> samples{};
    std::array<std::size_t, 3> sizes{};
    const auto starts = sampleStarts(size);
    for (std::size_t i = 0; i < samples.size(); ++i) {
        if (!source.seek(starts[i])) return true;
        samples[i] = buf.data() + i * kSampleSize;
        sizes[i] = source.read(buf.data() + i * kSampleSize, kSampleSize);
    }
    source.rewind();
    bool shrinks = true;
    workers_.wait(workers_.post([&](PieceCoder& coder) {
        std::vector<std::uint8_t> scratch;
        shrinks = samplesShrink(coder, method, samples, sizes, scratch);
    }));
    return shrinks;
}

namespace {

// Reads the source to its end, handing each chunk to `consume` (false: the
// output failed), with its CRC and the progress callback along the way.
template <typename Consume>
WriteStatus readThrough(InputFile& source, std::vector<std::uint8_t>& buf, const ByteProgress& progress,
                        std::uint16_t& crc, std::uint64_t& done, Consume consume) {
    buf.resize(kReadChunk);
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

WriteStatus LhaWriter::compressInto(InputFile& source, std::uint64_t size, const Method& method,
                                    const ByteProgress& progress, std::uint16_t& crc, std::uint64_t& packed,
                                    std::uint64_t& read) {
    bool writeOk = true;
    auto sink = [&](const std::uint8_t* d, std::size_t s) {
        if (writeOk) writeOk = out_.write(d, s);
    };
    if (encoder_ && encoder_->method() == method)
        encoder_->restart(sink, size);
    else
        encoder_.emplace(method, workers_, sink, size);
    // Read straight into the encoder's pieces, a chunk at a time for the
    // progress callback.
    crc = 0;
    read = 0;
    for (;;) {
        const auto [to, room] = encoder_->room();
        const std::size_t n = source.read(to, std::min(room, kReadChunk));
        if (source.failed()) return fail(WriteError::ReadFailed, "read");
        if (n == 0) break;
        crc = crc16(crc, to, n);
        encoder_->commit(n);
        if (!writeOk) return outputFailed("write");
        read += n;
        if (progress && !progress(read)) return fail(WriteError::Cancelled, "");
    }
    encoder_->finish();
    if (!writeOk) return outputFailed("write");
    packed = encoder_->bytesOut();
    return {};
}

WriteStatus LhaWriter::storeInto(InputFile& source, const ByteProgress& progress, std::uint16_t& crc,
                                 std::uint64_t& packed) {
    auto s = readThrough(source, readBuffer_, progress, crc, packed,
                         [&](const std::uint8_t* d, std::size_t n) { return out_.write(d, n); });
    return s.error == WriteError::WriteFailed ? outputFailed("write") : s;
}

WriteStatus LhaWriter::streamFile(EntryHeader entry, InputFile& source, std::uint64_t size, const Method& method,
                                  const ByteProgress& progress) {
    const std::uint64_t headerAt = out_.tell();
    // A provisional header reserves the room; sizes and CRC do not change its length.
    if (auto s = writeHeaderAt(headerAt, entry); !s) return s;
    const std::uint64_t dataAt = out_.tell();

    std::uint16_t crc = 0;
    std::uint64_t packed = 0;
    std::uint64_t read = 0;
    bool stored = !looksCompressible(source, size, method);
    if (!stored) {
        if (auto s = compressInto(source, size, method, progress, crc, packed, read); !s) return s;
        if (packed >= size) {  // did not shrink after all: store instead
            if (!source.rewind() || !out_.seek(dataAt)) return outputFailed("seek");
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
    if (out_.tell() != end && !out_.seek(end)) return outputFailed("seek");
    return writeHeaderAt(headerAt, entry);
}

}  // namespace lha
