#include "archive/lha/lzh_encoder.h"

#include <algorithm>
#include <bit>
#include <cstring>

#include "archive/lha/bit_writer.h"
#include "archive/lha/huffman.h"

namespace lha {
namespace {

constexpr unsigned kMaxCodeBits = 16;
constexpr unsigned kCharBits = 9;      // bits that carry the literal/length table's size
constexpr unsigned kTempSymbols = 19;  // 3 run codes + lengths 1..16
constexpr unsigned kTempBits = 5;
constexpr std::size_t kChunk = 256 * 1024;  // input consumed between slides
constexpr std::size_t kOutFlush = 64 * 1024;
constexpr std::size_t kParseStretch = 4096;  // input the optimal parse plans at once
constexpr std::size_t kMaxCandidates = 64;
constexpr std::uint32_t kUnreached = 0xFFFFFFFF;

unsigned positionSymbol(std::uint32_t d) {
    return d == 0 ? 0 : static_cast<unsigned>(std::bit_width(d));
}

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
    : method_(method),
      sink_(std::move(sink)),
      finder_(method),
      buffer_((std::size_t{1} << method.dictBits) + kChunk + kMaxMatch + 8, 0),
      charFreq_(kCharSymbols, 0),
      posFreq_(method.positionSymbols, 0),
      charPrice_(kCharSymbols),
      posPrice_(method.positionSymbols) {
    // Before the first block: bytes at 8 bits, matches a little dearer.
    for (unsigned s = 0; s < kCharSymbols; ++s) charPrice_[s] = s < 256 ? 8 : 8 + std::min(4u, (s - 256) / 16);
    for (unsigned p = 0; p < method.positionSymbols; ++p) posPrice_[p] = 4;
    symbols_.reserve(kMaxBlockSymbols);
    distances_.reserve(kMaxBlockSymbols);
    out_.reserve(kOutFlush * 2);
}

void LzhEncoder::write(const std::uint8_t* data, std::size_t size) {
    total_ += size;
    while (size > 0) {
        std::size_t room = buffer_.size() - 8 - static_cast<std::size_t>(end_ - base_);
        if (room == 0) {
            compress(false);
            slideWindow();
            continue;
        }
        const std::size_t n = std::min(room, size);
        std::memcpy(buffer_.data() + (end_ - base_), data, n);
        end_ += n;
        data += n;
        size -= n;
    }
}

void LzhEncoder::finish() {
    compress(true);
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

void LzhEncoder::compress(bool final) {
    // Without `final`, keep a full match length of input ahead of the parse.
    const std::uint64_t stop = final ? end_ : (end_ > kMaxMatch ? end_ - kMaxMatch : 0);
    finder_.setWindow(buffer_.data(), base_, end_);
    if (method_.optimalParse)
        compressOptimal(stop);
    else
        compressLazy(stop, final);
}

// Lazy matching: a match found at p is deferred one byte to see whether p + 1
// starts a longer one.
void LzhEncoder::compressLazy(std::uint64_t stop, bool final) {
    while (pos_ < stop) {
        const bool canHash = end_ - pos_ >= finder_.hashBytes();
        Match cur;
        if (canHash) {
            if (!hasPending_ || pending_.length < method_.lazyLength)
                cur = finder_.findAndInsert(pos_, hasPending_ ? pending_.length : 0);
            else
                finder_.insert(pos_);
        }
        if (hasPending_) {
            if (cur.length > pending_.length) {
                emitLiteral(buffer_[static_cast<std::size_t>(pos_ - 1 - base_)]);
                pending_ = cur;
                ++pos_;
                continue;
            }
            emitMatch(pending_.length, pending_.distance);
            // The match began at pos_ - 1; pos_ is hashed, hash the rest.
            const std::uint64_t matchEnd = pos_ - 1 + pending_.length;
            for (std::uint64_t p = pos_ + 1; p < matchEnd; ++p)
                if (end_ - p >= finder_.hashBytes()) finder_.insert(p);
            pos_ = matchEnd;
            hasPending_ = false;
            continue;
        }
        if (cur.length >= kMinMatch) {
            pending_ = cur;
            hasPending_ = true;
        } else {
            emitLiteral(buffer_[static_cast<std::size_t>(pos_ - base_)]);
        }
        ++pos_;
    }
    if (final && hasPending_) {
        emitMatch(pending_.length, pending_.distance);
        hasPending_ = false;
    }
}

// The cheapest way through a stretch of input, by the current prices: every
// position offers a literal and each match length up to the longest found.
// A match of niceLength or more is taken as it is, skipping the search inside it.
void LzhEncoder::compressOptimal(std::uint64_t stop) {
    Match candidates[kMaxCandidates];
    while (pos_ < stop) {
        const std::size_t n = static_cast<std::size_t>(std::min<std::uint64_t>(kParseStretch, stop - pos_));
        steps_.assign(n + 1, Step{kUnreached, 0, 0, 0});
        steps_[0].cost = 0;
        std::size_t skipUntil = 0;
        for (std::size_t i = 0; i < n; ++i) {
            const std::uint64_t p = pos_ + i;
            const bool canHash = end_ - p >= finder_.hashBytes();
            if (i < skipUntil) {
                if (canHash) finder_.insert(p);
                continue;
            }
            const std::uint32_t here = steps_[i].cost;
            const std::uint8_t byte = buffer_[static_cast<std::size_t>(p - base_)];
            if (here + charPrice_[byte] < steps_[i + 1].cost)
                steps_[i + 1] = {here + charPrice_[byte], static_cast<std::uint32_t>(i), 1, 0};
            if (!canHash) continue;
            const std::size_t found = finder_.collectAndInsert(p, candidates, kMaxCandidates, method_.maxChain);
            if (found == 0) continue;
            const unsigned room = static_cast<unsigned>(n - i);
            unsigned shorter = kMinMatch - 1;
            for (std::size_t k = 0; k < found && shorter < room; ++k) {
                const unsigned longest = std::min(candidates[k].length, room);
                const std::uint32_t d = candidates[k].distance - 1;
                const unsigned ps = positionSymbol(d);
                const std::uint32_t distCost = here + posPrice_[ps] + (ps > 1 ? ps - 1 : 0);
                if (longest >= method_.niceLength) {
                    // Long enough to take as it is.
                    steps_[i + longest] = {distCost + charPrice_[256 + longest - kMinMatch],
                                           static_cast<std::uint32_t>(i), static_cast<std::uint16_t>(longest),
                                           candidates[k].distance};
                    skipUntil = i + longest;
                    break;
                }
                for (unsigned len = shorter + 1; len <= longest; ++len) {
                    const std::uint32_t c = distCost + charPrice_[256 + len - kMinMatch];
                    if (c < steps_[i + len].cost)
                        steps_[i + len] = {c, static_cast<std::uint32_t>(i), static_cast<std::uint16_t>(len),
                                           candidates[k].distance};
                }
                shorter = longest;
            }
        }
        // Walk back from the end, then emit in order.
        path_.clear();
        for (std::size_t at = n; at > 0; at = steps_[at].from) path_.push_back(static_cast<std::uint32_t>(at));
        std::size_t from = 0;
        for (auto it = path_.rbegin(); it != path_.rend(); ++it) {
            const Step& step = steps_[*it];
            if (step.length == 1)
                emitLiteral(buffer_[static_cast<std::size_t>(pos_ + from - base_)]);
            else
                emitMatch(step.length, step.distance);
            from = *it;
        }
        pos_ += n;
    }
}

void LzhEncoder::updatePrices(const std::vector<std::uint8_t>& charLen, const std::vector<std::uint8_t>& posLen) {
    // A symbol the last block did not use costs a little more than its rarest.
    const unsigned charMax = *std::max_element(charLen.begin(), charLen.end());
    const unsigned posMax = *std::max_element(posLen.begin(), posLen.end());
    for (unsigned s = 0; s < kCharSymbols; ++s) charPrice_[s] = charLen[s] ? charLen[s] : std::max(charMax + 2, 9u);
    for (unsigned p = 0; p < posPrice_.size(); ++p) posPrice_[p] = posLen[p] ? posLen[p] : std::max(posMax + 2, 5u);
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
            writeSmallTable(bw, tempLen, kTempBits, 3);
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
    if (method_.optimalParse) updatePrices(charLen, posLen);
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
