#pragma once
// The hidden files and folders archive work makes beside its results (a
// staging folder, the replaced files, an archive being written). Their names
// carry the owner's process id, so that what a killed or crashed run left
// behind can be told from work under way, and removed.
#include <filesystem>
#include <string>

namespace archiver {

// A new, unused name in `folder`: ".fzarc-<kind>-<pid>-<n><suffix>", hidden
// (a leading dot; the hidden attribute on Windows once made).
std::filesystem::path workPath(const std::filesystem::path& folder, const std::string& kind,
                               const std::string& suffix = "");
// Marks a work folder or file hidden where a dot is not enough (Windows).
void hideWorkPath(const std::filesystem::path& path);

// Removes the work files and folders in `folder` whose owner is no longer
// running. What a running program owns stays.
void removeLeftovers(const std::filesystem::path& folder);

}  // namespace archiver
