#pragma once
// Whole-folder operations: list every folder below a folder, and delete a
// folder tree. Both run where they are called (the commands' jobs run off the
// window's thread), and neither ever follows a link out of the tree.
#include <filesystem>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "sysutil/Dialogs.h"
#include "sysutil/Failure.h"

namespace sysutil {

// Every folder below a folder, in the order SerchSubDirectory gives them, and
// for each whether it may directly hold an entry named as asked (names
// compared as Windows does): false only for a folder read whole without one,
// so a linked or unreadable folder is true.
struct Subfolders {
    std::vector<std::string> paths;
    std::vector<bool> mayHoldNoted;
};

class FileAccessDOS {
public:
    // `dialogs` asks DelTree's question; without it nothing is asked.
    explicit FileAccessDOS(Dialogs* dialogs = nullptr);

    // Full paths of all folders below TargetDirectory at any depth, without a
    // trailing separator, joined by "|"; "" when there is none.
    std::string SerchSubDirectory(const std::string& TargetDirectory);
    // The same paths as a list: a name holding "|" stays whole.
    std::vector<std::string> SubDirectories(const std::string& TargetDirectory);
    // The same, noting the folders that hold an entry named `noted`.
    Subfolders SubDirectories(const std::string& TargetDirectory, std::string_view noted);

    // Asks "本当によろしいですか？" unless NoMsg, then removes the tree,
    // write-protected parts included. A scenario's Summary.tsm goes last, and
    // only once everything else went, so a scenario that could not be deleted
    // whole stays a scenario. Never leaves the folder's file system: a mount
    // point inside stays with all below it. Ok when the tree went, or when
    // the answer was No; otherwise the failure names what remains (the mount
    // points, then the first paths up to five, and counts the rest) with the
    // first cause the system gave.
    Failure DelTree(const std::string& TargetDirectory, bool NoMsg);

private:
    Dialogs* dialogs_;
};

// The same work without questions.
std::vector<std::string> listSubfolders(const std::string& folder);
Subfolders listSubfolders(const std::string& folder, std::string_view noted);
// Removes the tree; `lastName` (compared as Windows does) goes after
// everything else of its folder, and only when the rest went. Returns what
// could not be removed, at most `report` paths besides the mount points left
// alone; empty when all went.
std::vector<std::string> removeTree(const std::string& folder, const std::string& lastName = "",
                                    std::size_t report = 5);
// Whether another file system (or a bind mount) is mounted on `folder`.
bool isMountedOn(const std::filesystem::path& folder);
// Whether both are regular files (not links) holding the same bytes.
bool sameContent(const std::filesystem::path& a, const std::filesystem::path& b);

}  // namespace sysutil
