#include "archive/lha/parser.h"

#include "archive/lha/lazy_parse.h"
#include "archive/lha/optimal_parse.h"

namespace lha {

std::unique_ptr<Parser> makeParser(const Method& method) {
    if (method.optimalParse) return std::make_unique<OptimalParser>(method);
    return std::make_unique<LazyParser>(method);
}

}  // namespace lha
