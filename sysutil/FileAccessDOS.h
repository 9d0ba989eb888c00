#pragma once
// Whole-folder operations: list every folder below a folder, and delete a
// folder tree. Both run off the window's thread while the caller's event pump
// keeps the window alive, and neither ever follows a link out of the tree.
#include <functional>
#include <string>

#include "sysutil/Dialogs.h"

namespace sysutil {

using EventPump = std::function<void()>;

class FileAccessDOS {
public:
    // `dialogs` asks DelTree's question; `pump` serves window events while waiting.
    explicit FileAccessDOS(Dialogs* dialogs = nullptr, EventPump pump = {});

    // Full paths of all folders below TargetDirectory at any depth, without a
    // trailing separator, joined by "|"; "" when there is none.
    std::string SerchSubDirectory(const std::string& TargetDirectory);

    // Asks "本当によろしいですか？" unless NoMsg, then removes the tree. A folder
    // that does not exist is left alone without a word.
    void DelTree(const std::string& TargetDirectory, bool NoMsg);

private:
    void waitFor(const std::function<void()>& work);

    Dialogs* dialogs_;
    EventPump pump_;
};

// The same work without threads or questions, for callers already off the UI thread.
std::string listSubfolders(const std::string& folder);
// Removes the tree; returns false when something could not be removed.
bool removeTree(const std::string& folder);
// Removes the folders below `root` that hold no file at any depth; never
// `root` itself, never a file, never anything behind a link.
void removeEmptyFolders(const std::string& root);

}  // namespace sysutil
