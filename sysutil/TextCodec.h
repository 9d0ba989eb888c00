#pragma once
// The one converter between the program's UTF-8 and the CP932 (Shift-JIS as
// Japanese Windows writes it) found in LHA names, read-me files and fzarc.ini.
#include <optional>
#include <string>
#include <string_view>

namespace sysutil {

bool isValidUtf8(std::string_view bytes);

// Strict conversions: nullopt when a byte sequence or character has no counterpart.
std::optional<std::string> cp932ToUtf8(std::string_view cp932);
std::optional<std::string> utf8ToCp932(std::string_view utf8);

// For display: undecodable bytes become U+FFFD instead of failing.
std::string cp932ToUtf8Lossy(std::string_view cp932);

// UTF-16 (little- or big-endian bytes, or code units) to UTF-8; lone
// surrogates become U+FFFD.
std::string utf16ToUtf8(std::string_view bytes, bool bigEndian);
std::string utf16ToUtf8(std::u16string_view units);
std::u16string utf8ToUtf16(std::string_view utf8);

// A byte that starts a two-byte CP932 character (its second byte may be '\\').
constexpr bool isCp932LeadByte(unsigned char c) {
    return (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC);
}

// The code point that starts at byte `i` of UTF-8 text; `i` moves past it.
// Lenient: a cut-short sequence yields what its bytes hold.
char32_t nextCodePoint(std::string_view utf8, std::size_t& i);

// Text of unknown origin: UTF-8 (BOM or not) when valid, UTF-16 with a BOM,
// otherwise CP932.
std::string decodeText(std::string_view bytes);

}  // namespace sysutil
