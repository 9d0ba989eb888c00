#include "archive/lha/block_writer.h"

#include <algorithm>

#include "archive/lha/huffman.h"

namespace lha {
namespace {

bool singleSymbol(const std::vector<std::uint8_t>& lengths) {
    return std::all_of(lengths.begin(), lengths.end(), [](auto l) { return l == 0; });
}

unsigned firstUsed(const std::vector<std::uint32_t>& freq) {
    for (unsigned s = 0; s < freq.size(); ++s)
        if (freq[s] != 0) return s;
    return 0;
}

// Code lengths of a small table (temp or position): 3 bits for 0..6, then a
// unary tail for 7..16. After entry `skipAfter` (kNoSkip: nowhere), a 2-bit
// count of zero lengths follows.
void writeSmallTable(BitWriter& bw, const std::vector<std::uint8_t>& len, unsigned sizeBits, unsigned skipAfter) {
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
        if (i == skipAfter) {
            while (i < skipAfter + 3 && i < n && len[i] == 0) ++i;
            bw.put(2, i - skipAfter);
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

BlockCodes writeBlock(BitWriter& bw, const Format& format, const Block& block) {
    const auto charLen = limitedCodeLengths(block.charFreq, kMaxCodeBits);
    const auto charCode = canonicalCodes(charLen);
    const auto posLen = limitedCodeLengths(block.posFreq, kMaxCodeBits);
    const auto posCode = canonicalCodes(posLen);

    bw.put(16, static_cast<std::uint32_t>(block.symbols.size()));
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
        bw.put(kCharBits, firstUsed(block.charFreq));
    }
    if (!singleSymbol(posLen)) {
        writeSmallTable(bw, posLen, format.positionBits, kNoSkip);
    } else {
        bw.put(format.positionBits, 0);
        bw.put(format.positionBits, firstUsed(block.posFreq));
    }

    for (std::size_t i = 0; i < block.symbols.size(); ++i) {
        const unsigned s = block.symbols[i];
        bw.put(charLen[s], charCode[s]);
        if (s >= 256) {
            const std::uint32_t d = block.distances[i];
            const unsigned p = positionSymbol(d);
            bw.put(posLen[p], posCode[p]);
            if (p > 1) bw.put(p - 1, d);
        }
    }
    return {charLen, posLen};
}

}  // namespace lha
