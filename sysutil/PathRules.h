#pragma once
// The platform's file-name rules as the program applies them everywhere:
// the trailing separator, Windows-style case-insensitive names and wildcards,
// hidden entries, and the first-match lookup.
#include <filesystem>
#include <string>
#include <string_view>

namespace sysutil {

#if defined(_WIN32)
inline constexpr char kSeparator = '\\';
#else
inline constexpr char kSeparator = '/';
#endif

// A folder separator of this platform ("/", and "\\" too on Windows).
bool isSeparator(char c);

// Trailing blanks (spaces only) removed, then the separator appended unless
// the text already ends with one. "" gives a lone separator.
std::string AddBackslash(const std::string& path);

std::filesystem::path pathFromUtf8(std::string_view utf8);
std::string utf8FromPath(const std::filesystem::path& path);

// A file name for display. Names copied from old Japanese media keep their
// Shift-JIS bytes on Linux: those are read as CP932 (the name's own bytes
// still reach the file).
std::string displayName(const std::filesystem::path& name);

// Case-insensitive equality of two names, as Windows compares file names.
bool sameName(std::string_view a, std::string_view b);
// What two names Windows takes for the same have in common.
std::u32string nameKey(std::string_view name);

// Why a name cannot be a file or folder name on Windows. One rule for every
// name the program archives, extracts or makes: what put away accepts, take
// out gives back, on either system.
enum class NameProblem {
    None,
    Blank,               // empty, or blanks only
    DotName,             // "." or ".."
    Separator,           // '/' or '\'
    ReservedCharacter,   // < > : " | ? *
    ControlCharacter,    // below U+0020, and DEL
    TrailingDotOrBlank,  // Windows drops them, so "a." would become "a"
    DeviceName,          // CON, NUL, COM1, LPT¹, "con.txt" ...
    WorkName,            // FZARC's own work folder or marker (sysutil/WorkFolder.h), in any case
};
NameProblem windowsNameProblem(std::string_view utf8Name);
// The reason, as a Japanese sentence for messages.
std::string nameProblemText(NameProblem problem);

// Windows wildcard match (* and ?), case-insensitive; "*.*" matches every name.
bool matchesWildcard(std::string_view pattern, std::string_view name);
// Several patterns separated by ';': a name matches when any of them does.
bool matchesAnyWildcard(std::string_view patterns, std::string_view name);

// A symbolic link, or on Windows any reparse point (a junction): something
// to take as itself, never to walk into.
bool isLink(const std::filesystem::directory_entry& entry);

// Hidden or system attribute on Windows; a name beginning with '.' elsewhere.
bool isHiddenEntry(const std::filesystem::path& path);

enum class LookupKind {
    FilesAndFolders,  // folders count, as the folder lookups do
    OrdinaryFiles,    // plain files only
};

// First-match directory search. The last component may hold wildcards; a
// pattern ending with the separator searches the folder's contents, its own
// "." entry included. Hidden entries never match. Never throws: a pattern the
// file system rejects simply matches nothing.
bool lookupExists(const std::string& pattern, LookupKind kind);
// The full path of the first match, or "" when nothing matches.
std::string lookupFirst(const std::string& pattern, LookupKind kind);

}  // namespace sysutil
