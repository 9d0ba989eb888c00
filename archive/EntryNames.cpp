#include "archive/EntryNames.h"

#include <array>
#include <cctype>

#include "sysutil/PathRules.h"

namespace archiver {
namespace {

bool isDeviceName(const std::string& component) {
    static constexpr std::array<const char*, 26> kDevices{
        "CON",  "PRN",  "AUX",  "NUL",  "COM1", "COM2", "COM3", "COM4", "COM5", "COM6",   "COM7",    "COM8",   "COM9",
        "LPT1", "LPT2", "LPT3", "LPT4", "LPT5", "LPT6", "LPT7", "LPT8", "LPT9", "CONIN$", "CONOUT$", "CLOCK$", "COM0"};
    std::string base = component.substr(0, component.find('.'));
    while (!base.empty() && base.back() == ' ') base.pop_back();
    for (const char* d : kDevices)
        if (sysutil::sameName(base, d)) return true;
    return false;
}

}  // namespace

std::optional<std::vector<std::string>> safeComponents(const std::string& name) {
    if (name.empty()) return std::nullopt;
    if (name[0] == '/' || name[0] == '\\') return std::nullopt;
    std::vector<std::string> parts;
    std::string cur;
    auto take = [&]() -> bool {
        if (cur.empty() || cur == ".") {
            cur.clear();
            return true;
        }
        if (cur == ".." || cur.find(':') != std::string::npos || isDeviceName(cur)) return false;
        // Windows drops trailing dots and blanks, which would let "..." alias "..".
        if (cur.back() == '.' || cur.back() == ' ') return false;
        parts.push_back(cur);
        cur.clear();
        return true;
    };
    for (char c : name) {
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) return std::nullopt;
        if (c == '/' || c == '\\') {
            if (!take()) return std::nullopt;
        } else {
            cur += c;
        }
    }
    if (!take()) return std::nullopt;
    return parts;
}

}  // namespace archiver
