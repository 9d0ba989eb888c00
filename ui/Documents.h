#pragma once
// Which files the viewer hands to the desktop to open: documents only.
// Scenarios come from strangers, and a desktop runs what it associates with a
// program (with Wine installed, a Windows program too); no list of runnable
// kinds is ever complete, so only the kinds that open in a reader pass.
#include <filesystem>

namespace ui {

// True for a folder, and for plain text, HTML, PDF or an image, by its name
// (its own and, for a link, its target's) and by its content alike.
// Anything else may be a program, an installer, a shortcut or a script.
bool opensAsDocument(const std::filesystem::path& file);

}  // namespace ui
