#include "sysutil/TextCodec.h"

#include <algorithm>
#include <cerrno>
#include <vector>

#if defined(_WIN32)
#include <windows.h>
#else
#include <iconv.h>
#endif

namespace sysutil {
namespace {

constexpr std::string_view kReplacement = "\xEF\xBF\xBD";

void appendUtf8(std::string& out, char32_t c) {
    if (c < 0x80) {
        out += static_cast<char>(c);
    } else if (c < 0x800) {
        out += static_cast<char>(0xC0 | (c >> 6));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        out += static_cast<char>(0xE0 | (c >> 12));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (c >> 18));
        out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    }
}

#if defined(_WIN32)
std::optional<std::string> convert(UINT from, UINT to, std::string_view in) {
    if (in.empty()) return std::string();
    const int wlen =
        MultiByteToWideChar(from, MB_ERR_INVALID_CHARS, in.data(), static_cast<int>(in.size()), nullptr, 0);
    if (wlen <= 0) return std::nullopt;
    std::wstring w(static_cast<std::size_t>(wlen), L'\0');
    MultiByteToWideChar(from, MB_ERR_INVALID_CHARS, in.data(), static_cast<int>(in.size()), w.data(), wlen);
    BOOL usedDefault = FALSE;
    const bool checkDefault = to != CP_UTF8;
    const int len = WideCharToMultiByte(to, checkDefault ? WC_NO_BEST_FIT_CHARS : 0, w.data(), wlen, nullptr, 0,
                                        nullptr, checkDefault ? &usedDefault : nullptr);
    if (len <= 0 || usedDefault) return std::nullopt;
    std::string out(static_cast<std::size_t>(len), '\0');
    WideCharToMultiByte(to, checkDefault ? WC_NO_BEST_FIT_CHARS : 0, w.data(), wlen, out.data(), len, nullptr,
                        checkDefault ? &usedDefault : nullptr);
    if (usedDefault) return std::nullopt;
    return out;
}
std::optional<std::string> fromCp932(std::string_view in) {
    return convert(932, CP_UTF8, in);
}
std::string fromCp932Lossy(std::string_view in) {
    if (in.empty()) return {};
    // Without MB_ERR_INVALID_CHARS the system substitutes undecodable bytes itself.
    const int wlen = MultiByteToWideChar(932, 0, in.data(), static_cast<int>(in.size()), nullptr, 0);
    std::wstring w(static_cast<std::size_t>(wlen), L'\0');
    MultiByteToWideChar(932, 0, in.data(), static_cast<int>(in.size()), w.data(), wlen);
    const int len = WideCharToMultiByte(CP_UTF8, 0, w.data(), wlen, nullptr, 0, nullptr, nullptr);
    std::string out(static_cast<std::size_t>(len), '\0');
    WideCharToMultiByte(CP_UTF8, 0, w.data(), wlen, out.data(), len, nullptr, nullptr);
    return out;
}
std::optional<std::string> toCp932(std::string_view in) {
    return convert(CP_UTF8, 932, in);
}
#else
class Iconv {
public:
    Iconv(const char* to, const char* from) : cd_(iconv_open(to, from)) {}
    ~Iconv() {
        if (cd_ != reinterpret_cast<iconv_t>(-1)) iconv_close(cd_);
    }
    Iconv(const Iconv&) = delete;
    Iconv& operator=(const Iconv&) = delete;

    // Lossy: an undecodable byte becomes U+FFFD and the conversion goes on.
    std::optional<std::string> run(std::string_view in, bool lossy) {
        if (cd_ == reinterpret_cast<iconv_t>(-1)) return std::nullopt;
        iconv(cd_, nullptr, nullptr, nullptr, nullptr);  // a fresh start, whatever the last run left
        std::string out;
        // Room for most text at once (Shift-JIS grows by half in UTF-8),
        // converted through a small buffer: a buffer for the worst case
        // would be three times the input, every page of it cleared.
        out.reserve(in.size() + in.size() / 2 + 16);
        std::vector<char> buf(std::min<std::size_t>(in.size() * 3 + 16, 64 * 1024));
        char* src = const_cast<char*>(in.data());
        std::size_t srcLeft = in.size();
        while (srcLeft > 0) {
            char* dst = buf.data();
            std::size_t dstLeft = buf.size();
            const std::size_t r = iconv(cd_, &src, &srcLeft, &dst, &dstLeft);
            const int error = errno;  // before append, whose allocation may set it
            out.append(buf.data(), static_cast<std::size_t>(dst - buf.data()));
            if (r != static_cast<std::size_t>(-1) || error == E2BIG) continue;
            if (!lossy) return std::nullopt;
            out += kReplacement;
            ++src;
            --srcLeft;
            iconv(cd_, nullptr, nullptr, nullptr, nullptr);
        }
        char* dst = buf.data();
        std::size_t dstLeft = buf.size();
        iconv(cd_, nullptr, nullptr, &dst, &dstLeft);
        out.append(buf.data(), static_cast<std::size_t>(dst - buf.data()));
        return out;
    }

private:
    iconv_t cd_;
};
// Opening a converter costs more than most names take to convert: one of
// each per thread, kept.
Iconv& decoder() {
    thread_local Iconv cd("UTF-8", "CP932");
    return cd;
}
std::optional<std::string> fromCp932(std::string_view in) {
    return decoder().run(in, false);
}
std::optional<std::string> toCp932(std::string_view in) {
    thread_local Iconv cd("CP932", "UTF-8");
    return cd.run(in, false);
}
std::string fromCp932Lossy(std::string_view in) {
    return decoder().run(in, true).value_or("");
}
#endif

}  // namespace

bool isValidUtf8(std::string_view s) {
    std::size_t i = 0;
    const auto* p = reinterpret_cast<const unsigned char*>(s.data());
    while (i < s.size()) {
        const unsigned char c = p[i];
        if (c < 0x80) {
            ++i;
            continue;
        }
        std::size_t n;
        char32_t cp;
        if ((c & 0xE0) == 0xC0) {
            n = 1;
            cp = c & 0x1F;
        } else if ((c & 0xF0) == 0xE0) {
            n = 2;
            cp = c & 0x0F;
        } else if ((c & 0xF8) == 0xF0) {
            n = 3;
            cp = c & 0x07;
        } else {
            return false;
        }
        if (i + n >= s.size()) return false;
        for (std::size_t k = 1; k <= n; ++k) {
            if ((p[i + k] & 0xC0) != 0x80) return false;
            cp = (cp << 6) | (p[i + k] & 0x3F);
        }
        static constexpr char32_t kMin[] = {0, 0x80, 0x800, 0x10000};
        if (cp < kMin[n] || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return false;
        i += n + 1;
    }
    return true;
}

std::optional<std::string> cp932ToUtf8(std::string_view cp932) {
    return fromCp932(cp932);
}

std::optional<std::string> utf8ToCp932(std::string_view utf8) {
    if (!isValidUtf8(utf8)) return std::nullopt;
    return toCp932(utf8);
}

std::string cp932ToUtf8Lossy(std::string_view in) {
    return fromCp932Lossy(in);
}

std::string utf16ToUtf8(std::u16string_view units) {
    std::string out;
    out.reserve(units.size() * 3);
    for (std::size_t i = 0; i < units.size(); ++i) {
        const char16_t u = units[i];
        if (u >= 0xD800 && u <= 0xDBFF && i + 1 < units.size()) {
            const char16_t v = units[i + 1];
            if (v >= 0xDC00 && v <= 0xDFFF) {
                appendUtf8(out, 0x10000 + ((char32_t{u} - 0xD800) << 10) + (v - 0xDC00));
                ++i;
                continue;
            }
        }
        if (u >= 0xD800 && u <= 0xDFFF)
            out += kReplacement;
        else
            appendUtf8(out, u);
    }
    return out;
}

std::string utf16ToUtf8(std::string_view bytes, bool bigEndian) {
    std::u16string units;
    units.reserve(bytes.size() / 2);
    for (std::size_t i = 0; i + 1 < bytes.size(); i += 2) {
        const auto a = static_cast<unsigned char>(bytes[i]);
        const auto b = static_cast<unsigned char>(bytes[i + 1]);
        units += static_cast<char16_t>(bigEndian ? (a << 8) | b : (b << 8) | a);
    }
    if (bytes.size() % 2 != 0) units += u'\uFFFD';  // cut inside its last unit: marked, not dropped
    return utf16ToUtf8(units);
}

char32_t nextCodePoint(std::string_view s, std::size_t& i) {
    const auto c = static_cast<unsigned char>(s[i]);
    char32_t cp = c;
    std::size_t n = 0;
    if (c >= 0xF0) {
        cp = c & 0x07;
        n = 3;
    } else if (c >= 0xE0) {
        cp = c & 0x0F;
        n = 2;
    } else if (c >= 0xC0) {
        cp = c & 0x1F;
        n = 1;
    }
    for (std::size_t k = 1; k <= n && i + k < s.size(); ++k)
        cp = (cp << 6) | (static_cast<unsigned char>(s[i + k]) & 0x3F);
    i += n + 1;
    return cp;
}

std::u16string utf8ToUtf16(std::string_view s) {
    std::u16string out;
    std::size_t i = 0;
    while (i < s.size()) {
        char32_t cp = nextCodePoint(s, i);
        if (cp >= 0x10000) {
            cp -= 0x10000;
            out += static_cast<char16_t>(0xD800 + (cp >> 10));
            out += static_cast<char16_t>(0xDC00 + (cp & 0x3FF));
        } else {
            out += static_cast<char16_t>(cp);
        }
    }
    return out;
}

std::string decodeText(std::string_view bytes) {
    if (bytes.size() >= 2) {
        const auto b0 = static_cast<unsigned char>(bytes[0]);
        const auto b1 = static_cast<unsigned char>(bytes[1]);
        if (b0 == 0xFF && b1 == 0xFE) return utf16ToUtf8(bytes.substr(2), false);
        if (b0 == 0xFE && b1 == 0xFF) return utf16ToUtf8(bytes.substr(2), true);
    }
    if (bytes.starts_with("\xEF\xBB\xBF")) bytes.remove_prefix(3);
    if (isValidUtf8(bytes)) return std::string(bytes);
    return cp932ToUtf8Lossy(bytes);
}

}  // namespace sysutil
