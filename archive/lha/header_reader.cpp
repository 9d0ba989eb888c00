#include "archive/lha/header_reader.h"

#include <algorithm>
#include <ctime>
#include <span>
#include <vector>

#include "archive/lha/crc16.h"
#include "archive/lha/header.h"

namespace lha {
namespace {

// No real header comes near this; a bigger one is a lie, refused before any
// allocation (level 3 and level-1 extension chains declare 32-bit lengths).
constexpr std::uint64_t kMaxHeaderSize = 1 << 20;

constexpr char kOs9For68k = 'K';  // the OS id of LHa for OS-9/68k

std::uint16_t u16(const std::uint8_t* p) {
    return static_cast<std::uint16_t>(p[0] | p[1] << 8);
}
std::uint32_t u32(const std::uint8_t* p) {
    return u16(p) | static_cast<std::uint32_t>(u16(p + 2)) << 16;
}
std::uint64_t u64(const std::uint8_t* p) {
    return u32(p) | static_cast<std::uint64_t>(u32(p + 4)) << 32;
}

ReadStatus bad(std::string why) {
    return {ReadError::BadHeader, std::move(why)};
}

// Whether the fields name a real moment: mktime would roll 31 February
// over into March, and month 13 into the next year.
bool isRealDosTime(std::uint32_t v) {
    const unsigned sec = (v & 0x1F) * 2, min = v >> 5 & 0x3F, hour = v >> 11 & 0x1F;
    const unsigned day = v >> 16 & 0x1F, month = v >> 21 & 0x0F, year = (v >> 25) + 1980;
    if (month < 1 || month > 12 || day < 1 || hour > 23 || min > 59 || sec > 59) return false;
    static constexpr unsigned kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    const bool leap = year % 4 == 0 && (year % 100 != 0 || year % 400 == 0);
    return day <= kDays[month - 1] + (month == 2 && leap ? 1 : 0);
}

// MS-DOS date and time, as levels 0 and 1 store them: local time. Unset
// for a date without month or day (PMarc writes 0), or one out of range.
std::optional<std::int64_t> fromDosTime(std::uint32_t v) {
    if (!isRealDosTime(v)) return std::nullopt;
    // mktime consults the time zone's file each time: the last answer is
    // kept, as an archive's entries often share their time.
    thread_local std::uint32_t lastAsked = 0;
    thread_local std::optional<std::int64_t> lastAnswer;
    if (v == lastAsked) return lastAnswer;
    std::tm t{};
    t.tm_sec = static_cast<int>(v & 0x1F) * 2;
    t.tm_min = static_cast<int>(v >> 5 & 0x3F);
    t.tm_hour = static_cast<int>(v >> 11 & 0x1F);
    t.tm_mday = static_cast<int>(v >> 16 & 0x1F);
    t.tm_mon = static_cast<int>(v >> 21 & 0x0F) - 1;
    t.tm_year = static_cast<int>(v >> 25) + 80;
    t.tm_isdst = -1;
    const std::tm asked = t;
    const std::time_t s = std::mktime(&t);
    // An hour the clocks skip in spring is no moment here: mktime moves it.
    const bool moved = t.tm_hour != asked.tm_hour || t.tm_min != asked.tm_min || t.tm_mday != asked.tm_mday;
    lastAsked = v;
    lastAnswer = s == static_cast<std::time_t>(-1) || moved ? std::nullopt : std::optional<std::int64_t>(s);
    return lastAnswer;
}

std::u16string utf16Of(std::span<const std::uint8_t> data) {
    std::u16string s;
    for (std::size_t i = 0; i + 1 < data.size(); i += 2) s += static_cast<char16_t>(u16(data.data() + i));
    return s;
}

// The header's bytes as read so far; a level-1 chain grows it extension by extension.
class HeaderBytes {
public:
    HeaderBytes(ByteSource& source, std::uint64_t offset) : source_(source), offset_(offset) {}

    // Makes the first n bytes available; false when the file ends first.
    bool need(std::uint64_t n) {
        if (n > kMaxHeaderSize) return false;
        if (n <= bytes_.size()) return true;
        const std::size_t have = bytes_.size();
        bytes_.resize(static_cast<std::size_t>(n));
        const std::size_t got = source_.readAt(offset_ + have, bytes_.data() + have, bytes_.size() - have);
        bytes_.resize(have + got);
        return bytes_.size() == n;
    }
    const std::uint8_t* at(std::size_t i) const { return bytes_.data() + i; }
    std::size_t size() const { return bytes_.size(); }
    std::span<const std::uint8_t> span(std::size_t from, std::size_t to) const {
        return {bytes_.data() + from, to - from};
    }
    bool readFailed() const { return source_.failed(); }
    // Why need() found fewer bytes: the file ends, or could not be read.
    ReadStatus shortRead() const {
        return readFailed() ? ReadStatus{ReadError::ReadFailed, ""} : ReadStatus{ReadError::Truncated, "header"};
    }

private:
    ByteSource& source_;
    std::uint64_t offset_;
    std::vector<std::uint8_t> bytes_;
};

// What the extensions of levels 1 to 3 say besides the entry's own fields.
struct Extensions {
    std::size_t crcAt = 0;  // where the header CRC stands; 0: no CRC extension
    bool hasWindowsTime = false;
    std::optional<std::uint64_t> packed64, original64;
};

void applyExtension(std::uint8_t type, std::span<const std::uint8_t> data, std::size_t dataAt, Entry& e,
                    Extensions& x) {
    const std::string text(data.begin(), data.end());
    switch (type) {
        case kExtCommon:
            if (data.size() >= 2) x.crcAt = dataAt;
            break;
        case kExtFileName:
            e.name = text;
            break;
        case kExtFolderName:
            e.folder = text;
            break;
        case kExtDosAttributes:
            if (data.size() >= 2) e.dosAttributes = u16(data.data());
            break;
        case kExtWindowsTimes:
            if (data.size() >= 16) {
                const std::uint64_t ft = u64(data.data() + 8);  // created, modified, accessed
                e.mtime = static_cast<std::int64_t>(ft / 10000000) - kWindowsEpochDelta;
                e.mtimeNanos = static_cast<std::uint32_t>(ft % 10000000) * 100;
                x.hasWindowsTime = true;
            }
            break;
        case kExtLargeSizes:
            if (data.size() >= 16) {
                x.packed64 = u64(data.data());
                x.original64 = u64(data.data() + 8);
            }
            break;
        case kExtUtf16FileName:
            e.nameUtf16 = utf16Of(data);
            break;
        case kExtUtf16FolderName:
            e.folderUtf16 = utf16Of(data);
            break;
        case kExtCodePage:
            if (data.size() >= 4) e.codePage = u32(data.data());
            break;
        case kExtUnixMode:
            if (data.size() >= 2) e.unixMode = u16(data.data());
            break;
        case kExtUnixTime:
            if (data.size() >= 4 && !x.hasWindowsTime) {
                e.mtime = static_cast<std::int32_t>(u32(data.data()));
                e.mtimeNanos = 0;
            }
            break;
        default:  // comments, owners, OS/2 attributes, ...: skipped by their length
            break;
    }
}

// Walks the chain of extensions whose first size field ends at `pos`. Each
// extension is a type byte, its data, and the size of the next one, in
// `sizeBytes` bytes; its own size counts all three. `limit` bounds the chain
// (the header's declared size). Bytes are read from the file as the chain
// goes, so that a false header costs little.
ReadStatus walkExtensions(HeaderBytes& h, std::size_t pos, unsigned sizeBytes, std::uint64_t limit, Entry& e,
                          Extensions& x) {
    std::uint64_t size = sizeBytes == 2 ? u16(h.at(pos - 2)) : u32(h.at(pos - 4));
    while (size != 0) {
        if (size < 1 + sizeBytes) return bad("extension shorter than its own fields");
        const std::uint64_t end = pos + size;
        if (end > limit) return bad("extension past the header's end");
        if (!h.need(end)) return h.shortRead();
        const std::size_t dataEnd = static_cast<std::size_t>(end) - sizeBytes;
        applyExtension(*h.at(pos), h.span(pos + 1, dataEnd), pos + 1, e, x);
        size = sizeBytes == 2 ? u16(h.at(dataEnd)) : u32(h.at(dataEnd));
        pos = static_cast<std::size_t>(end);
    }
    return {};
}

// The header CRC of levels 1 to 3 covers every header byte, itself as zero.
ReadStatus checkHeaderCrc(const HeaderBytes& h, std::size_t length, const Extensions& x) {
    if (x.crcAt == 0) return {};
    std::vector<std::uint8_t> copy(h.at(0), h.at(0) + length);
    const std::uint16_t stored = u16(copy.data() + x.crcAt);
    copy[x.crcAt] = copy[x.crcAt + 1] = 0;
    if (crc16(0, copy.data(), copy.size()) != stored) return bad("header CRC mismatch");
    return {};
}

bool checksumMatches(const HeaderBytes& h, std::size_t headerSize) {
    unsigned sum = 0;
    for (std::size_t i = 2; i < headerSize + 2; ++i) sum += *h.at(i);
    return (sum & 0xFF) == *h.at(1);
}

// Fields at the same place in every level.
void readCommonFields(const HeaderBytes& h, Entry& e) {
    e.method.assign(reinterpret_cast<const char*>(h.at(2)), 5);
    e.packedSize = u32(h.at(7));
    e.originalSize = u32(h.at(11));
    e.level = *h.at(20);
}

// Levels 0 and 1 begin alike: a one-byte size and a checksum, an MS-DOS time
// and attribute, the name and the data's CRC, then `after` bytes more of
// fields at least. Gives the size of that base header and of its name field.
ReadStatus parseDosBase(HeaderBytes& h, Entry& e, std::size_t after, std::size_t& base, std::size_t& n) {
    base = std::size_t{*h.at(0)} + 2;
    if (!h.need(base)) return h.shortRead();
    if (!checksumMatches(h, base - 2)) return bad("header checksum mismatch");
    n = *h.at(21);
    if (base < 24 + n + after) return bad("name longer than the header");
    e.name.assign(reinterpret_cast<const char*>(h.at(22)), n);
    // Amiga archivers keep a file's note after its name, behind a NUL; the
    // fields after the name field stay where the whole field ends.
    e.name.resize(std::min(e.name.find('\0'), e.name.size()));
    e.dataCrc = u16(h.at(22 + n));
    e.mtime = fromDosTime(u32(h.at(15)));
    e.dosAttributes = *h.at(19);
    return {};
}

ReadStatus parseLevel0(HeaderBytes& h, Entry& e) {
    std::size_t total = 0, n = 0;
    if (auto s = parseDosBase(h, e, 0, total, n); !s) return s;
    // Unix LHA adds its OS id, a version byte, time, mode, uid and gid.
    if (total > 24 + n) e.osId = static_cast<char>(*h.at(24 + n));
    if (e.osId == 'U' && total >= 32 + n) {
        e.mtime = static_cast<std::int32_t>(u32(h.at(26 + n)));
        e.unixMode = u16(h.at(30 + n));
    }
    e.dataOffset = e.headerOffset + total;
    return {};
}

ReadStatus parseLevel1(HeaderBytes& h, Entry& e) {
    std::size_t base = 0, n = 0;
    if (auto s = parseDosBase(h, e, 3, base, n); !s) return s;  // the OS id, the first extension's size
    e.osId = static_cast<char>(*h.at(24 + n));
    Extensions x;
    // The extensions follow the base header and count in its "packed" size.
    if (auto s = walkExtensions(h, base, 2, kMaxHeaderSize, e, x); !s) return s;
    if (auto s = checkHeaderCrc(h, h.size(), x); !s) return s;
    const std::uint64_t extensions = h.size() - base;
    if (extensions > e.packedSize) return bad("extensions larger than the entry");
    e.packedSize -= extensions;
    e.dataOffset = e.headerOffset + h.size();
    return {};
}

ReadStatus parseLevel2Or3(HeaderBytes& h, Entry& e) {
    const bool level3 = e.level == 3;
    if (level3 && u16(h.at(0)) != 4) return bad("unknown level-3 word size");
    const std::size_t fixed = level3 ? 32 : 26;
    if (!h.need(fixed)) return h.shortRead();
    std::uint64_t total = level3 ? u32(h.at(24)) : u16(h.at(0));
    // LHa for OS-9/68k counts a level-2 header without its size field: two
    // bytes short. Its extensions and CRC are checked over the whole.
    if (!level3 && *h.at(23) == kOs9For68k) total += 2;
    if (total < fixed) return bad("header shorter than its fixed part");
    if (total > kMaxHeaderSize) return bad("header size beyond any real header");
    e.dataCrc = u16(h.at(21));
    e.osId = static_cast<char>(*h.at(23));
    e.mtime = static_cast<std::int32_t>(u32(h.at(15)));
    Extensions x;
    if (auto s = walkExtensions(h, fixed, level3 ? 4 : 2, total, e, x); !s) return s;
    if (!h.need(total)) return h.shortRead();
    if (auto s = checkHeaderCrc(h, static_cast<std::size_t>(total), x); !s) return s;
    if (x.packed64) {
        e.packedSize = *x.packed64;
        e.originalSize = *x.original64;
    }
    e.dataOffset = e.headerOffset + total;
    return {};
}

// The header whose first byte `h` holds, whatever that byte is.
ReadStatus readHeaderAt(ByteSource& source, HeaderBytes& h, Entry& entry) {
    if (!h.need(22)) return h.shortRead();
    if (*h.at(2) != '-' || *h.at(6) != '-') return {ReadError::NotArchive, "no header"};
    readCommonFields(h, entry);
    ReadStatus s;
    switch (entry.level) {
        case 0:
            s = parseLevel0(h, entry);
            break;
        case 1:
            s = parseLevel1(h, entry);
            break;
        case 2:
        case 3:
            s = parseLevel2Or3(h, entry);
            break;
        default:
            return bad("unknown header level " + std::to_string(entry.level));
    }
    if (!s) return s;
    // Every size is checked against the file before anything trusts it.
    if (entry.dataOffset > source.size() || entry.packedSize > source.size() - entry.dataOffset)
        return {ReadError::Truncated, "data past the end of the file"};
    return {};
}

}  // namespace

bool looksLikeHeader(ByteSource& source, std::uint64_t offset) {
    std::uint8_t b[21];
    if (source.readAt(offset, b, sizeof b) != sizeof b) return false;
    return b[2] == '-' && b[6] == '-' && (b[3] == 'l' || b[3] == 'p') && b[20] <= 3;
}

ReadStatus readHeader(ByteSource& source, std::uint64_t offset, Entry& entry, bool& atEnd) {
    atEnd = false;
    entry = Entry{};
    entry.headerOffset = offset;
    HeaderBytes h(source, offset);
    if (!h.need(1)) {
        if (h.readFailed()) return {ReadError::ReadFailed, ""};
        atEnd = true;
        return {};
    }
    // A 0 byte ends the archive, unless a level-2 header of 256·k bytes
    // begins there (the low byte of its size). Such a header that does not
    // read is damaged: taken for the end, it would hide what follows.
    if (*h.at(0) == 0) {
        const bool level2 = h.need(22) && *h.at(2) == '-' && *h.at(6) == '-' && *h.at(20) == 2;
        if (!level2) {
            if (h.readFailed()) return {ReadError::ReadFailed, ""};
            atEnd = true;
            return {};
        }
    }
    return readHeaderAt(source, h, entry);
}

}  // namespace lha
