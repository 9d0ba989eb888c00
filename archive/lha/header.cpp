#include "archive/lha/header.h"

#include "archive/lha/crc16.h"

namespace lha {
namespace {

constexpr std::size_t kBaseSize = 26;  // fixed part, up to the first extension's size

void put16(std::vector<std::uint8_t>& b, std::uint32_t v) {
    b.push_back(static_cast<std::uint8_t>(v));
    b.push_back(static_cast<std::uint8_t>(v >> 8));
}
void put32(std::vector<std::uint8_t>& b, std::uint32_t v) {
    put16(b, v & 0xFFFF);
    put16(b, v >> 16);
}
void put64(std::vector<std::uint8_t>& b, std::uint64_t v) {
    put32(b, static_cast<std::uint32_t>(v));
    put32(b, static_cast<std::uint32_t>(v >> 32));
}

struct Extension {
    std::uint8_t type;
    std::vector<std::uint8_t> data;
};

std::uint64_t windowsFileTime(std::int64_t unixSeconds, std::uint32_t nanos) {
    const std::int64_t secs = unixSeconds + kWindowsEpochDelta;
    if (secs < 0) return 0;
    return static_cast<std::uint64_t>(secs) * 10000000u + nanos / 100;
}

std::vector<std::uint8_t> folderBytes(const std::vector<std::string>& folders) {
    std::vector<std::uint8_t> out;
    for (const auto& f : folders) {
        out.insert(out.end(), f.begin(), f.end());
        out.push_back(0xFF);
    }
    return out;
}

std::vector<std::uint8_t> utf16Bytes(std::u16string_view s) {
    std::vector<std::uint8_t> out;
    for (char16_t c : s) put16(out, c);
    return out;
}

}  // namespace

std::vector<std::uint8_t> buildLevel2Header(const EntryHeader& e) {
    std::vector<Extension> ext;
    ext.push_back({kExtCommon, {0, 0}});  // header CRC, filled in last
    ext.push_back({kExtCodePage, {}});
    put32(ext.back().data, e.codePage);
    ext.push_back({kExtFileName, std::vector<std::uint8_t>(e.name.begin(), e.name.end())});
    if (!e.folders.empty()) ext.push_back({kExtFolderName, folderBytes(e.folders)});
    if (e.withUtf16) {
        if (!e.nameUtf16.empty()) ext.push_back({kExtUtf16FileName, utf16Bytes(e.nameUtf16)});
        if (!e.foldersUtf16.empty()) {
            std::vector<std::uint8_t> d;
            for (const auto& f : e.foldersUtf16) {
                auto b = utf16Bytes(f);
                d.insert(d.end(), b.begin(), b.end());
                put16(d, 0xFFFF);
            }
            ext.push_back({kExtUtf16FolderName, std::move(d)});
        }
    }
    ext.push_back({kExtDosAttributes, {}});
    put16(ext.back().data, e.dosAttributes);
    ext.push_back({kExtWindowsTimes, {}});
    const std::uint64_t ft = windowsFileTime(e.mtime, e.mtimeNanos);
    put64(ext.back().data, ft);  // created
    put64(ext.back().data, ft);  // modified
    put64(ext.back().data, ft);  // accessed

    auto totalSize = [&] {
        std::size_t n = kBaseSize;
        for (const auto& x : ext) n += 3 + x.data.size();
        return n;
    };
    // A low byte of 0 would read as the end mark; a Unix timestamp extension
    // (harmless, it repeats the modification time) moves the length off it.
    if ((totalSize() & 0xFF) == 0) {
        ext.push_back({kExtUnixTime, {}});
        put32(ext.back().data, static_cast<std::uint32_t>(e.mtime));
    }

    std::vector<std::uint8_t> h;
    h.reserve(totalSize());
    put16(h, static_cast<std::uint32_t>(totalSize()));
    h.insert(h.end(), e.method.begin(), e.method.end());
    put32(h, e.compressedSize);
    put32(h, e.originalSize);
    put32(h, static_cast<std::uint32_t>(e.mtime));
    h.push_back(0x20);  // reserved
    h.push_back(2);     // level
    put16(h, e.dataCrc);
    h.push_back('M');
    put16(h, static_cast<std::uint32_t>(3 + ext.front().data.size()));
    std::size_t crcAt = 0;
    for (std::size_t i = 0; i < ext.size(); ++i) {
        h.push_back(ext[i].type);
        if (ext[i].type == kExtCommon) crcAt = h.size();
        h.insert(h.end(), ext[i].data.begin(), ext[i].data.end());
        put16(h, i + 1 < ext.size() ? static_cast<std::uint32_t>(3 + ext[i + 1].data.size()) : 0);
    }
    const std::uint16_t crc = crc16(0, h.data(), h.size());
    h[crcAt] = static_cast<std::uint8_t>(crc);
    h[crcAt + 1] = static_cast<std::uint8_t>(crc >> 8);
    return h;
}

}  // namespace lha
