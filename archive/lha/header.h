#pragma once
// Level-2 LHA headers as Japanese Windows archivers write them: OS id 'M',
// CP932 names, code page 932, MS-DOS attributes and Windows timestamps.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace lha {

struct EntryHeader {
    std::string_view method;  // "-lh5-", "-lh0-", "-lhd-", ...
    std::uint32_t compressedSize = 0;
    std::uint32_t originalSize = 0;
    std::uint16_t dataCrc = 0;
    std::int64_t mtime = 0;  // seconds since 1970 (UTC)
    std::uint32_t mtimeNanos = 0;
    std::uint16_t dosAttributes = 0x20;  // 0x10 for a folder
    // Path as stored: folder components and the file's own name, in the
    // code page below (932 as Japanese Windows writes; 65001 for UTF-8).
    std::vector<std::string> folders;
    std::string name;  // empty for a folder entry
    std::uint32_t codePage = 932;
    // The same path in UTF-16, for readers that know these extensions.
    std::vector<std::u16string> foldersUtf16;
    std::u16string nameUtf16;
    bool withUtf16 = false;
};

// The complete header, its own CRC filled in. Its length never has a low byte
// of 0, which readers would take for the end-of-archive mark.
std::vector<std::uint8_t> buildLevel2Header(const EntryHeader& entry);

}  // namespace lha
