#pragma once
// Which files a desktop would run rather than open. Documents come with
// scenarios from strangers, and a desktop's association for a program,
// installer, shortcut or script runs it (with Wine installed, a Windows
// program too), so these are never handed to the desktop to "open".
#include <filesystem>

namespace ui {

// True for a program, installer, shortcut or script by its name (its own or
// its link target's), and for a program or desktop entry by its content,
// whatever its name. A text whose content is a script stays a document: the
// desktop opens it in an editor. Folders are never runnable.
bool runsWhenOpened(const std::filesystem::path& file);

}  // namespace ui
