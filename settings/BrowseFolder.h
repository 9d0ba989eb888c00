#pragma once
// The folder picker behind one function.
#include <string>

#include "sysutil/Dialogs.h"

namespace settings {

// The chosen folder's full path, or "" when the user cancels. Folders only,
// the title shown, opening at `startFolder` (the folder the user had).
std::string SelectFolder(sysutil::Dialogs& dialogs, const std::string& title, const std::string& startFolder = {});

// The text up to its first NUL character, or whole.
std::string CutAtNull(const std::string& text);

}  // namespace settings
