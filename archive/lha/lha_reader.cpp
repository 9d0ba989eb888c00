#include "archive/lha/lha_reader.h"

#include <algorithm>
#include <cstring>
#include <unordered_map>
#include <vector>

#include "archive/lha/bit_reader.h"
#include "archive/lha/crc16.h"
#include "archive/lha/decoders.h"
#include "archive/lha/header_reader.h"

namespace lha {
namespace {

// Self-extracting archives put their program first; theirs fit well within this.
constexpr std::uint64_t kSearchLimit = 256 * 1024;
// Header bytes the search may read beyond the file's size. A real payload's
// headers lie side by side, so walking them reads less than the file; fake
// headers that overlap, each reaching over the next, would otherwise be read
// again from every place one begins, quadratic in the file's size.
constexpr std::uint64_t kSearchSlack = 8 << 20;

ReadStatus decodeStored(ByteSource& source, const Entry& e, const DataSink& sink) {
    if (e.packedSize != e.originalSize) return {ReadError::BadData, "stored data of another size than declared"};
    std::vector<std::uint8_t> buf(static_cast<std::size_t>(std::min<std::uint64_t>(e.packedSize, 256 * 1024)));
    std::uint16_t crc = 0;
    for (std::uint64_t done = 0; done < e.packedSize;) {
        const auto want = static_cast<std::size_t>(std::min<std::uint64_t>(buf.size(), e.packedSize - done));
        const std::size_t got = source.readAt(e.dataOffset + done, buf.data(), want);
        if (got != want) return {source.failed() ? ReadError::ReadFailed : ReadError::Truncated, ""};
        crc = crc16(crc, buf.data(), got);
        if (sink && !sink(buf.data(), got)) return {ReadError::Stopped, ""};
        done += got;
    }
    if (crc != e.dataCrc) return {ReadError::CrcMismatch, ""};
    return {};
}

Decoded runDecoder(const Format& f, BitReader& in, OutputWindow& out) {
    switch (f.coding) {
        case Coding::StaticHuffman:
            return decodeStaticHuffman(f, in, out);
        case Coding::AdaptiveHuffman:
            return decodeAdaptiveHuffman(in, out);
        case Coding::DynamicHuffman:
            return decodeDynamicHuffman(in, out);
        case Coding::EarlyStaticHuffman:
            return decodeEarlyStaticHuffman(in, out);
        case Coding::Pmarc1:
            return decodePmarc1(in, out);
        case Coding::Pmarc2:
            return decodePmarc2(in, out);
        case Coding::LarcLzs:
            return decodeLarcLzs(in, out);
        case Coding::LarcLz5:
            return decodeLarcLz5(in, out);
        case Coding::Stored:
        case Coding::Directory:
            break;
    }
    return Decoded::Corrupt;
}

// XMODEM and CP/M filled a file's last block with 0x1A: archives that
// travelled so end in less than a block (1 KiB at most) of it, with or
// without an end mark before it, and their size is whole blocks (128
// bytes each). An archive cut short after a header's first byte, 0x1A
// for a 26-byte header, is no such file.
bool onlyPaddingFrom(ByteSource& source, std::uint64_t at) {
    std::uint8_t buf[1024];
    if (at == source.size()) return true;
    if (at > source.size() || source.size() - at > sizeof buf || source.size() % 128 != 0) return false;
    const auto want = static_cast<std::size_t>(source.size() - at);
    if (source.readAt(at, buf, want) != want) return false;
    return std::all_of(buf, buf + want, [](std::uint8_t b) { return b == 0x1A; });
}

// The file with its first bytes at hand: the search for a self-extractor's
// archive reads a header at every place one may begin.
class SearchArea : public ByteSource {
public:
    SearchArea(ByteSource& file, std::uint64_t length) : file_(file) {
        bytes_.resize(static_cast<std::size_t>(std::min(length, file.size())));
        bytes_.resize(file.readAt(0, bytes_.data(), bytes_.size()));
    }
    std::uint64_t size() const override { return file_.size(); }
    std::size_t readAt(std::uint64_t offset, void* buffer, std::size_t count) override {
        read_ += count;
        if (offset > bytes_.size() || count > bytes_.size() - offset) return file_.readAt(offset, buffer, count);
        std::memcpy(buffer, bytes_.data() + offset, count);
        return count;
    }
    bool failed() const override { return file_.failed(); }
    const std::vector<std::uint8_t>& bytes() const { return bytes_; }
    // The search has read as much as it may: what it found so far must do.
    bool spent() const { return read_ > file_.size() + kSearchSlack; }

private:
    ByteSource& file_;
    std::vector<std::uint8_t> bytes_;
    std::uint64_t read_ = 0;
};

// Whether the headers from `at` on lead, entry by entry, to an end mark that
// closes the file, as a self-extractor's payload does. What each header's
// chain came to is kept, so that no header is walked twice however many
// chains pass through it.
class ChainEnds {
public:
    explicit ChainEnds(SearchArea& source) : source_(source) {}

    bool fromHere(std::uint64_t at) {
        std::vector<std::uint64_t> walked;
        bool ends = false;
        Entry e;
        for (bool atEnd = false;;) {
            if (auto known = verdict_.find(at); known != verdict_.end()) {
                ends = known->second;
                break;
            }
            walked.push_back(at);
            if (source_.spent()) break;
            if (!readHeader(source_, at, e, atEnd)) {
                ends = walked.size() > 1 && onlyPaddingFrom(source_, at);
                break;
            }
            if (atEnd) {
                ends = onlyPaddingFrom(source_, at + 1);
                break;
            }
            at = e.dataOffset + e.packedSize;
        }
        for (auto w : walked) verdict_[w] = ends;
        return ends;
    }

private:
    SearchArea& source_;
    std::unordered_map<std::uint64_t, bool> verdict_;
};

}  // namespace

ReadStatus Reader::findStart(Entry& first, bool& atEnd) {
    // A lone end mark is what LHA archivers write for an empty selection.
    std::uint8_t lead = 1;
    if (source_.readAt(0, &lead, 1) == 1 && lead == 0 && onlyPaddingFrom(source_, 1)) {
        atEnd = true;
        return {};
    }
    // A header in place at the start that does not parse is a damaged
    // archive, not another kind of file.
    if (looksLikeHeader(source_, 0)) {
        auto s = readHeader(source_, 0, first, atEnd);
        return s && atEnd ? ReadStatus{ReadError::NotArchive, "no entry"} : s;
    }
    // A self-extractor's program may carry small archives of its own; its
    // payload is the one that ends the file, else the first that reads.
    const std::uint64_t limit = std::min(source_.size(), kSearchLimit);
    SearchArea area(source_, limit + 64 * 1024);
    const auto& bytes = area.bytes();
    std::optional<std::uint64_t> candidate;
    ChainEnds chains(area);
    for (std::uint64_t at = 1; at < limit && at + 21 <= bytes.size() && !area.spent(); ++at) {
        const std::uint8_t* b = bytes.data() + at;
        if (b[2] != '-' || b[6] != '-' || (b[3] != 'l' && b[3] != 'p') || b[20] > 3) continue;
        if (!readHeader(area, at, first, atEnd) || atEnd) continue;
        if (chains.fromHere(at)) return readHeader(source_, at, first, atEnd);
        if (!candidate) candidate = at;
    }
    if (candidate) return readHeader(source_, *candidate, first, atEnd);
    atEnd = false;
    return {ReadError::NotArchive, "no LHA header"};
}

ReadStatus Reader::next(std::optional<Entry>& entry) {
    entry.reset();
    Entry e;
    bool atEnd = false;
    ReadStatus s;
    if (!started_) {
        s = findStart(e, atEnd);
        started_ = true;
    } else {
        s = readHeader(source_, offset_, e, atEnd);
        // No header there, or a cut-short one: padding ends the archive too.
        if (!s && s.error != ReadError::ReadFailed && onlyPaddingFrom(source_, offset_)) return {};
        if (s.error == ReadError::NotArchive) s = {ReadError::BadHeader, "no header where the next must stand"};
    }
    if (!s || atEnd) return s;
    offset_ = e.dataOffset + e.packedSize;
    entry = std::move(e);
    return {};
}

ReadStatus decodeEntry(ByteSource& source, const Entry& e, const DataSink& sink) {
    const Format* f = findFormat(e.method);
    if (!f) return {ReadError::UnsupportedMethod, e.method};
    if (f->coding == Coding::Directory) return {};
    if (f->coding == Coding::Stored) return decodeStored(source, e, sink);

    BitReader in(source, e.dataOffset, e.packedSize);
    OutputWindow out(f->dictBits, e.originalSize, sink);
    const Decoded d = runDecoder(*f, in, out);
    if (d == Decoded::Done && !out.flush()) return {ReadError::Stopped, ""};
    if (in.readFailed()) return {ReadError::ReadFailed, ""};
    switch (d) {
        case Decoded::Stopped:
            return {ReadError::Stopped, ""};
        case Decoded::PastDeclaredSize:
            return {ReadError::BadData, "data beyond the declared size"};
        case Decoded::Corrupt:
            return {ReadError::BadData, in.exhausted() ? "data ends early" : "undecodable data"};
        case Decoded::Done:
            break;
    }
    // PMarc's -pm1- writers count on zero bits past the data's end.
    if (in.overran() && f->coding != Coding::Pmarc1) return {ReadError::BadData, "data ends early"};
    if (out.crc() != e.dataCrc) return {ReadError::CrcMismatch, ""};
    return {};
}

}  // namespace lha
