#include "archive/lha/lzh_encoder.h"

#include <algorithm>
#include <cstring>
#include <system_error>

#include "archive/lha/bit_writer.h"
#include "archive/lha/huffman.h"

namespace lha {
namespace {

constexpr std::size_t kOutFlush = 64 * 1024;

bool singleSymbol(const std::vector<std::uint8_t>& lengths) {
    return std::all_of(lengths.begin(), lengths.end(), [](auto l) { return l == 0; });
}

unsigned firstUsed(const std::vector<std::uint32_t>& freq) {
    for (unsigned s = 0; s < freq.size(); ++s)
        if (freq[s] != 0) return s;
    return 0;
}

// Code lengths of a small table (temp or position): 3 bits for 0..6, then a
// unary tail for 7..16. After the third entry, `special` marks where a 2-bit
// count of zero lengths may follow.
void writeSmallTable(BitWriter& bw, const std::vector<std::uint8_t>& len, unsigned sizeBits, int special) {
    unsigned n = static_cast<unsigned>(len.size());
    while (n > 0 && len[n - 1] == 0) --n;
    bw.put(sizeBits, n);
    unsigned i = 0;
    while (i < n) {
        const unsigned k = len[i++];
        if (k <= 6)
            bw.put(3, k);
        else
            bw.put(k - 3, (1u << (k - 3)) - 2);
        if (static_cast<int>(i) == special) {
            while (i < 6 && i < n && len[i] == 0) ++i;
            bw.put(2, (i - 3) & 3);
        }
    }
}

// How many literal/length code lengths a block writes: up to the last used
// symbol, and one more when every written length would otherwise be the same.
// That case needs the one-symbol form of the length table, which libarchive
// decodes wrongly; a trailing zero length keeps the ordinary form.
unsigned charLengthsToWrite(const std::vector<std::uint8_t>& charLen) {
    unsigned n = kCharSymbols;
    while (n > 0 && charLen[n - 1] == 0) --n;
    const bool allSame = std::all_of(charLen.begin(), charLen.begin() + n, [&](auto l) { return l == charLen[0]; });
    if (allSame && n < kCharSymbols) ++n;
    return n;
}

template <typename Visit>
void forEachCharLengthCode(const std::vector<std::uint8_t>& charLen, Visit visit) {
    const unsigned n = charLengthsToWrite(charLen);
    unsigned i = 0;
    while (i < n) {
        const unsigned k = charLen[i++];
        if (k != 0) {
            visit(k + 2, 0u, 0u);
            continue;
        }
        unsigned run = 1;
        while (i < n && charLen[i] == 0) {
            ++i;
            ++run;
        }
        if (run <= 2) {
            for (unsigned r = 0; r < run; ++r) visit(0, 0u, 0u);
        } else if (run <= 18) {
            visit(1, 4u, run - 3);
        } else if (run == 19) {
            visit(0, 0u, 0u);
            visit(1, 4u, 15u);
        } else {
            visit(2, kCharBits, run - 20);
        }
    }
}

}  // namespace

LzhEncoder::LzhEncoder(const Method& method, Sink sink)
    : method_(method), sink_(std::move(sink)), charFreq_(kCharSymbols, 0), posFreq_(method.positionSymbols, 0) {
    // Before the first block: bytes at 8 bits, matches a little dearer.
    prices_.symbol.resize(kCharSymbols);
    for (unsigned s = 0; s < kCharSymbols; ++s) prices_.symbol[s] = s < 256 ? 8 : 8 + std::min(4u, (s - 256) / 16);
    prices_.position.assign(method.positionSymbols, 4);
    symbols_.reserve(kMaxBlockSymbols);
    distances_.reserve(kMaxBlockSymbols);
    out_.reserve(kOutFlush * 2);
}

void LzhEncoder::write(const std::uint8_t* data, std::size_t size) {
    total_ += size;
    while (size > 0) {
        const std::size_t held = static_cast<std::size_t>(end_ - base_);
        const std::size_t room = bufferLimit() - held;
        if (room == 0) {
            startParse(false);
            slideWindow();
            continue;
        }
        const std::size_t n = std::min(room, size);
        // Grows as input comes: a small file never pays for a whole piece.
        if (buffer_.size() < held + n) buffer_.resize(std::min(bufferLimit(), std::max(held + n, 2 * buffer_.size())));
        std::memcpy(buffer_.data() + (end_ - base_), data, n);
        end_ += n;
        data += n;
        size -= n;
    }
}

void LzhEncoder::finish() {
    startParse(true);
    while (!pieces_.empty()) finishOldestParse();
    if (!symbols_.empty()) writeBlock();
    BitWriter bw(out_);
    // Flush the bit accumulator kept between blocks.
    bw.put(bitCount_, static_cast<std::uint32_t>(bitAcc_));
    bw.flush();
    bitCount_ = 0;
    bitAcc_ = 0;
    drainOutput(true);
}

void LzhEncoder::slideWindow() {
    const std::uint64_t keep = std::uint64_t{1} << method_.dictBits;
    const std::uint64_t newBase = pos_ > keep ? pos_ - keep : 0;
    if (newBase <= base_) return;
    const std::size_t shift = static_cast<std::size_t>(newBase - base_);
    std::memmove(buffer_.data(), buffer_.data() + shift, static_cast<std::size_t>(end_ - newBase));
    base_ = newBase;
}

// Hands the input not yet parsed, with the window before it, to a parser.
void LzhEncoder::startParse(bool final) {
    if (pos_ == end_) return;
    if (pieces_.size() == parsers_.size()) finishOldestParse();
    const std::uint64_t from = pos_ - std::min<std::uint64_t>(pos_ - base_, std::uint64_t{1} << method_.dictBits);
    auto piece = std::make_unique<Piece>();
    piece->data.assign(buffer_.begin() + static_cast<std::ptrdiff_t>(from - base_),
                       buffer_.begin() + static_cast<std::ptrdiff_t>(end_ - base_));
    const auto history = static_cast<std::size_t>(pos_ - from);
    const auto length = static_cast<std::size_t>(end_ - pos_);
    auto& slot = parsers_[piecesStarted_++ % parsers_.size()];
    if (!slot) slot = makeParser(method_);  // a small file needs only one
    Parser& parser = *slot;
    Piece& p = *piece;
    // A file that fits one piece is parsed right here, without a thread.
    const auto policy = final && pieces_.empty() ? std::launch::deferred : std::launch::async;
    auto work = [&parser, &p, history, length, prices = prices_] {
        parser.parse(p.data.data(), history, length, prices, p.steps);
    };
    try {
        p.done = std::async(policy, work);
    } catch (const std::system_error&) {
        p.done = std::async(std::launch::deferred, work);  // no thread to be had: parse when needed
    }
    pieces_.push_back(std::move(piece));
    pos_ = end_;
}

// Encodes the steps of the oldest piece once its parse is done.
void LzhEncoder::finishOldestParse() {
    Piece& piece = *pieces_.front();
    piece.done.get();
    for (const std::uint32_t s : piece.steps) {
        const unsigned length = step::length(s);
        if (length == 1)
            emitLiteral(static_cast<std::uint8_t>(step::payload(s)));
        else
            emitMatch(length, step::payload(s));
    }
    pieces_.pop_front();
}

void LzhEncoder::updatePrices(const std::vector<std::uint8_t>& charLen, const std::vector<std::uint8_t>& posLen) {
    // A symbol the last block did not use costs a little more than its rarest.
    const unsigned charMax = *std::max_element(charLen.begin(), charLen.end());
    const unsigned posMax = *std::max_element(posLen.begin(), posLen.end());
    for (unsigned s = 0; s < kCharSymbols; ++s) prices_.symbol[s] = charLen[s] ? charLen[s] : std::max(charMax + 2, 9u);
    for (unsigned p = 0; p < prices_.position.size(); ++p)
        prices_.position[p] = posLen[p] ? posLen[p] : std::max(posMax + 2, 5u);
}

void LzhEncoder::emitLiteral(std::uint8_t c) {
    symbols_.push_back(c);
    distances_.push_back(0);
    ++charFreq_[c];
    if (symbols_.size() == kMaxBlockSymbols) writeBlock();
}

void LzhEncoder::emitMatch(unsigned length, std::uint32_t distance) {
    const auto code = static_cast<std::uint16_t>(256 + length - kMinMatch);
    const std::uint32_t d = distance - 1;
    symbols_.push_back(code);
    distances_.push_back(static_cast<std::uint16_t>(d));
    ++charFreq_[code];
    ++posFreq_[positionSymbol(d)];
    if (symbols_.size() == kMaxBlockSymbols) writeBlock();
}

void LzhEncoder::writeBlock() {
    BitWriter bw(out_);
    // Resume the bits left over from the previous block.
    bw.put(bitCount_, static_cast<std::uint32_t>(bitAcc_));
    bitCount_ = 0;
    bitAcc_ = 0;

    const auto charLen = limitedCodeLengths(charFreq_, kMaxCodeBits);
    const auto charCode = canonicalCodes(charLen);
    const auto posLen = limitedCodeLengths(posFreq_, kMaxCodeBits);
    const auto posCode = canonicalCodes(posLen);

    bw.put(16, static_cast<std::uint32_t>(symbols_.size()));
    if (!singleSymbol(charLen)) {
        std::vector<std::uint32_t> tempFreq(kTempSymbols, 0);
        forEachCharLengthCode(charLen, [&](unsigned sym, unsigned, unsigned) { ++tempFreq[sym]; });
        const auto tempLen = limitedCodeLengths(tempFreq, kMaxCodeBits);
        const auto tempCode = canonicalCodes(tempLen);
        if (!singleSymbol(tempLen)) {
            writeSmallTable(bw, tempLen, kTempBits, kTempSkipAfter);
        } else {
            bw.put(kTempBits, 0);
            bw.put(kTempBits, firstUsed(tempFreq));
        }
        bw.put(kCharBits, charLengthsToWrite(charLen));
        forEachCharLengthCode(charLen, [&](unsigned sym, unsigned extraBits, unsigned extra) {
            bw.put(tempLen[sym], tempCode[sym]);
            bw.put(extraBits, extra);
        });
    } else {
        bw.put(kTempBits, 0);
        bw.put(kTempBits, 0);
        bw.put(kCharBits, 0);
        bw.put(kCharBits, firstUsed(charFreq_));
    }
    if (!singleSymbol(posLen)) {
        writeSmallTable(bw, posLen, method_.positionBits, -1);
    } else {
        bw.put(method_.positionBits, 0);
        bw.put(method_.positionBits, firstUsed(posFreq_));
    }

    for (std::size_t i = 0; i < symbols_.size(); ++i) {
        const unsigned s = symbols_[i];
        bw.put(charLen[s], charCode[s]);
        if (s >= 256) {
            const std::uint32_t d = distances_[i];
            const unsigned p = positionSymbol(d);
            bw.put(posLen[p], posCode[p]);
            if (p > 1) bw.put(p - 1, d);
        }
    }
    updatePrices(charLen, posLen);
    // Keep the partial byte for the next block: blocks follow bit by bit.
    bw.detach(bitAcc_, bitCount_);

    symbols_.clear();
    distances_.clear();
    std::fill(charFreq_.begin(), charFreq_.end(), 0);
    std::fill(posFreq_.begin(), posFreq_.end(), 0);
    drainOutput(false);
}

void LzhEncoder::drainOutput(bool all) {
    if (out_.empty() || (!all && out_.size() < kOutFlush)) return;
    sink_(out_.data(), out_.size());
    produced_ += out_.size();
    out_.clear();
}

}  // namespace lha
