#pragma once
// One archive entry as its header describes it. Names stay the archive's own
// bytes: deciding their encoding and splitting them is the caller's business.
#include <cstdint>
#include <optional>
#include <string>

#include "archive/lha/method.h"

namespace lha {

struct Entry {
    std::uint64_t headerOffset = 0;
    std::uint64_t dataOffset = 0;
    std::uint64_t packedSize = 0;  // the data alone, extension headers not counted
    std::uint64_t originalSize = 0;
    std::string method;  // the five characters of the header, e.g. "-lh5-"
    unsigned level = 0;
    char osId = 0;  // 'M', 'U', '2', 'A', ...; 0 when the header has none (MS-DOS)
    std::uint16_t dataCrc = 0;
    std::optional<std::int64_t> mtime;  // seconds since 1970, UTC; unset when the header holds none
    std::uint32_t mtimeNanos = 0;
    std::optional<std::uint16_t> dosAttributes;
    std::optional<std::uint16_t> unixMode;
    // The path as stored: the name field or extension 0x01, which at levels 0
    // and 1 may hold a whole path, and extension 0x02, folders each ended by 0xFF.
    std::string name;
    std::string folder;
    // Extensions 0x44 and 0x45: the same in UTF-16 (folders ended by 0xFFFF).
    std::optional<std::u16string> nameUtf16;
    std::optional<std::u16string> folderUtf16;
    std::optional<std::uint32_t> codePage;  // extension 0x46

    bool isDirectory() const {
        const Format* f = findFormat(method);
        return f && f->coding == Coding::Directory;
    }
    bool isSymlink() const { return unixMode && (*unixMode & 0xF000) == 0xA000; }
};

}  // namespace lha
