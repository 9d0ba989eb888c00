#pragma once
// The hidden folders FZARC works in beside what it makes: a take out's staging
// folder, a new archive being written, a settings file being replaced. Each
// is named ".fzarc-<kind>-<pid>-<n>" after the process that owns it, and holds
// a marker made right after the folder itself, so that what a killed run left
// behind can be told from work under way, and from anything of the user's
// that only looks like it.
#include <filesystem>
#include <optional>
#include <string>
#include <system_error>

namespace sysutil {

// The marker inside every work folder: an empty file, made first, removed last.
inline constexpr const char* kWorkMarker = ".fzarc-work";

// The kinds of work folder FZARC makes.
inline constexpr const char* kWorkStaging = "staging";
inline constexpr const char* kWorkArchive = "archive";
inline constexpr const char* kWorkSettings = "settings";

// Makes a new work folder of `kind` in `parent`, hidden, with its marker.
// An empty path, and `ec` set, when it cannot.
std::filesystem::path createWorkFolder(const std::filesystem::path& parent, const std::string& kind,
                                       std::error_code& ec);

// The owner's process id when `name` is exactly a work folder's name: a kind
// FZARC uses, then digits only, twice.
std::optional<unsigned long> workFolderOwner(const std::string& name);

// True for a work folder that a run no longer running left behind: its name
// is exactly FZARC's, it is a folder (not a link), and it holds the marker
// or nothing at all.
bool isLeftoverWorkFolder(const std::filesystem::path& path);

// Removes a work folder, its marker last, so that a removal cut short still
// leaves it recognisable. What a first pass could not remove gets a second
// (a file held for a moment, by a virus scanner say); anything still left
// waits for the next start. True when it went.
bool removeWorkFolder(const std::filesystem::path& path);

}  // namespace sysutil
