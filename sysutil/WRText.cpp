#include "sysutil/WRText.h"

#include <cerrno>
#include <filesystem>
#include <fstream>

#include "sysutil/PathRules.h"
#include "sysutil/TextCodec.h"

namespace sysutil {

std::string joinLinesCrLf(const std::string& text) {
    std::string out;
    out.reserve(text.size());
    std::size_t i = 0;
    bool first = true;
    while (i < text.size()) {
        if (!first) out += "\r\n";
        first = false;
        std::size_t end = text.find('\r', i);
        if (end == std::string::npos) end = text.size();
        out.append(text, i, end - i);
        i = end;
        if (i < text.size()) ++i;                                          // the CR
        if (i < text.size() && text[i] == '\n' && end < text.size()) ++i;  // its LF
    }
    return out;
}

namespace {

// What the standard streams leave of the system's cause.
std::error_code lastError() {
    return std::error_code(errno ? errno : EIO, std::generic_category());
}

}  // namespace

Result<std::string> WRText::RFile() {
    truncated_ = false;
    // A folder is no file, whichever way it is written.
    if (FileName.empty() || FileName.back() == '/' || FileName.back() == kSeparator) return {};
    const std::string found = lookupFirst(FileName, LookupKind::OrdinaryFiles);
    // The lookup may accept wildcards; the file must be the one named.
    if (found.empty() || FileName.find_first_of("*?") != std::string::npos) return {};
    const auto path = pathFromUtf8(found);
    errno = 0;
    std::ifstream in(path, std::ios::binary);
    if (!in) return {{}, Failure::reading("「" + FileName + "」を開けません。", lastError())};
    // Read straight into the string, grown once to the size the file has
    // now (it may still grow or shrink while it is read).
    std::error_code ec;
    const auto size = std::filesystem::file_size(path, ec);
    std::string bytes;
    if (!ec) bytes.reserve(static_cast<std::size_t>(std::min<std::uint64_t>(size, kMaxReadBytes)));
    constexpr std::size_t kChunk = 1 << 20;
    while (bytes.size() < kMaxReadBytes) {
        const std::size_t had = bytes.size();
        // Up to the room reserved; only a file that grew is read on past it,
        // once it is seen to have more.
        std::size_t want = bytes.capacity() - had;
        if (want == 0) {
            if (in.peek() == std::char_traits<char>::eof()) break;
            want = kChunk;
        }
        want = static_cast<std::size_t>(std::min<std::uint64_t>(want, kMaxReadBytes - had));
        bytes.resize(had + want);
        in.read(bytes.data() + had, static_cast<std::streamsize>(want));
        const auto got = static_cast<std::size_t>(in.gcount());
        bytes.resize(had + got);
        if (got < want) break;
    }
    if (in.bad()) return {{}, Failure::reading("「" + FileName + "」を読み込めません。", lastError())};
    if (bytes.size() >= kMaxReadBytes && in.peek() != std::char_traits<char>::eof()) truncated_ = true;
    return {joinLinesCrLf(decodeText(bytes)), {}};
}

Failure WRText::WFile() {
#if defined(_WIN32)
    const std::string bytes = utf8ToCp932(WText).value_or(WText);
#else
    const std::string& bytes = WText;
#endif
    errno = 0;
    std::ofstream out(pathFromUtf8(FileName), std::ios::binary | std::ios::trunc);
    if (!out) return Failure::writing("「" + FileName + "」を作れません。", lastError());
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    out.close();
    if (!out) return Failure::writing("「" + FileName + "」に書き込めません。", lastError());
    WText.clear();
    return {};
}

}  // namespace sysutil
