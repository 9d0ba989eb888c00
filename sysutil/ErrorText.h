#pragma once
// What the system said when a file operation failed, as a Japanese sentence.
#include <string>
#include <system_error>

namespace sysutil {

// The causes users meet get a sentence of their own; any other keeps the
// system's words in parentheses after a general one.
std::string describeError(const std::error_code& ec);

}  // namespace sysutil
