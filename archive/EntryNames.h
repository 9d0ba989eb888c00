#pragma once
// What an archive may name: relative paths that stay inside the destination.
#include <optional>
#include <string>
#include <vector>

namespace archiver {

// The components of a stored name when it is safe to write below a folder:
// no "..", no root or drive, no device name, no control character, no ':'.
// Both '/' and '\' separate components. nullopt when unsafe; an empty vector
// for a name that means the folder itself ("." or "./").
std::optional<std::vector<std::string>> safeComponents(const std::string& utf8Name);

}  // namespace archiver
