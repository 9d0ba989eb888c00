#include "archive/EntryNames.h"

#include <algorithm>
#include <cstdio>

#include "sysutil/PathRules.h"
#include "sysutil/TextCodec.h"

namespace archiver {
namespace {

enum class Encoding { Cp932, Utf8 };

bool fromDos(const lha::Entry& e) {
    return e.osId == 'M' || (e.level <= 1 && e.osId == 0);
}

Encoding encodingOf(const lha::Entry& e, const std::string& bytes) {
    // A code page says what the writer meant; bytes that are no UTF-8 still
    // never pass as UTF-8.
    if (e.codePage == 65001u && sysutil::isValidUtf8(bytes)) return Encoding::Utf8;
    if (e.codePage == 932u) return Encoding::Cp932;
    if (fromDos(e)) {
        // A Linux archiver writing bare level-0 headers: its UTF-8 is no CP932.
        const bool cp932 = sysutil::cp932ToUtf8(bytes).has_value();
        return !cp932 && sysutil::isValidUtf8(bytes) ? Encoding::Utf8 : Encoding::Cp932;
    }
    return sysutil::isValidUtf8(bytes) ? Encoding::Utf8 : Encoding::Cp932;
}

// The second byte of a CP932 character; a lead byte before anything else
// (a '/', the end) stands alone.
bool isCp932TrailByte(unsigned char c) {
    return (c >= 0x40 && c <= 0x7E) || (c >= 0x80 && c <= 0xFC);
}

// CP932 bytes as a listing shows them: what does not decode stays the byte
// it was, as \xHH, so that two such names never look alike.
std::string cp932Shown(const std::string& bytes) {
    if (auto whole = sysutil::cp932ToUtf8(bytes)) return *whole;
    std::string out;
    for (std::size_t i = 0; i < bytes.size();) {
        const auto c = static_cast<unsigned char>(bytes[i]);
        const std::size_t n = sysutil::isCp932LeadByte(c) && i + 1 < bytes.size() ? 2 : 1;
        // A backslash left over from a pair that does not decode is shown as
        // a byte too: bare, it would start an escape that is none.
        if (auto one = sysutil::cp932ToUtf8(std::string_view(bytes).substr(i, n)); one && c != '\\') {
            out += *one;
            i += n;
            continue;
        }
        char hex[8];
        std::snprintf(hex, sizeof hex, "\\x%02X", c);
        out += hex;
        ++i;
    }
    return out;
}

// Splits stored bytes at the folder separators and decodes each piece; the
// pieces as shown go to `shown`.
void splitBytes(const std::string& bytes, Encoding enc, std::vector<std::string>& out,
                std::vector<std::string>& shown) {
    std::string piece;
    auto take = [&] {
        out.push_back(enc == Encoding::Utf8 ? piece : sysutil::cp932ToUtf8Lossy(piece));
        shown.push_back(enc == Encoding::Utf8 ? piece : cp932Shown(piece));
        piece.clear();
    };
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        const auto c = static_cast<unsigned char>(bytes[i]);
        if (enc == Encoding::Cp932 && sysutil::isCp932LeadByte(c) && i + 1 < bytes.size() &&
            isCp932TrailByte(static_cast<unsigned char>(bytes[i + 1]))) {
            piece += bytes.substr(i, 2);
            ++i;
        } else if (c == 0xFF || c == '/' || c == '\\') {
            take();
        } else {
            piece += static_cast<char>(c);
        }
    }
    take();
}

// UTF-16 units as a listing shows them: a surrogate without its other half
// stays the unit it was, as \uHHHH, where decoding makes every one U+FFFD.
std::string utf16Shown(const std::u16string& units) {
    std::string out;
    for (std::size_t i = 0; i < units.size(); ++i) {
        const char16_t u = units[i];
        const bool pair =
            u >= 0xD800 && u <= 0xDBFF && i + 1 < units.size() && units[i + 1] >= 0xDC00 && units[i + 1] <= 0xDFFF;
        if (pair) {
            out += sysutil::utf16ToUtf8(std::u16string_view(units).substr(i, 2));
            ++i;
        } else if (u >= 0xD800 && u <= 0xDFFF) {
            char hex[8];
            std::snprintf(hex, sizeof hex, "\\u%04X", static_cast<unsigned>(u));
            out += hex;
        } else {
            out += sysutil::utf16ToUtf8(std::u16string_view(&u, 1));
        }
    }
    return out;
}

void splitUnits(const std::u16string& units, std::vector<std::string>& out, std::vector<std::string>& shown) {
    std::u16string piece;
    auto take = [&] {
        out.push_back(sysutil::utf16ToUtf8(piece));
        shown.push_back(utf16Shown(piece));
        piece.clear();
    };
    for (const char16_t u : units) {
        if (u == 0xFFFF || u == u'/' || u == u'\\')
            take();
        else
            piece += u;
    }
    take();
}

}  // namespace

StoredPath storedPath(const lha::Entry& e) {
    // 0xFF separates folders in either encoding; it says nothing of the names.
    std::string bytes = e.folder + e.name;
    std::replace(bytes.begin(), bytes.end(), '\xFF', '/');
    const Encoding enc = encodingOf(e, bytes);
    StoredPath p;
    std::vector<std::string> shown;
    if (e.folderUtf16)
        splitUnits(*e.folderUtf16, p.components, shown);
    else if (!e.folder.empty())
        splitBytes(e.folder, enc, p.components, shown);
    const std::size_t folders = p.components.size();
    if (e.nameUtf16)
        splitUnits(*e.nameUtf16, p.components, shown);
    else
        splitBytes(e.name, enc, p.components, shown);
    p.nameless = p.components.size() == folders || p.components.back().empty();
    // MS-DOS spells a name without extension "NAME." at times (PMarc does);
    // the dot is no part of the name there.
    if (fromDos(e))
        for (auto* list : {&p.components, &shown})
            for (auto& c : *list)
                if (c.size() >= 2 && c.find('.') == c.size() - 1) c.pop_back();
    p.shown = printableName(shown);
    return p;
}

std::optional<std::vector<std::string>> safeComponents(const std::vector<std::string>& components) {
    std::vector<std::string> parts;
    for (const auto& c : components) {
        if (c.empty() || c == ".") continue;
        // The rule put away applies too; it also keeps "..." from aliasing ".." on Windows.
        if (sysutil::windowsNameProblem(c) != sysutil::NameProblem::None) return std::nullopt;
        parts.push_back(c);
    }
    return parts;
}

std::string printableText(std::string_view text) {
    std::string out;
    auto escape = [&](const char* form, unsigned v) {
        char hex[12];
        std::snprintf(hex, sizeof hex, form, v);
        out += hex;
    };
    for (std::size_t i = 0; i < text.size();) {
        const auto c = static_cast<unsigned char>(text[i]);
        if (c < 0x20 || c == 0x7F) {
            escape("\\x%02X", c);
            ++i;
            continue;
        }
        const std::size_t n = c < 0x80 ? 1 : c >= 0xF0 ? 4 : c >= 0xE0 ? 3 : 2;
        if (n > 1 && (i + n > text.size() || !sysutil::isValidUtf8(text.substr(i, n)))) {
            escape("\\x%02X", c);  // no UTF-8: a terminal may take the byte for a control
            ++i;
            continue;
        }
        // C1 controls (0x9B is a terminal's CSI) and the marks that turn text
        // around, which make a name read as another.
        const std::u16string wide = n > 1 ? sysutil::utf8ToUtf16(text.substr(i, n)) : std::u16string();
        const char16_t u = wide.size() == 1 ? wide[0] : 0;
        if ((u >= 0x80 && u <= 0x9F) || (u >= 0x202A && u <= 0x202E) || (u >= 0x2066 && u <= 0x2069))
            escape("\\u%04X", u);
        else
            out.append(text.substr(i, n));
        i += n;
    }
    return out;
}

std::string printableName(const std::vector<std::string>& components) {
    std::string out;
    for (const auto& component : components) {
        if (component.empty()) continue;
        if (!out.empty()) out += '/';
        out += printableText(component);
    }
    return out;
}

}  // namespace archiver
