#include "sysutil/PathRules.h"

#include "sysutil/TextCodec.h"
#include "sysutil/WorkFolder.h"

#include <array>
#include <system_error>

#if defined(_WIN32)
#include <windows.h>
#else
#include <dirent.h>
#endif

namespace sysutil {
namespace fs = std::filesystem;
namespace {

// Next code point of UTF-8 text, folded to upper case as Windows compares
// names: ASCII, Latin-1, Greek, Cyrillic and the full-width Latin letters
// Japanese text uses (Japanese itself has no case).
char32_t nextFolded(std::string_view s, std::size_t& i) {
    char32_t cp = nextCodePoint(s, i);
    if ((cp >= 'a' && cp <= 'z') || (cp >= 0xE0 && cp <= 0xFE && cp != 0xF7) ||
        (cp >= 0x3B1 && cp <= 0x3C9 && cp != 0x3C2) || (cp >= 0x430 && cp <= 0x44F) || (cp >= 0xFF41 && cp <= 0xFF5A))
        cp -= 0x20;
    else if (cp >= 0x450 && cp <= 0x45F)
        cp -= 0x50;
    return cp;
}

bool wildcardMatch(std::u32string_view p, std::u32string_view n) {
    // Iterative matcher with backtracking to the last '*'.
    std::size_t pi = 0, ni = 0, starP = std::u32string_view::npos, starN = 0;
    while (ni < n.size()) {
        if (pi < p.size() && (p[pi] == U'?' || p[pi] == n[ni])) {
            ++pi;
            ++ni;
        } else if (pi < p.size() && p[pi] == U'*') {
            starP = pi++;
            starN = ni;
        } else if (starP != std::u32string_view::npos) {
            pi = starP + 1;
            ni = ++starN;
        } else {
            return false;
        }
    }
    while (pi < p.size() && (p[pi] == U'*' || (p[pi] == U'.' && pi + 1 < p.size() && p[pi + 1] == U'*'))) ++pi;
    // "name." also matches "name" on Windows (a trailing dot stands for no extension).
    if (pi + 1 == p.size() && p[pi] == U'.') ++pi;
    return pi == p.size();
}

bool hasWildcards(std::string_view s) {
    return s.find_first_of("*?") != std::string_view::npos;
}

#if defined(_WIN32)
bool kindMatches(const fs::directory_entry& e, LookupKind kind, std::error_code& ec) {
    if (kind == LookupKind::OrdinaryFiles) return e.is_regular_file(ec);
    return e.exists(ec);
}
#endif

bool kindMatches(const fs::path& p, LookupKind kind, std::error_code& ec) {
    const auto st = fs::status(p, ec);
    if (ec) return false;
    if (kind == LookupKind::OrdinaryFiles) return fs::is_regular_file(st);
    return fs::exists(st);
}

// Windows takes these for devices, with any extension and trailing blanks.
bool isDeviceName(std::string_view name) {
    static constexpr std::array<std::string_view, 32> kDevices{
        "CON",  "PRN",  "AUX",  "NUL",  "COM0", "COM1", "COM2", "COM3",   "COM4",    "COM5",  "COM6",
        "COM7", "COM8", "COM9", "COM¹", "COM²", "COM³", "LPT1", "LPT2",   "LPT3",    "LPT4",  "LPT5",
        "LPT6", "LPT7", "LPT8", "LPT9", "LPT¹", "LPT²", "LPT³", "CONIN$", "CONOUT$", "CLOCK$"};
    std::string_view base = name.substr(0, name.find('.'));
    while (!base.empty() && base.back() == ' ') base.remove_suffix(1);
    for (const auto d : kDevices)
        if (sameName(base, d)) return true;
    return false;
}

}  // namespace

bool isSeparator(char c) {
#if defined(_WIN32)
    return c == '\\' || c == '/';
#else
    return c == '/';
#endif
}

NameProblem windowsNameProblem(std::string_view name) {
    if (name.find_first_not_of(' ') == std::string_view::npos) return NameProblem::Blank;
    if (name == "." || name == "..") return NameProblem::DotName;
    if (name.find_first_of("/\\") != std::string_view::npos) return NameProblem::Separator;
    for (const char ch : name)
        if (static_cast<unsigned char>(ch) < 0x20 || ch == 0x7F) return NameProblem::ControlCharacter;
    if (name.find_first_of("<>:\"|?*") != std::string_view::npos) return NameProblem::ReservedCharacter;
    if (name.back() == '.' || name.back() == ' ') return NameProblem::TrailingDotOrBlank;
    if (isDeviceName(name)) return NameProblem::DeviceName;
    // The tidying trusts these names: one brought in by an archive could
    // carry a journal that moves or deletes the user's files.
    std::string lower(name);
    for (auto& c : lower)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    if (lower == kWorkMarker || workFolderOwner(lower)) return NameProblem::WorkName;
    return NameProblem::None;
}

std::string nameProblemText(NameProblem problem) {
    switch (problem) {
        case NameProblem::None:
            break;
        case NameProblem::Blank:
            return "名前が空か、空白だけです。";
        case NameProblem::DotName:
            return "「.」や「..」は名前にできません。";
        case NameProblem::Separator:
            return "名前に「/」や「\\」は使えません。";
        case NameProblem::ReservedCharacter:
            return "Windowsでは名前に < > : \" | ? * を使えません。";
        case NameProblem::ControlCharacter:
            return "名前に制御文字が含まれています。";
        case NameProblem::TrailingDotOrBlank:
            return "Windowsでは名前の末尾に「.」や空白を使えません。";
        case NameProblem::DeviceName:
            return "Windowsが装置に使う名前（CON、NUL、COM1など）です。";
        case NameProblem::WorkName:
            return "FZARCが作業用に使う名前です。";
    }
    return {};
}

std::u32string nameKey(std::string_view name) {
    std::u32string out;
    std::size_t i = 0;
    while (i < name.size()) out += nextFolded(name, i);
    return out;
}

std::string AddBackslash(const std::string& path) {
    std::string s = path;
    while (!s.empty() && s.back() == ' ') s.pop_back();
    if (!s.empty() && s.back() == kSeparator) return s;
    return s + kSeparator;
}

fs::path pathFromUtf8(std::string_view utf8) {
    return fs::path(std::u8string(reinterpret_cast<const char8_t*>(utf8.data()), utf8.size()));
}

std::string utf8FromPath(const fs::path& path) {
    const std::u8string s = path.u8string();
    return std::string(reinterpret_cast<const char*>(s.data()), s.size());
}

std::string displayName(const fs::path& name) {
    const std::string bytes = utf8FromPath(name);
    return isValidUtf8(bytes) ? bytes : cp932ToUtf8Lossy(bytes);
}

bool sameName(std::string_view a, std::string_view b) {
    if (a.size() == b.size() && a == b) return true;
    std::size_t i = 0, j = 0;
    while (i < a.size() && j < b.size())
        if (nextFolded(a, i) != nextFolded(b, j)) return false;
    return i == a.size() && j == b.size();
}

bool matchesWildcard(std::string_view pattern, std::string_view name) {
    if (pattern == "*.*" || pattern == "*") return true;
    return wildcardMatch(nameKey(pattern), nameKey(name));
}

bool matchesAnyWildcard(std::string_view patterns, std::string_view name) {
    std::size_t start = 0;
    while (start <= patterns.size()) {
        std::size_t end = patterns.find(';', start);
        if (end == std::string_view::npos) end = patterns.size();
        const auto one = patterns.substr(start, end - start);
        if (!one.empty() && matchesWildcard(one, name)) return true;
        start = end + 1;
    }
    return false;
}

bool isLink(const fs::directory_entry& e) {
    std::error_code ec;
    if (e.is_symlink(ec)) return true;
#if defined(_WIN32)
    const DWORD attr = GetFileAttributesW(e.path().c_str());
    return attr != INVALID_FILE_ATTRIBUTES && (attr & FILE_ATTRIBUTE_REPARSE_POINT);
#else
    return false;
#endif
}

bool isHiddenEntry(const fs::path& path) {
#if defined(_WIN32)
    const DWORD attr = GetFileAttributesW(path.c_str());
    return attr != INVALID_FILE_ATTRIBUTES && (attr & (FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM)) != 0;
#else
    const auto name = path.filename().native();
    return !name.empty() && name[0] == '.' && name != "." && name != "..";
#endif
}

std::string lookupFirst(const std::string& pattern, LookupKind kind) {
    if (pattern.empty() || pattern.find('\0') != std::string::npos) return {};
    try {
        std::error_code ec;
        if (isSeparator(pattern.back())) {
            // The folder's contents: its "." entry matches whenever it is listable.
            const fs::path folder = pathFromUtf8(pattern);
            if (kind == LookupKind::OrdinaryFiles) {
                for (const auto& e : fs::directory_iterator(folder, ec)) {
                    std::error_code ec2;
                    if (!isHiddenEntry(e.path()) && e.is_regular_file(ec2)) return utf8FromPath(e.path());
                }
                return {};
            }
            fs::directory_iterator it(folder, ec);
            return ec ? std::string() : utf8FromPath(folder / ".");
        }
        const std::size_t cut = [&] {
            for (std::size_t i = pattern.size(); i-- > 0;)
                if (isSeparator(pattern[i])) return i;
            return std::string::npos;
        }();
        const std::string folderText = cut == std::string::npos ? std::string(".") : pattern.substr(0, cut + 1);
        const std::string name = cut == std::string::npos ? pattern : pattern.substr(cut + 1);
        const fs::path folder = pathFromUtf8(folderText);
        if (name == "." || name == "..") return {};
        if (!hasWildcards(name)) {
            // Fast path: the name as given; then the case-insensitive search.
            const fs::path exact = folder / pathFromUtf8(name);
            if (kindMatches(exact, kind, ec) && !isHiddenEntry(exact)) return utf8FromPath(exact);
        }
        const bool wild = hasWildcards(name);
        auto nameMatches = [&](std::string_view entryName) {
            return wild ? matchesWildcard(name, entryName) : sameName(name, entryName);
        };
#if defined(_WIN32)
        for (const auto& e : fs::directory_iterator(folder, ec)) {
            std::error_code ec2;
            if (nameMatches(utf8FromPath(e.path().filename())) && !isHiddenEntry(e.path()) && kindMatches(e, kind, ec2))
                return utf8FromPath(e.path());
        }
#else
        // The refresh runs this for every folder of the cutting board: read
        // the names alone, and build a path only for a match.
        if (DIR* dir = ::opendir(folder.c_str())) {
            std::string found;
            while (const dirent* d = ::readdir(dir)) {
                const std::string_view entryName(d->d_name);
                if (entryName == "." || entryName == ".." || !nameMatches(entryName)) continue;
                const fs::path p = folder / d->d_name;
                if (!isHiddenEntry(p) && kindMatches(p, kind, ec)) {
                    found = utf8FromPath(p);
                    break;
                }
            }
            ::closedir(dir);
            return found;
        }
#endif
    } catch (const std::exception&) {
        // A name the file system rejects outright matches nothing.
    }
    return {};
}

bool lookupExists(const std::string& pattern, LookupKind kind) {
    return !lookupFirst(pattern, kind).empty();
}

}  // namespace sysutil
