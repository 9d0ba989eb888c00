#pragma once
// Writes an LHA archive entry by entry into an already open output.
//
// A file that fits one piece is read whole and compressed by one worker
// thread while the next ones are read and compressed beside it; its header
// and data are written once it is done, in the order the entries were added.
// A bigger file streams from its source into the archive, its pieces
// compressed on both workers, and its header is filled in afterwards by
// seeking back. The workers keep their tables and buffers for the whole
// archive, and the archive is the same byte for byte however they ran.
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <system_error>
#include <vector>

#include "archive/lha/file_io.h"
#include "archive/lha/header.h"
#include "archive/lha/lzh_encoder.h"
#include "archive/lha/method.h"
#include "archive/lha/workers.h"

namespace lha {

enum class WriteError { None, ReadFailed, WriteFailed, TooLarge, Cancelled };

struct WriteStatus {
    WriteError error = WriteError::None;
    std::string detail;
    std::error_code cause;  // what the system said, for a failed write
    explicit operator bool() const { return error == WriteError::None; }
};

// Called with the source bytes consumed so far of the current entry; returning
// false cancels the write.
using ByteProgress = std::function<bool(std::uint64_t bytesDone)>;

class LhaWriter {
public:
    // `threads` compress; with 0 everything runs on the calling thread.
    explicit LhaWriter(ArchiveOutput& out, unsigned threads = 2);
    ~LhaWriter();
    LhaWriter(const LhaWriter&) = delete;
    LhaWriter& operator=(const LhaWriter&) = delete;

    WriteStatus addDirectory(EntryHeader entry);
    // `entry` carries the path, times and attributes; sizes, CRC and method are
    // filled in here. The method falls back to -lh0- when it cannot shrink the
    // file. The source is read to its end before this returns; a failure to
    // write what was added before may show here or in finish().
    WriteStatus addFile(EntryHeader entry, InputFile& source, std::uint64_t size, const Method& method,
                        const ByteProgress& progress);
    // Writes what is still being compressed, then the end-of-archive mark.
    WriteStatus finish();

private:
    // An entry read and handed to a worker, waiting for its turn to be written.
    struct Queued {
        EntryHeader entry;
        bool isFile = false;
        Method method = kLh5;
        std::size_t size = 0;              // of the file
        std::vector<std::uint8_t> data;    // the whole file, at its start
        std::vector<std::uint8_t> packed;  // compressed, unless stored
        bool stored = false;               // the worker's answer, once it is done
        Prices prices;
        bool compressing = false;  // to be compressed by a worker
        bool posted = false;       // handed over, with the batch that `ticket` names
        std::uint64_t ticket = 0;
    };

    WriteStatus queueFile(EntryHeader entry, InputFile& source, std::uint64_t size, const Method& method,
                          const ByteProgress& progress);
    WriteStatus streamFile(EntryHeader entry, InputFile& source, std::uint64_t size, const Method& method,
                           const ByteProgress& progress);
    Queued& takeSlot(std::uint64_t size);
    void postBatch();
    static void compress(Queued& q, PieceCoder& coder);
    WriteStatus writeFinished(bool all);
    WriteStatus writeQueued();
    void waitFor(std::uint64_t ticket);
    WriteStatus writeHeaderAt(std::uint64_t offset, const EntryHeader& entry);
    WriteStatus outputFailed(const char* what) const;
    bool looksCompressible(InputFile& source, std::uint64_t size, const Method& method);
    WriteStatus compressInto(InputFile& source, std::uint64_t size, const Method& method, const ByteProgress& progress,
                             std::uint16_t& crc, std::uint64_t& packed, std::uint64_t& read);
    WriteStatus storeInto(InputFile& source, const ByteProgress& progress, std::uint16_t& crc, std::uint64_t& packed);

    ArchiveOutput& out_;
    std::vector<std::uint8_t> readBuffer_;
    // Destroyed in reverse: the encoder waits for its pieces, the workers
    // finish what they run, and only then go the entries they worked on.
    std::deque<std::unique_ptr<Queued>> queue_;
    std::vector<std::unique_ptr<Queued>> spare_;
    std::uint64_t queuedBytes_ = 0;
    std::vector<Queued*> batch_;  // read, not yet handed to a worker
    std::uint64_t batchBytes_ = 0;
    std::uint64_t lastWaited_ = ~std::uint64_t{0};
    Workers workers_;
    std::optional<LzhEncoder> encoder_;
};

}  // namespace lha
