#include "archive/lha/parser.h"

#include <algorithm>

#include "archive/lha/lazy_parse.h"
#include "archive/lha/optimal_parse.h"

namespace lha {

void Prices::setInitial(const Format& format) {
    symbol.resize(kCharSymbols);
    for (unsigned s = 0; s < kCharSymbols; ++s) symbol[s] = s < 256 ? 8 : 8 + std::min(4u, (s - 256) / 16);
    position.assign(format.positionSymbols, 4);
}

void Prices::setFrom(const std::vector<std::uint8_t>& charLen, const std::vector<std::uint8_t>& posLen) {
    const unsigned charMax = *std::max_element(charLen.begin(), charLen.end());
    const unsigned posMax = *std::max_element(posLen.begin(), posLen.end());
    symbol.resize(charLen.size());
    position.resize(posLen.size());
    for (unsigned s = 0; s < symbol.size(); ++s) symbol[s] = charLen[s] ? charLen[s] : std::max(charMax + 2, 9u);
    for (unsigned p = 0; p < position.size(); ++p) position[p] = posLen[p] ? posLen[p] : std::max(posMax + 2, 5u);
}

std::unique_ptr<Parser> makeParser(const Method& method) {
    if (method.optimalParse) return std::make_unique<OptimalParser>(method);
    return std::make_unique<LazyParser>(method);
}

}  // namespace lha
