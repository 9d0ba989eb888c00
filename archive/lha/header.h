#pragma once
// Level-2 LHA headers as Japanese Windows archivers write them: OS id 'M',
// CP932 names, code page 932, MS-DOS attributes and Windows timestamps.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace lha {

// Extension types of the level 1 to 3 headers.
inline constexpr std::uint8_t kExtCommon = 0x00;  // the header's CRC
inline constexpr std::uint8_t kExtFileName = 0x01;
inline constexpr std::uint8_t kExtFolderName = 0x02;  // folders, each ended by 0xFF
inline constexpr std::uint8_t kExtDosAttributes = 0x40;
inline constexpr std::uint8_t kExtWindowsTimes = 0x41;  // created, modified, accessed
inline constexpr std::uint8_t kExtLargeSizes = 0x42;    // 64-bit packed and original sizes
inline constexpr std::uint8_t kExtUtf16FileName = 0x44;
inline constexpr std::uint8_t kExtUtf16FolderName = 0x45;  // folders, each ended by 0xFFFF
inline constexpr std::uint8_t kExtCodePage = 0x46;
inline constexpr std::uint8_t kExtUnixMode = 0x50;
inline constexpr std::uint8_t kExtUnixTime = 0x54;

// Seconds from 1601-01-01 (Windows file times) to 1970-01-01.
inline constexpr std::int64_t kWindowsEpochDelta = 11644473600;

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
