#pragma once
// Whole-file text reading and writing for the document viewer.
#include <cstdint>
#include <string>

#include "sysutil/Failure.h"

namespace sysutil {

class WRText {
public:
    std::string FileName;
    std::string WText;

    // What RFile reads at most: the viewer shows text, and a file past this
    // size is shown up to it (Truncated() tells).
    static constexpr std::uint64_t kMaxReadBytes = 16 * 1024 * 1024;

    // The whole text with its lines joined by CR LF (CR LF or a lone CR ends a
    // line; a lone LF stays in it; nothing after the last line). "" for a
    // missing file, a folder or a hidden file. A file that exists but cannot
    // be read fails, with the system's cause.
    Result<std::string> RFile();
    // Writes WText to FileName, replacing the file, then empties WText;
    // a full disk is told apart.
    Failure WFile();

    bool Truncated() const { return truncated_; }

private:
    bool truncated_ = false;
};

// The line rules of RFile applied to decoded text.
std::string joinLinesCrLf(const std::string& text);

}  // namespace sysutil
