#include "archive/lha/piece_coder.h"

#include "archive/lha/huffman.h"

namespace lha {
namespace {

// Symbols gathered between two pricings, at least.
constexpr std::size_t kRepriceSymbols = 512;

}  // namespace

Parser& PieceCoder::parserFor(const Method& method) {
    for (auto& [m, parser] : parsers_)
        if (m == method) return *parser;
    parsers_.emplace_back(method, makeParser(method));
    return *parsers_.back().second;
}

std::uint64_t PieceCoder::code(const Method& method, const std::uint8_t* data, std::size_t history, std::size_t length,
                               Prices& prices, std::vector<std::uint8_t>& out) {
    if (!block_ || block_->posFreq.size() != method.positionSymbols) {
        block_.emplace(method);
        block_->symbols.reserve(kMaxBlockSymbols);
        block_->distances.reserve(kMaxBlockSymbols);
    }
    block_->clear();  // of anything a piece that threw left behind
    priced_ = 0;
    BitWriter bits(out);
    method_ = &method;
    prices_ = &prices;
    bits_ = &bits;
    parserFor(method).parse(data, history, length, prices, *this);
    if (!block_->symbols.empty()) writeBlock();
    bits.flush();
    bits_ = nullptr;
    return bits.bitsWritten();
}

void PieceCoder::take(const std::uint32_t* steps, std::size_t count) {
    Block& block = *block_;
    for (std::size_t i = 0; i < count; ++i) {
        const unsigned length = step::length(steps[i]);
        if (length == 1)
            block.literal(static_cast<std::uint8_t>(step::payload(steps[i])));
        else
            block.match(length, step::payload(steps[i]));
        if (block.full()) writeBlock();
    }
    // The optimal parse prices what comes next by the codes the block being
    // gathered would get now: fresher than the last block's, and a block
    // stays long, so the tables cost few bytes and decode quickly.
    if (method_->optimalParse && block.symbols.size() >= priced_ + kRepriceSymbols) {
        prices_->setFrom(limitedCodeLengths(block.charFreq, kMaxCodeBits),
                         limitedCodeLengths(block.posFreq, kMaxCodeBits));
        priced_ = block.symbols.size();
    }
}

void PieceCoder::writeBlock() {
    const auto codes = lha::writeBlock(*bits_, *method_, *block_);
    prices_->setFrom(codes.charLen, codes.posLen);
    block_->clear();
    priced_ = 0;
}

}  // namespace lha
