#pragma once
// Where the program lives and where its settings file goes.
#include <string>

namespace sysutil {

// The folder of the running executable, without a trailing separator except
// for a root folder.
std::string executableFolder();

// Where fzarc.ini lives: beside the program when that folder already holds
// one, or when the program is not installed and may write there (portable
// use, the build tree); otherwise `userFolder`, the per-user settings folder.
std::string chooseSettingsFolder(const std::string& userFolder, const std::string& programFolder = executableFolder());

// The folder that holds fzarc.ini: the one set at start-up (or by a test),
// the executable's folder until then.
std::string settingsFolder();
void setSettingsFolder(const std::string& folder);

}  // namespace sysutil
