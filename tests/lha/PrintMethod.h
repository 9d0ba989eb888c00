#pragma once
// Test names and failures show a compression method by its id.
#include <ostream>

#include "archive/lha/method.h"

namespace lha {
inline void PrintTo(const Method& method, std::ostream* os) {
    *os << method.id;
}
}  // namespace lha
