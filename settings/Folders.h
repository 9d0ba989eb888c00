#pragma once
// The folders the settings name, read afresh for each command: a command's
// job reads them once as it starts (every value from one reading of the
// file) and hands the command what it needs, so the commands themselves never
// read the settings file.
#include <string>

namespace settings {

struct Folders {
    std::string engine;        // TRPath as stored
    std::string cuttingBoard;  // cuttingBoardFolder(TRPath)
    std::string fridge;        // ArcPath as stored
    bool tidyAtExit = false;   // ExitRMNoFileDir is "1"
};

// AddBackslash(TRPath) + "Scenario" + sep + "FZARC_まな板" + sep.
std::string cuttingBoardFolder(const std::string& trPath);

// The settings file as it is now, read once; missing values read as "".
Folders currentFolders();

}  // namespace settings
