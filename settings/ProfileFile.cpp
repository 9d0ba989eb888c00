#include "settings/ProfileFile.h"

#include "sysutil/PathRules.h"
#include "sysutil/TextCodec.h"

namespace settings {
namespace {

ProfileEncoding platformEncoding() {
#if defined(_WIN32)
    return ProfileEncoding::Cp932;
#else
    return ProfileEncoding::Utf8;
#endif
}

std::string trimmed(const std::string& s) {
    const auto first = s.find_first_not_of(" \t");
    if (first == std::string::npos) return {};
    const auto last = s.find_last_not_of(" \t");
    return s.substr(first, last - first + 1);
}

bool isAscii(const std::string& s) {
    for (unsigned char c : s)
        if (c >= 0x80) return false;
    return true;
}

// "[name]" gives name; anything else nullopt.
std::optional<std::string> sectionName(const std::string& line) {
    const std::string t = trimmed(line);
    if (t.size() < 2 || t.front() != '[') return std::nullopt;
    const auto close = t.find(']');
    if (close == std::string::npos) return std::nullopt;
    return trimmed(t.substr(1, close - 1));
}

}  // namespace

ProfileFile::ProfileFile() : encoding_(platformEncoding()) {}

ProfileFile ProfileFile::fromBytes(std::string bytes) {
    ProfileFile f;
    constexpr std::string_view kBom = "\xEF\xBB\xBF";
    f.byteOrderMark_ = bytes.starts_with(kBom);
    if (f.byteOrderMark_) bytes.erase(0, kBom.size());
    std::size_t start = 0;
    while (start < bytes.size()) {
        std::size_t nl = bytes.find('\n', start);
        Line line;
        if (nl == std::string::npos) {
            line.raw = bytes.substr(start);
            start = bytes.size();
        } else {
            line.raw = bytes.substr(start, nl - start);
            line.ending = "\n";
            start = nl + 1;
        }
        if (!line.ending.empty() && !line.raw.empty() && line.raw.back() == '\r') {
            line.raw.pop_back();
            line.ending = "\r\n";
        }
        f.lines_.push_back(std::move(line));
    }
    if (f.byteOrderMark_)
        f.encoding_ = ProfileEncoding::Utf8;
    else if (!isAscii(bytes))
        f.encoding_ = sysutil::isValidUtf8(bytes) ? ProfileEncoding::Utf8 : f.majorityEncoding();
    return f;
}

// A file that is not valid UTF-8 as a whole: one stray byte (a Latin-1
// comment, say) must not turn it into CP932 when its Japanese lines are UTF-8.
ProfileEncoding ProfileFile::majorityEncoding() const {
    int utf8 = 0, other = 0;
    for (const auto& l : lines_)
        if (!isAscii(l.raw)) ++(sysutil::isValidUtf8(l.raw) ? utf8 : other);
    return utf8 > other ? ProfileEncoding::Utf8 : ProfileEncoding::Cp932;
}

std::string ProfileFile::decodeLine(const std::string& raw) const {
    if (isAscii(raw) || sysutil::isValidUtf8(raw)) return raw;
    return sysutil::cp932ToUtf8Lossy(raw);
}

std::optional<std::string> ProfileFile::encode(const std::string& utf8) const {
    if (encoding_ == ProfileEncoding::Utf8) return utf8;
    return sysutil::utf8ToCp932(utf8);
}

ProfileFile::Located ProfileFile::locate(const std::string& section, const std::string& key) const {
    Located at;
    for (std::size_t i = 0; i < lines_.size(); ++i) {
        const std::string text = decodeLine(lines_[i].raw);
        if (auto name = sectionName(text)) {
            if (at.section) break;  // the section ended; Windows reads the first one only
            if (sysutil::sameName(*name, section)) {
                at.section = i;
                at.insertAt = i + 1;
            }
            continue;
        }
        if (!at.section) continue;
        const auto eq = text.find('=');
        if (eq == std::string::npos) continue;
        at.insertAt = i + 1;
        if (!at.key && sysutil::sameName(trimmed(text.substr(0, eq)), key)) at.key = i;
    }
    return at;
}

std::optional<std::string> ProfileFile::value(const std::string& section, const std::string& key) const {
    const Located at = locate(section, key);
    if (!at.key) return std::nullopt;
    const std::string& raw = lines_[*at.key].raw;
    const auto eq = raw.find('=');  // '=' is never a CP932 trail byte
    std::string v = trimmed(raw.substr(eq + 1));
    if (v.size() >= 2 && (v.front() == '"' || v.front() == '\'') && v.back() == v.front())
        v = v.substr(1, v.size() - 2);
    if (isAscii(v) || sysutil::isValidUtf8(v)) return v;
    return sysutil::cp932ToUtf8(v);
}

std::string ProfileFile::newLineEnding() const {
    for (const auto& l : lines_)
        if (!l.ending.empty()) return l.ending;
    return "\r\n";
}

bool ProfileFile::setValue(const std::string& section, const std::string& key, const std::string& value) {
    if (value.find_first_of("\r\n", 0) != std::string::npos || value.find('\0') != std::string::npos) return false;
    if (section.find_first_of("\r\n]") != std::string::npos || key.find_first_of("\r\n=") != std::string::npos)
        return false;
    const Located at = locate(section, key);
    const std::string eol = newLineEnding();
    if (at.key) {
        const std::string& raw = lines_[*at.key].raw;
        auto encoded = encode(value);
        if (!encoded) return false;
        // Keep the key as the file spells it.
        lines_[*at.key].raw = trimmed(raw.substr(0, raw.find('='))) + "=" + *encoded;
        return true;
    }
    auto line = encode(key + "=" + value);
    if (!line) return false;
    if (at.section) {
        // The line before the insertion point must end, or the new key would join it.
        if (lines_[at.insertAt - 1].ending.empty()) lines_[at.insertAt - 1].ending = eol;
        lines_.insert(lines_.begin() + static_cast<std::ptrdiff_t>(at.insertAt), Line{*line, eol});
        return true;
    }
    auto header = encode("[" + section + "]");
    if (!header) return false;
    if (!lines_.empty() && lines_.back().ending.empty()) lines_.back().ending = eol;
    lines_.push_back({*header, eol});
    lines_.push_back({*line, eol});
    return true;
}

std::string ProfileFile::bytes() const {
    std::string out = byteOrderMark_ ? "\xEF\xBB\xBF" : "";
    for (const auto& l : lines_) out += l.raw + l.ending;
    return out;
}

}  // namespace settings
